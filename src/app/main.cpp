#include <QPointer>
#include <QTextStream>

#include "appwindows.h"
#include "commandline.h"
#include "shell/application.h"
#include "shell/datafolder.h"
#include "shell/login.h"
#include "shell/principal.h"
#include "shell/windowregistry.h"

int main(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    QTextStream out(stdout);
    if (const auto code = answerCommandLine(args, out)) return *code;

    // Checked first, so that a terminal shows what is missing even where no window can open.
    const QString missingData = checkDataFolder();
    if (const QString noDisplay = missingDisplay(QProcessEnvironment::systemEnvironment());
        !noDisplay.isEmpty()) {
        QTextStream(stderr) << noDisplay << '\n';
        return 1;
    }
    ShellApplication app(argc, argv);
    if (!missingData.isEmpty() && !offerToCreateDataFiles(missingData)) return 1;
    const auto dataFolder = lockDataFolder();
    if (!dataFolder) return 1;
    registerWindows(WindowRegistry::instance());
    // The main window lives as long as the program; the login is destroyed as soon as it is
    // accepted, its password box cleared first.
    std::unique_ptr<Principal> principal;
    QPointer<Login> login = new Login(
        [&principal](const QString& nombreUsuario) {
            principal = std::make_unique<Principal>(nombreUsuario);
            principal->show();
        },
        Login::UsersFile::OpenedWhileBuilding);
    QObject::connect(login, &QDialog::accepted, login, &QObject::deleteLater);
    if (!login->Load()) {
        delete login;
        return 1;
    }
    login->show();
    const int code = app.exec();
    delete login;
    return code;
}
