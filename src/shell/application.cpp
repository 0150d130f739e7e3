#include "application.h"

#include <QDebug>
#include <QScopeGuard>
#include <new>
#include <system_error>

#include "appstyle.h"
#include "data/engine.h"
#include "data/errors.h"
#include "data/storelocale.h"
#include "keyboard.h"
#include "msgbox.h"
#include "translations.h"

using namespace Qt::StringLiterals;

namespace {

// Error numbers for failures that do not come from the engine.
constexpr int kOutOfMemory = 7;
constexpr int kInternalError = 51;

shell::ExitHandler& exitHandler()
{
    static shell::ExitHandler handler;
    return handler;
}

}  // namespace

ShellApplication::ShellApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(u"Sistema Valdrameno"_s);
    shell::installStyle();
    storelocale::applyDefault();
    translations::installQt(this);
    translations::installProgram(this);
    // The program ends only through its own exits: after Cancel or an unknown user at the
    // login, or when the main window closes. A window closing never ends it by accident.
    setQuitOnLastWindowClosed(false);
    shell::installKeyboardRules(*this);
}

bool ShellApplication::notify(QObject* receiver, QEvent* event)
{
    Recordset::Operation operation;
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        abandonOperation(error, operation);
    } catch (...) {
        abandonOperation(std::runtime_error("error desconocido"), operation);
    }
    return false;
}

void abandonOperation(const std::exception& error, Recordset::Operation& operation)
{
    // Cancelled before the box is shown: the box runs an event loop of its own.
    operation.CancelPendingUpdates();

    // A second error raised while the box of the first is open (a paint that keeps failing)
    // must not stack boxes without end.
    static bool showing = false;
    if (showing) {
        qWarning().noquote() << "Error mientras se mostraba otro:"
                             << QString::fromLocal8Bit(error.what());
        return;
    }
    showing = true;
    const auto done = qScopeGuard([] { showing = false; });
    if (const auto* engine = dynamic_cast<const EngineError*>(&error)) ShowErrorBox(*engine);
    else if (const auto* system = dynamic_cast<const std::system_error*>(&error))
        ShowErrorBox(system->code().value(), QString::fromLocal8Bit(system->code().message()));
    else if (dynamic_cast<const std::bad_alloc*>(&error))
        ShowErrorBox(kOutOfMemory, u"Memoria insuficiente"_s);
    else ShowErrorBox(kInternalError, u"Error interno: "_s + QString::fromLocal8Bit(error.what()));
}

namespace shell {

void endProgram(int code)
{
    if (exitHandler()) exitHandler()(code);
    else QCoreApplication::exit(code);
}

ExitHandler setExitHandler(ExitHandler handler)
{
    ExitHandler previous = std::move(exitHandler());
    exitHandler() = std::move(handler);
    return previous;
}

}  // namespace shell
