// The program's wiring: the windows the main window opens and the lookup dialogs the record
// forms open, working together on the demo store.

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>

#include "admin/admin.h"
#include "app/appwindows.h"
#include "app/commandline.h"
#include "guards.h"
#include "lookups/lookups.h"
#include "scenario.h"
#include "shell/application.h"
#include "shell/login.h"
#include "shell/msgbox.h"
#include "shell/principal.h"
#include "shell/twips.h"
#include "shell/windownames.h"
#include "shell/windowregistry.h"
#include "tempstore.h"

using namespace Qt::StringLiterals;

class TestApp : public QObject {
    Q_OBJECT
    fixture::DataFolder dir_;
    QMdiArea frame_;

    // The main window with a child window open and active. The registry works in the main
    // window's frame until the test's own frame is given back, when the main window goes.
    struct MainWindow {
        QMdiArea* testFrame;
        std::unique_ptr<Principal> principal;
        QWidget* form = nullptr;
        ~MainWindow()
        {
            WindowRegistry::instance().setFrame(testFrame);
            principal.reset();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    };
    bool openInMainWindow(MainWindow& main, const QString& name)
    {
        main.principal = std::make_unique<Principal>();
        main.principal->show();
        main.principal->activateWindow();
        if (!QTest::qWaitForWindowActive(main.principal.get())) return false;
        main.form = WindowRegistry::instance().show(name);
        return main.form && main.form->isVisible();
    }

    static QStringList openMenus(Principal* principal)
    {
        QStringList open;
        for (QMenu* menu : principal->findChildren<QMenu*>())
            if (menu->isVisible()) open << menu->objectName();
        return open;
    }

private slots:
    void initTestCase()
    {
        QString out, err;
        QTextStream o(&out), e(&err);
        QCOMPARE(admin::run({u"inicializar"_s, u"--demo"_s}, o, e,
                            [](const QString&) { return QString(); }),
                 0);
        WindowRegistry::instance().setFrame(&frame_);
        registerWindows(WindowRegistry::instance());
        frame_.resize(1000, 700);
        frame_.show();
    }

    // The toolbar, the menus, the label queue and the reports name windows only through these
    // names: a name without its row in the table would leave its button opening nothing.
    void everyNamedWindowIsRegistered()
    {
        for (const WindowName& name : windownames::all)
            QVERIFY2(WindowRegistry::instance().contains(name), qPrintable(QString(name)));
    }

    void everyWrittenWindowIsRegistered()
    {
        for (const auto& name :
             {u"Articulos"_s, u"Marcas"_s, u"Rubros"_s, u"Departamentos"_s, u"Proveedores"_s,
              u"Clientes"_s, u"Calendario"_s, u"Actualizar"_s, u"Backup"_s})
            QVERIFY2(WindowRegistry::instance().contains(name), qPrintable(name));
    }

    // Where the toolbar and the menus put each window, in twips: the menus put the departments
    // and the calendar elsewhere than the toolbar does; the lists go where they first appear.
    void eachWindowHasItsPlace_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QPoint>("toolbar");
        QTest::addColumn<QPoint>("menu");
        const QPoint none(-1, -1);
        QTest::newRow("Articulos") << u"Articulos"_s << QPoint(2900, 0) << QPoint(2900, 0);
        QTest::newRow("Clientes") << u"Clientes"_s << QPoint(3100, 0) << QPoint(3100, 0);
        QTest::newRow("Proveedores") << u"Proveedores"_s << QPoint(3100, 0) << QPoint(3100, 0);
        QTest::newRow("Departamentos") << u"Departamentos"_s << QPoint(3100, 0) << QPoint(1900, 0);
        QTest::newRow("Marcas") << u"Marcas"_s << QPoint(3100, 0) << QPoint(3100, 0);
        QTest::newRow("Rubros") << u"Rubros"_s << QPoint(3100, 0) << QPoint(3100, 0);
        QTest::newRow("Etiquetas") << u"Etiquetas"_s << QPoint(3400, 0) << QPoint(3400, 0);
        QTest::newRow("Actualizar") << u"Actualizar"_s << QPoint(4200, 0) << QPoint(4200, 0);
        QTest::newRow("Backup") << u"Backup"_s << QPoint(4900, 0) << QPoint(4900, 0);
        QTest::newRow("Calendario") << u"Calendario"_s << QPoint(4500, 3050) << QPoint(4500, 3500);
        QTest::newRow("ForListaArticulos") << u"ForListaArticulos"_s << none << none;
    }
    void eachWindowHasItsPlace()
    {
        QFETCH(QString, window);
        QFETCH(QPoint, toolbar);
        QFETCH(QPoint, menu);
        const WindowRegistry& registry = WindowRegistry::instance();
        QVERIFY(registry.contains(window));
        const QPoint none(-1, -1);
        QCOMPARE(registry.positionTwips(window).value_or(none), toolbar);
        QCOMPARE(registry.positionTwips(window, WindowRegistry::At::MenuPlace).value_or(none),
                 menu);
    }

