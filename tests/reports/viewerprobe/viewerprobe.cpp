// A Qt generic plugin that scripts/screenshots loads into the real program running under Xvfb:
// it logs in, queues a few labels in the label form, opens the four lists from the
// "&Listados" menu and the three label sheets from "Imprimir", photographs each viewer and ends
// the program. The pictures go to the folder named by VALDRAMENO_SCREENSHOTS.

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGenericPlugin>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <cstdio>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

QWidget* visibleWidget(const QString& name)
{
    for (QWidget* widget : QApplication::allWidgets())
        if (widget->objectName() == name && widget->isVisible()) return widget;
    return nullptr;
}

void press(QWidget* target, Qt::Key key, const QString& text)
{
    if (!target) return;
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, text));
    QCoreApplication::postEvent(target,
                                new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, text));
}

class Photographer : public QObject {
public:
    Photographer()
    {
        qApp->installEventFilter(this);
        QTimer::singleShot(90000, this, [] {
            std::fprintf(stderr, "screenshots: los visores no terminaron\n");
            QCoreApplication::exit(2);
        });
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Expose) return false;
        auto* window = qobject_cast<QWindow*>(watched);
        if (!window || !window->isExposed()) return false;
        if (visibleWidget(u"Login"_s) && !sawLogin_) {
            sawLogin_ = true;
            QTimer::singleShot(700, this, [] {
                if (QWidget* login = visibleWidget(u"Login"_s)) login->activateWindow();
                for (int i = 0; i < 3; ++i)
                    QTimer::singleShot(i * 300, [] {
                        QWidget* login = visibleWidget(u"Login"_s);
                        press(login ? login->focusWidget() : nullptr, Qt::Key_Return, u"\r"_s);
                    });
            });
        } else if (visibleWidget(u"Principal"_s) && !sawMain_) {
            sawMain_ = true;
            QTimer::singleShot(1000, this, [this] { script(); });
        }
        return false;
    }

private:
    // Steps run one after the other, `ms` apart.
    void then(int ms, std::function<void()> step) { steps_.push_back({ms, std::move(step)}); }
    void next()
    {
        if (steps_.empty()) {
            QCoreApplication::exit(0);
            return;
        }
        auto [ms, step] = steps_.front();
        steps_.erase(steps_.begin());
        QTimer::singleShot(ms, this, [this, step] {
            step();
            next();
        });
    }

    void script()
    {
        then(0, [] { click(u"Command4"_s); });
        for (const QString& code : {u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s, u"7"_s}) {
            then(300, [code] {
                auto* field = qobject_cast<QLineEdit*>(visibleWidget(u"Text1"_s));
                if (!field) return;
                field->setFocus();
                field->setText(code);
                press(field, Qt::Key_Return, u"\r"_s);
            });
            // The queued message is answered as soon as it shows.
            then(300, [this] {
                QTimer::singleShot(300, this, [] {
                    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                        box->accept();
                });
                click(u"cmdNuevo"_s);
            });
        }
        const QString sheets[] = {u"etiqueta-chica"_s, u"etiqueta-mediana"_s, u"etiqueta-grande"_s};
        for (int size = 0; size < 3; ++size) {
            then(500, [size] {
                if (auto* combo = qobject_cast<QComboBox*>(visibleWidget(u"Combo1"_s)))
                    combo->setCurrentIndex(size);
                click(u"cmdImprimir"_s);
            });
            then(2500, [this, name = sheets[size]] { save(name); });
            then(0, [] { closeActive(); });
        }
        const QString lists[][2] = {{u"mnuListArticulos"_s, u"lista-articulos"_s},
                                    {u"mnuListClientes"_s, u"lista-clientes"_s},
                                    {u"mnuListProveedores"_s, u"lista-proveedores"_s},
                                    {u"mnuListDepartamentos"_s, u"lista-departamentos"_s}};
        for (const auto& list : lists) {
            then(500, [action = list[0]] {
                for (QAction* a : visibleWidget(u"Principal"_s)->findChildren<QAction*>())
                    if (a->objectName() == action) a->trigger();
            });
            then(2500, [this, name = list[1]] { save(name); });
            then(0, [] { closeActive(); });
        }
        next();
    }

    static void click(const QString& name)
    {
        if (auto* button = qobject_cast<QAbstractButton*>(visibleWidget(name))) button->click();
    }

    static void closeActive()
    {
        if (auto* area = qobject_cast<QMdiArea*>(visibleWidget(u"frame"_s)))
            if (QMdiSubWindow* active = area->activeSubWindow()) active->close();
    }

    // The active child window, maximised inside the main window, as the screen shows it.
    static void save(const QString& file)
    {
        QWidget* main = visibleWidget(u"Principal"_s);
        auto* area = qobject_cast<QMdiArea*>(visibleWidget(u"frame"_s));
        QMdiSubWindow* active = area ? area->activeSubWindow() : nullptr;
        if (!active) return;
        active->showMaximized();
        QApplication::processEvents();
        const QString folder = qEnvironmentVariable("VALDRAMENO_SCREENSHOTS", u"."_s);
        QDir().mkpath(folder);
        const QRect place = main->frameGeometry();
        const QPixmap shot =
            main->screen()->grabWindow(0, place.x(), place.y(), place.width(), place.height());
        const QString path = QDir(folder).filePath(file + u".png"_s);
        if (shot.save(path)) std::printf("%s\n", qPrintable(path));
    }

    bool sawLogin_ = false;
    bool sawMain_ = false;
    std::vector<std::pair<int, std::function<void()>>> steps_;
};

}  // namespace

class ViewerProbe : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "viewerprobe.json")
public:
    QObject* create(const QString&, const QString&) override { return new Photographer; }
};

#include "viewerprobe.moc"
