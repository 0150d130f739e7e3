// A Qt generic plugin that scripts/screenshots loads into the real program running under Xvfb:
// it photographs the login, logs in with the initial texts by pressing Enter as a person
// would, photographs the main window, then the supplier and customer forms showing the demo
// store's longest value of each field, then the article form opened from the toolbar with a demo
// article loaded, and ends the program. The pictures go to the folder
// named by VALDRAMENO_SCREENSHOTS.

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QGenericPlugin>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMap>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

class Photographer : public QObject {
public:
    Photographer()
    {
        qApp->installEventFilter(this);
        // A run that never reaches the main window still ends.
        QTimer::singleShot(30000, this, [] {
            std::fprintf(stderr, "screenshots: no se llegó a la ventana principal\n");
            QCoreApplication::exit(2);
        });
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Expose) return false;
        auto* window = qobject_cast<QWindow*>(watched);
        if (!window || !window->isExposed()) return false;
        const QString name = widgetOf(window);
        if (name == u"Login" && !sawLogin_) {
            sawLogin_ = true;
            QTimer::singleShot(700, this, [this] {
                // Without a window manager nothing activates the window: do it as a click would.
                if (QWidget* login = visibleWidget(u"Login"_s)) login->activateWindow();
                save(u"login"_s, u"Login"_s);
                for (int i = 0; i < 3; ++i) pressEnter(i * 300);
            });
        } else if (name == u"Principal" && !sawMain_) {
            sawMain_ = true;
            QTimer::singleShot(1500, this, [this] {
                save(u"principal"_s, u"Principal"_s);
                photographForm(u"Command2"_s, u"Proveedores"_s, 20, u"proveedores"_s);
                QTimer::singleShot(1500, this, [this] {
                    photographForm(u"Command1"_s, u"Clientes"_s, 50, u"clientes"_s);
                    QTimer::singleShot(1500, this, [this] { photographArticulos(); });
                });
            });
        }
        return false;
    }

private:
    // Opens a form through its toolbar button, loads each of its demo store's `records`
    // codes in turn with Enter, fills every field with the longest text it showed and
    // photographs the main window a moment later.
    void photographForm(const QString& button, const QString& formName, int records,
                        const QString& file)
    {
        QWidget* principal = visibleWidget(u"Principal"_s);
        auto* open = principal ? principal->findChild<QAbstractButton*>(button) : nullptr;
        if (!open) return;
        open->click();
        QWidget* form = principal->findChild<QWidget*>(formName);
        auto* code = form ? form->findChild<QLineEdit*>(u"Text1"_s) : nullptr;
        if (!code) return;
        QMap<QLineEdit*, QString> longest;
        for (int record = 1; record <= records; ++record) {
            code->setText(QString::number(record));
            code->setFocus();
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, u"\r"_s);
            QCoreApplication::sendEvent(code, &enter);
            for (QLineEdit* edit : form->findChildren<QLineEdit*>()) {
                const QFontMetrics metrics(edit->font());
                if (metrics.horizontalAdvance(edit->text()) >
                    metrics.horizontalAdvance(longest.value(edit)))
                    longest[edit] = edit->text();
            }
        }
        for (auto it = longest.begin(); it != longest.end(); ++it) it.key()->setText(it.value());
        QTimer::singleShot(700, this, [file] { save(file, u"Principal"_s); });
    }

    static QString widgetOf(QWindow* window)
    {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->windowHandle() == window) return widget->objectName();
        return QString();
    }

    // Enter into whatever has the focus, as the keyboard would send it.
    void pressEnter(int afterMs)
    {
        QTimer::singleShot(afterMs, this, [] {
            QWidget* login = visibleWidget(u"Login"_s);
            QWidget* focus = login ? login->focusWidget() : nullptr;
            if (!focus) return;
            QCoreApplication::postEvent(
                focus, new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, u"\r"_s));
            QCoreApplication::postEvent(
                focus, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, u"\r"_s));
        });
    }

    // The toolbar's "Articulos", then code 1 and Enter in "Cod Interno:".
    void photographArticulos()
    {
        QWidget* main = visibleWidget(u"Principal"_s);
        auto* button = main ? main->findChild<QAbstractButton*>(u"Command6"_s) : nullptr;
        if (!button) return QCoreApplication::exit(3);
        button->click();
        QTimer::singleShot(700, this, [main] {
            auto* form = main->findChild<QWidget*>(u"Articulos"_s);
            auto* code = form ? form->findChild<QLineEdit*>(u"Text1"_s) : nullptr;
            if (!code) return QCoreApplication::exit(3);
            code->setFocus();
            typeInto(code, u"1"_s);
            QTimer::singleShot(700, main, [form] {
                saveArea(u"articulos"_s, form->parentWidget());
                QCoreApplication::exit(0);
            });
        });
    }

    // Typing as the keyboard would send it, then Enter.
    static void typeInto(QWidget* target, const QString& text)
    {
        for (QChar c : text) {
            QCoreApplication::postEvent(
                target, new QKeyEvent(QEvent::KeyPress, Qt::Key(c.toUpper().unicode()),
                                      Qt::NoModifier, QString(c)));
            QCoreApplication::postEvent(
                target, new QKeyEvent(QEvent::KeyRelease, Qt::Key(c.toUpper().unicode()),
                                      Qt::NoModifier, QString(c)));
        }
        QCoreApplication::postEvent(
            target, new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, u"\r"_s));
        QCoreApplication::postEvent(
            target, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, u"\r"_s));
    }

    // A child window as the X screen shows it.
    static void saveArea(const QString& file, QWidget* widget)
    {
        const QString folder = qEnvironmentVariable("VALDRAMENO_SCREENSHOTS", u"."_s);
        const QRect area(widget->mapToGlobal(QPoint(0, 0)), widget->size());
        const QPixmap shot =
            widget->screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
        const QString path = QDir(folder).filePath(file + u".png"_s);
        if (shot.save(path)) std::printf("%s\n", qPrintable(path));
    }

    static QWidget* visibleWidget(const QString& name)
    {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->objectName() == name && widget->isVisible()) return widget;
        return nullptr;
    }

    static void save(const QString& file, const QString& widgetName)
    {
        QWidget* widget = visibleWidget(widgetName);
        if (!widget) return;
        const QString folder = qEnvironmentVariable("VALDRAMENO_SCREENSHOTS", u"."_s);
        QDir().mkpath(folder);
        // What the X screen shows over the window, not what the widget would paint.
        const QRect area = widget->frameGeometry();
        const QPixmap shot =
            widget->screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
        const QString path = QDir(folder).filePath(file + u".png"_s);
        if (shot.save(path)) std::printf("%s\n", qPrintable(path));
    }

    bool sawLogin_ = false;
    bool sawMain_ = false;
};

}  // namespace

class ScreenshotProbe : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "screenshotprobe.json")
public:
    QObject* create(const QString&, const QString&) override { return new Photographer; }
};

#include "screenshotprobe.moc"