    void terminalUpdateAndBackupOpenInTheFrame_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("control");
        QTest::newRow("Actualizar") << u"Actualizar"_s << u"Actualizar"_s << u"Command14"_s;
        QTest::newRow("Backup") << u"Backup"_s << u"Backup "_s << u"txtFrom"_s;
    }
    void terminalUpdateAndBackupOpenInTheFrame()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QString, control);
        QWidget* window = WindowRegistry::instance().show(name);
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), caption);
        QVERIFY(window->findChild<QWidget*>(control));
        QVERIFY(
            frame_.subWindowList().contains(qobject_cast<QMdiSubWindow*>(window->parentWidget())));
        window->close();
    }

    void lookupFillsTheCodeAndTheFormLoadsIt_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("member");
        QTest::addColumn<bool>("byEscape");
        QTest::addColumn<QString>("search");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("name");
        QTest::newRow("brand, button")
            << u"Marcas"_s << u"ConsuMarcas"_s << false << u"ARCOR"_s << u"0002"_s << u"ARCOR"_s;
        QTest::newRow("category, Esc")
            << u"Rubros"_s << u"ConsuRubros"_s << true << u"BEBIDAS"_s << u"0003"_s << u"BEBIDAS"_s;
        QTest::newRow("department, button") << u"Departamentos"_s << u"ConsuDepartamentos"_s
                                            << false << u"BAZAR"_s << u"0002"_s << u"BAZAR"_s;
        QTest::newRow("supplier, Esc") << u"Proveedores"_s << u"ConsuProveedor"_s << true
                                       << u"LOPEZ"_s << u"0004"_s << u"LOPEZ DISTRIBUCIONES"_s;
        QTest::newRow("customer, button") << u"Clientes"_s << u"ConsuCliente"_s << false << u"ANA"_s
                                          << u"0004"_s << u"ANA LOPEZ"_s;
    }
    void lookupFillsTheCodeAndTheFormLoadsIt()
    {
        QFETCH(QString, window);
        QFETCH(QString, member);
        QFETCH(bool, byEscape);
        QFETCH(QString, search);
        QFETCH(QString, code);
        QFETCH(QString, name);
        ScriptedMessageBoxes boxes;
        QWidget* form = WindowRegistry::instance().show(window);
        QVERIFY(form);
        auto* codeBox = form->findChild<QLineEdit*>(u"Text1"_s);
        bool seen = false;
        fixture::chooseInNextLookup(this, member, search, &seen);
        if (byEscape) QTest::keyClick(codeBox, Qt::Key_Escape);
        else QTest::mouseClick(form->findChild<QPushButton*>(u"Command5"_s), Qt::LeftButton);
        QVERIFY(seen);
        QCOMPARE(codeBox->text(), code);
        QTest::keyClick(codeBox, Qt::Key_Return);
        QCOMPARE(form->findChild<QLineEdit*>(u"Text2"_s)->text(), name);
        QVERIFY(boxes.shown().isEmpty());
        form->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!WindowRegistry::instance().openWindow(window));
    }

    void childAcceleratorsGoBeforeTheMenus_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("code");  // the code field afterwards
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QStringList>("menus");  // menus open afterwards
        // Before a look-up the customers follow in table order: 0001 to 0050.
        QTest::newRow("Alt+S presses Siguiente")
            << u"Clientes"_s << int(Qt::Key_S) << u"0002"_s << QStringList() << QStringList();
        QTest::newRow("Alt+A presses Anterior")
            << u"Clientes"_s << int(Qt::Key_A) << u"0050"_s
            << QStringList{u"Comienzo del Archivo, Aceptar para ir al Ultimo Registro"_s}
            << QStringList();
        QTest::newRow("Alt+N presses Nuevo")
            << u"Proveedores"_s << int(Qt::Key_N) << u"0021"_s << QStringList() << QStringList();
        QTest::newRow("Alt+V is the menu's") << u"Clientes"_s << int(Qt::Key_V) << u"0001"_s
                                             << QStringList() << QStringList{u"mnuVentanas"_s};
        QTest::newRow("Alt+S in a form without Siguiente is the menu's")
            << u"Proveedores"_s << int(Qt::Key_S) << u"0001"_s << QStringList()
            << QStringList{u"mnuSalirMenu"_s};
    }
    void childAcceleratorsGoBeforeTheMenus()
    {
        QFETCH(QString, window);
        QFETCH(int, key);
        QFETCH(QString, code);
        QFETCH(QStringList, boxes);
        QFETCH(QStringList, menus);
        ScriptedMessageBoxes msg;
        QList<int> exits;
        fixture::ExitHandlerGuard exitHandler([&exits](int exitCode) { exits << exitCode; });
        MainWindow main{&frame_, {}, nullptr};
        QVERIFY(openInMainWindow(main, window));
        auto* codeBox = main.form->findChild<QLineEdit*>(u"Text1"_s);
        QTest::keyClicks(codeBox, u"1"_s);
        QTest::keyClick(codeBox, Qt::Key_Return);
        auto* name = main.form->findChild<QLineEdit*>(u"Text2"_s);
        QCOMPARE(QApplication::focusWidget(), name);
        QTest::keyClicks(name, u"x"_s);
        QTest::keyClick(name, Qt::Key(key), Qt::AltModifier);
        // The button is pressed at once and clicked a moment later.
        for (auto* button : main.form->findChildren<QPushButton*>()) QTRY_VERIFY(!button->isDown());
        QCOMPARE(codeBox->text(), code);
        QStringList shown;
        for (const auto& box : msg.shown()) shown << box.prompt;
        QCOMPARE(shown, boxes);
        QCOMPARE(openMenus(main.principal.get()), menus);
        for (QMenu* menu : main.principal->findChildren<QMenu*>()) menu->close();
        QVERIFY(exits.isEmpty());
    }

    void altWithoutAcceleratorTypesNothing_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("text");
        QTest::newRow("Alt+X") << int(Qt::Key_X) << u"x"_s;
        QTest::newRow("Alt+Q") << int(Qt::Key_Q) << u"q"_s;
        QTest::newRow("Alt+.") << int(Qt::Key_Period) << u"."_s;
        QTest::newRow("Alt+1") << int(Qt::Key_1) << u"1"_s;
    }
    void altWithoutAcceleratorTypesNothing()
    {
        QFETCH(int, key);
        QFETCH(QString, text);
        ScriptedMessageBoxes msg;
        MainWindow main{&frame_, {}, nullptr};
        QVERIFY(openInMainWindow(main, u"Proveedores"_s));
        auto* name = main.form->findChild<QLineEdit*>(u"Text2"_s);
        name->setFocus();
        QTest::keyClicks(name, u"distribuciones"_s);
        // As the platform sends it: the key with its character and the Alt modifier.
        QTest::sendKeyEvent(QTest::Click, name, Qt::Key(key), text, Qt::AltModifier);
        QCOMPARE(name->text(), u"DISTRIBUCIONES"_s);
        QCOMPARE(openMenus(main.principal.get()), QStringList());
        QVERIFY(msg.shown().isEmpty());
    }

    void enterOnAFocusedButtonPressesIt()
    {
        ScriptedMessageBoxes msg;
        MainWindow main{&frame_, {}, nullptr};
        QVERIFY(openInMainWindow(main, u"Proveedores"_s));
        auto* nuevo = main.form->findChild<QPushButton*>(u"cmdNuevo"_s);
        QTest::mouseClick(nuevo, Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), nuevo);
        QTest::keyClick(nuevo, Qt::Key_Tab);
        auto* grabar = main.form->findChild<QPushButton*>(u"cmdGrabar"_s);
        QCOMPARE(QApplication::focusWidget(), grabar);
        QTest::keyClick(grabar, Qt::Key_Return);
        QCOMPARE(msg.shown().size(), 1);
        QCOMPARE(msg.shown().constFirst().prompt,
                 u"Proveedor Guardado, Precione Aceptar para Continuar"_s);
        // Enter on the focused Nuevo proposes the next code, as a click would.
        nuevo->setFocus();
        QTest::keyClick(nuevo, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(main.form->findChild<QLineEdit*>(u"Text1"_s)->text(), u"0022"_s);
    }

    // Through the accessibility interface, as a screen reader hears each window: every box that
    // takes input has a name of its own, not nothing and not its frame's title.
    // The entry boxes of `window` (visible ones) that a screen reader hears by no caption of
    // their own, and how many boxes it hears.
    static QStringList unnamedBoxes(QWidget* window, int* boxes)
    {
        QStringList unnamed;
        std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
            for (int i = 0; node && i < node->childCount(); ++i) {
                QAccessibleInterface* child = node->child(i);
                if (!child) continue;
                const QAccessible::Role role = child->role();
                auto* widget = qobject_cast<QWidget*>(child->object());
                const bool input = role == QAccessible::EditableText ||
                                   role == QAccessible::ComboBox || role == QAccessible::SpinBox ||
                                   role == QAccessible::CheckBox;
                if (input && widget && widget->isVisibleTo(window) && !child->state().invisible) {
                    ++*boxes;
                    const QString name = child->text(QAccessible::Name).trimmed();
                    // A frame's title names a box only when the box is all the frame holds.
                    QString frameTitle;
                    for (QWidget* w = widget->parentWidget(); w && frameTitle.isEmpty();
                         w = w->parentWidget())
                        if (auto* frame = qobject_cast<QGroupBox*>(w);
                            frame && frame->findChildren<QLineEdit*>().size() > 1)
                            frameTitle = frame->title();
                    if (name.isEmpty() || name == frameTitle)
                        unnamed << widget->objectName() + u" \""_s + name + u'"';
                }
                if (role != QAccessible::ComboBox && role != QAccessible::SpinBox) walk(child);
            }
        };
        walk(QAccessible::queryAccessibleInterface(window));
        return unnamed;
    }

    void everyBoxIsHeardByACaption_data()
    {
        QTest::addColumn<QString>("window");
        for (const char* window :
             {"Articulos", "Clientes", "Proveedores", "Marcas", "Rubros", "Departamentos",
              "Etiquetas", "Actualizar", "Backup", "ActualizacionPrecios", "ForListaArticulos",
              "ForListaClientes", "ForListaProveedores", "ForListaDepartamentos",
              "ForListaEtiqueta"})
            QTest::newRow(window) << QString::fromLatin1(window);
    }
    void everyBoxIsHeardByACaption()
    {
        QFETCH(QString, window);
        ScriptedMessageBoxes msg;
        MainWindow main{&frame_, {}, nullptr};
        QVERIFY(openInMainWindow(main, window));
        int boxes = 0;
        const QStringList unnamed = unnamedBoxes(main.form, &boxes);
        // The terminal update has buttons only.
        QVERIFY(boxes > 0 || window == u"Actualizar"_s);
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u", "_s)));
    }

    // The same for the login and every lookup dialog.
    void dialogBoxesAreHeardByACaption()
    {
        ScriptedMessageBoxes msg;
        Login login([](const QString&) {});
        login.show();
        int boxes = 0;
        QStringList unnamed = unnamedBoxes(&login, &boxes);
        QVERIFY(boxes >= 2);
        QLineEdit target;
        for (const lookups::Member& member : lookups::members()) {
            lookups::LookupDialog dialog(member, &target);
            dialog.show();
            boxes = 0;
            for (const QString& box : unnamedBoxes(&dialog, &boxes))
                unnamed << member.name + u": "_s + box;
            QVERIFY2(boxes > 0, qPrintable(member.name));
        }
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u", "_s)));
    }

    // Pasted line breaks and tabs become spaces in every one-line box, before the form (and so
    // the file) has the text; a spin box keeps its own validator.
    void pastedLineBreaksBecomeSpaces()
    {
        ScriptedMessageBoxes msg;
        MainWindow main{&frame_, {}, nullptr};
        QVERIFY(openInMainWindow(main, u"Proveedores"_s));
        auto* name = main.form->findChild<QLineEdit*>(u"Text2"_s);
        name->setFocus();
        QApplication::clipboard()->setText(u"DISTRIBUIDORA\r\nDEL\tSUR"_s);
        QTest::keyClick(name, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(name->text(), u"DISTRIBUIDORA  DEL SUR"_s);
        name->insert(u"\nX"_s);
        QCOMPARE(name->text(), u"DISTRIBUIDORA  DEL SUR X"_s);

        QSpinBox spin;
        spin.show();
        auto* spinEdit = spin.findChild<QLineEdit*>();
        QVERIFY(spinEdit && spinEdit->validator());
        QVERIFY(spinEdit->validator() != name->validator());
    }

    void partyFormsShowTheirFieldsWhole_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<int>("records");
        QTest::newRow("suppliers") << u"Proveedores"_s << 20;
        QTest::newRow("customers") << u"Clientes"_s << 50;
    }
    void partyFormsShowTheirFieldsWhole()
    {
        QFETCH(QString, window);
        QFETCH(int, records);
        ScriptedMessageBoxes msg;
        MainWindow main{&frame_, {}, nullptr};
        QVERIFY(openInMainWindow(main, window));
        QList<QLineEdit*> boxes;
        for (auto* edit : main.form->findChildren<QLineEdit*>())
            if (edit->objectName() != u"Text17" && edit->isVisible()) boxes << edit;
        QVERIFY(boxes.size() >= 10);
        for (QLineEdit* edit : boxes) {
            // As wide as its characters need: as many digits as the field holds fit in it.
            const QString full(edit->maxLength(), u'0');
            QVERIFY2(room(edit) >= edit->fontMetrics().horizontalAdvance(full),
                     qPrintable(edit->objectName()));
        }
        auto* code = main.form->findChild<QLineEdit*>(u"Text1"_s);
        auto* name = main.form->findChild<QLineEdit*>(u"Text2"_s);
        QVERIFY(code->width() * 3 < name->width());
        // Placed where it is seen whole: moved back from its place when the room there is short.
        const QWidget* sub = main.form->parentWidget();
        const QSize space = main.principal->findChild<QMdiArea*>()->viewport()->size();
        if (sub->width() <= space.width()) QVERIFY(sub->geometry().right() < space.width());
        // Every record of the demo store shows whole.
        for (int record = 1; record <= records; ++record) {
            code->setFocus();
            code->setText(QString::number(record));
            QTest::keyClick(code, Qt::Key_Return);
            QCOMPARE(name->text().isEmpty(), false);
            for (QLineEdit* edit : boxes)
                QVERIFY2(room(edit) >= edit->fontMetrics().horizontalAdvance(edit->text()),
                         qPrintable(edit->objectName() + u": "_s + edit->text()));
        }
        QVERIFY(msg.shown().isEmpty());
    }

    // The width a line edit has for its text.
    static int room(const QLineEdit* edit)
    {
        const int frame =
            2 * edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, edit);
        const QMargins margins = edit->textMargins();
        return edit->width() - frame - 4 - margins.left() - margins.right();
    }

    // A child window opens inside the frame's visible area: a list viewer larger than it is
    // made to fit, and one without a place of its own is kept inside.
    void childWindowsOpenInsideTheFrame_data()
    {
        QTest::addColumn<QString>("window");
        QTest::newRow("list viewer") << u"ForListaArticulos"_s;
        QTest::newRow("label viewer") << u"ForListaEtiqueta"_s;
        QTest::newRow("label queue") << u"Etiquetas"_s;
    }
    void childWindowsOpenInsideTheFrame()
    {
        QFETCH(QString, window);
        ScriptedMessageBoxes msg;
        MainWindow main{&frame_, {}, nullptr};
        main.principal = std::make_unique<Principal>();
        main.principal->resize(800, 560);
        QVERIFY(fixture::activate(main.principal.get()));
        QWidget* form = WindowRegistry::instance().show(window);
        QVERIFY(form);
        auto* sub = qobject_cast<QMdiSubWindow*>(form->parentWidget());
        QVERIFY(sub);
        const QRect visible(QPoint(0, 0), sub->mdiArea()->viewport()->size());
        QVERIFY2(visible.contains(sub->geometry()) || sub->minimumSize() == sub->size(),
                 qPrintable(u"%1,%2 %3x%4 in %5x%6"_s.arg(sub->x())
                                .arg(sub->y())
                                .arg(sub->width())
                                .arg(sub->height())
                                .arg(visible.width())
                                .arg(visible.height())));
        QVERIFY(sub->x() >= 0 && sub->y() >= 0);
    }

    void arrangingNeverSquashesAForm()
    {
        ScriptedMessageBoxes msg;
        MainWindow main{&frame_, {}, nullptr};
        QVERIFY(openInMainWindow(main, u"Clientes"_s));
        const QStringList names = {u"Clientes"_s, u"Proveedores"_s, u"Marcas"_s};
        QMap<QString, QSize> sizes;
        for (const QString& name : names) {
            QWidget* form = WindowRegistry::instance().show(name);
            QVERIFY(form);
            sizes[name] = form->size();
        }
        auto whole = [&](const QString& step) {
            for (const QString& name : names) {
                QWidget* form = WindowRegistry::instance().openWindow(name);
                const QString where = step + u' ' + name;
                QVERIFY2(form->size() == sizes[name], qPrintable(where));
                const QSize inside = form->parentWidget()->contentsRect().size();
                QVERIFY2(inside.width() >= form->width() && inside.height() >= form->height(),
                         qPrintable(where));
            }
        };
        for (const char* item : {"mnuMosaico", "mnuCascada", "mnuMosaico"}) {
            main.principal->findChild<QAction*>(QString::fromLatin1(item))->trigger();
            whole(QString::fromLatin1(item));
        }
        for (const QString& name : names) WindowRegistry::instance().show(name);
        whole(u"shown again"_s);
        // Minimised, a child window still shrinks to its title bar.
        auto* sub = qobject_cast<QMdiSubWindow*>(
            WindowRegistry::instance().openWindow(u"Clientes"_s)->parentWidget());
        sub->showMinimized();
        QVERIFY(sub->height() < sizes[u"Clientes"_s].height());
        QVERIFY(msg.shown().isEmpty());
    }

    void catalogueSaveReopensThroughTheRegistry()
    {
        ScriptedMessageBoxes boxes;
        QPointer<QWidget> first = WindowRegistry::instance().show(u"Marcas"_s);
        QTest::mouseClick(first->findChild<QPushButton*>(u"cmdNuevo"_s), Qt::LeftButton);
        QCOMPARE(first->findChild<QLineEdit*>(u"Text1"_s)->text(), u"0011"_s);
        QTest::keyClicks(first->findChild<QLineEdit*>(u"Text2"_s), u"nueva marca"_s);
        QTest::mouseClick(first->findChild<QPushButton*>(u"cmdGrabar"_s), Qt::LeftButton);
        QCOMPARE(boxes.shown().size(), 1);
        QCOMPARE(boxes.shown().last().prompt, u"Marca Guardada, Precione Aceptar para Continuar"_s);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!first);
        // The fresh form comes once the old one is gone.
        QTRY_VERIFY(WindowRegistry::instance().openWindow(u"Marcas"_s));
        QWidget* reopened = WindowRegistry::instance().openWindow(u"Marcas"_s);
        // A blank brand form, at the place a saved brand form comes back to.
        QCOMPARE(reopened->objectName(), u"Marcas"_s);
        QVERIFY(reopened->isVisible());
        QCOMPARE(reopened->parentWidget()->pos(), twips::point(3100, 0));
        QVERIFY(reopened->findChild<QLineEdit*>(u"Text1"_s)->text().isEmpty());
        QVERIFY(reopened->findChild<QLineEdit*>(u"Text2"_s)->text().isEmpty());
        reopened->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        auto* check = WindowRegistry::instance().show(u"Marcas"_s);
        auto* codeBox = check->findChild<QLineEdit*>(u"Text1"_s);
        QTest::keyClicks(codeBox, u"11"_s);
        QTest::keyClick(codeBox, Qt::Key_Return);
        QCOMPARE(check->findChild<QLineEdit*>(u"Text2"_s)->text(), u"NUEVA MARCA"_s);
        check->close();
    }

    void versionAndHelpAnswerBeforeAnyWindow_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("start");
        QTest::newRow("version") << QStringList{u"--version"_s} << u"valdrameno 0."_s;
        QTest::newRow("help") << QStringList{u"--help"_s} << u"Uso: valdrameno"_s;
        QTest::newRow("short help") << QStringList{u"-h"_s} << u"Uso: valdrameno"_s;
        QTest::newRow("after a Qt option")
            << QStringList{u"-style"_s, u"fusion"_s, u"--version"_s} << u"valdrameno 0."_s;
        QTest::newRow("nothing asked") << QStringList() << QString();
        QTest::newRow("Qt options only") << QStringList{u"-style"_s, u"fusion"_s} << QString();
    }
    void versionAndHelpAnswerBeforeAnyWindow()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, start);
        QString text;
        QTextStream out(&text);
        const std::optional<int> code = answerCommandLine(args, out);
        out.flush();
        QCOMPARE(code.has_value(), !start.isEmpty());
        if (start.isEmpty()) {
            QVERIFY(text.isEmpty());
            return;
        }
        QCOMPARE(*code, 0);
        QVERIFY2(text.startsWith(start), qPrintable(text));
    }

    // Qt's dialogs speak the program's Spanish: its own translation, installed by the
    // application after Qt's, covers what Qt's Spanish leaves in English or says otherwise.
    void qtDialogsSpeakTheStoresSpanish_data()
    {
        QTest::addColumn<QString>("context");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("disambiguation");
        QTest::addColumn<QString>("expected");
        QTest::newRow("file chooser, Type column") << u"QAbstractFileIconProvider"_s << u"Folder"_s
                                                   << u"All other platforms"_s << u"Carpeta"_s;
        QTest::newRow("file chooser")
            << u"QFileDialog"_s << u"File &name:"_s << QString() << u"&Nombre de archivo:"_s;
        QTest::newRow("file list") << u"QFileSystemModel"_s << u"Invalid filename"_s << QString()
                                   << u"Nombre de archivo no válido"_s;
        QTest::newRow("print dialog") << u"QPrintDialog"_s << u"Print To File ..."_s << QString()
                                      << u"Imprimir a un archivo..."_s;
        QTest::newRow("print dialog, range")
            << u"QPrintSettingsOutput"_s << u"Pages"_s << QString() << u"Páginas"_s;
        QTest::newRow("page setup")
            << u"QPageSetupWidget"_s << u"Landscape"_s << QString() << u"Horizontal"_s;
        QTest::newRow("Qt's own Spanish still answers")
            << u"QPageSetupWidget"_s << u"Portrait"_s << QString() << u"Vertical"_s;
    }
    void qtDialogsSpeakTheStoresSpanish()
    {
        QFETCH(QString, context);
        QFETCH(QString, source);
        QFETCH(QString, disambiguation);
        QFETCH(QString, expected);
        const QByteArray c = context.toUtf8(), s = source.toUtf8(), d = disambiguation.toUtf8();
        QCOMPARE(QCoreApplication::translate(c.constData(), s.constData(),
                                             d.isEmpty() ? nullptr : d.constData()),
                 expected);
    }

    // The same, read from the dialogs themselves as the user meets them.
    void qtDialogsShowTheStoresSpanish()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        QCOMPARE(QFileIconProvider().type(QFileInfo(folder.path())), u"Carpeta"_s);

        QFileDialog chooser(nullptr, QString(), folder.path());
        chooser.setOption(QFileDialog::DontUseNativeDialog);
        auto* nameLabel = chooser.findChild<QLabel*>(u"fileNameLabel"_s);
        QVERIFY(nameLabel);
        QCOMPARE(nameLabel->text(), u"&Nombre de archivo:"_s);

        QPrinter printer(QPrinter::HighResolution);
        QPrintDialog print(&printer);
        auto* pages = print.findChild<QRadioButton*>(u"pagesRadioButton"_s);
        QVERIFY(pages);
        QCOMPARE(pages->text(), u"Páginas"_s);
    }

    void displayNeededByThePlatform_data()
    {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<QString>("x11");
        QTest::addColumn<QString>("wayland");
        QTest::addColumn<bool>("available");
        QTest::newRow("nothing") << QString() << QString() << QString() << false;
        QTest::newRow("X") << QString() << u":0"_s << QString() << true;
        QTest::newRow("Wayland") << QString() << QString() << u"wayland-0"_s << true;
        QTest::newRow("xcb without X") << u"xcb"_s << QString() << u"wayland-0"_s << false;
        QTest::newRow("xcb with X") << u"xcb"_s << u":1"_s << QString() << true;
        QTest::newRow("wayland without Wayland") << u"wayland"_s << u":0"_s << QString() << false;
        QTest::newRow("either, X there") << u"wayland;xcb"_s << u":0"_s << QString() << true;
        QTest::newRow("offscreen") << u"offscreen"_s << QString() << QString() << true;
        QTest::newRow("xcb with options") << u"xcb:nomitshm"_s << QString() << QString() << false;
        // The probe says no display named "gone" answers.
        QTest::newRow("X that does not answer") << QString() << u"gone"_s << QString() << false;
        QTest::newRow("Wayland that does not answer, X there")
            << QString() << u":0"_s << u"gone"_s << true;
        QTest::newRow("xcb, X that does not answer")
            << u"xcb"_s << u"gone"_s << u"wayland-0"_s << false;
    }
    void displayNeededByThePlatform()
    {
        QFETCH(QString, platform);
        QFETCH(QString, x11);
        QFETCH(QString, wayland);
        QFETCH(bool, available);
        QProcessEnvironment env;
        if (!platform.isEmpty()) env.insert(u"QT_QPA_PLATFORM"_s, platform);
        if (!x11.isEmpty()) env.insert(u"DISPLAY"_s, x11);
        if (!wayland.isEmpty()) env.insert(u"WAYLAND_DISPLAY"_s, wayland);
        const QString message =
            missingDisplay(env, [](DisplayKind, const QString& display,
                                   const QProcessEnvironment&) { return display != u"gone"; });
        QCOMPARE(message.isEmpty(), available);
        if (!available)
            QVERIFY2(message.startsWith(u"No hay ninguna pantalla gráfica disponible"_s),
                     qPrintable(message));
    }

    // Started with no display, the program says so in Spanish and ends with 1, where Qt alone
    // would abort.
    void programWithoutDisplaySaysSo_data()
    {
        QTest::addColumn<QString>("platform");
        QTest::newRow("no platform named") << QString();
        QTest::newRow("xcb") << u"xcb"_s;
        // An X display that nothing serves, as after logging in remotely without one.
        QTest::newRow("display that does not answer") << u"unix:97"_s;
    }
    void programWithoutDisplaySaysSo()
    {
        QFETCH(QString, platform);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString& name : {u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s})
            env.remove(name);
        if (platform.startsWith(u"unix:")) env.insert(u"DISPLAY"_s, platform);
        else if (!platform.isEmpty()) env.insert(u"QT_QPA_PLATFORM"_s, platform);
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(QString::fromUtf8(PROGRAM_PATH), QStringList());
        QVERIFY(program.waitForFinished(60000));
        const QString errors = QString::fromUtf8(program.readAllStandardError());
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 1);
        QVERIFY2(errors.contains(u"No hay ninguna pantalla gráfica disponible"_s),
                 qPrintable(errors));
    }
};

int main(int argc, char** argv)
{
    // The program's own application object, with its keyboard rules.
    ShellApplication app(argc, argv);
    TestApp test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_app.moc"
