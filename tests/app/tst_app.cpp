// The program's wiring: the windows the main window opens and the lookup dialogs the record
// forms open, working together on the demo store.

#include <QApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "admin.h"
#include "appwindows.h"
#include "msgbox.h"
#include "windowregistry.h"

using namespace Qt::StringLiterals;

class TestApp : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QMdiArea frame_;

    // Answers the next modal lookup dialog by searching `text` and choosing the first row.
    void chooseInNextLookup(const QString& member, const QString& text, bool* seen)
    {
        QTimer::singleShot(0, this, [=] {
            QWidget* dialog = QApplication::activeModalWidget();
            if (!dialog || dialog->objectName() != member) return;
            *seen = true;
            auto* box = dialog->findChild<QLineEdit*>(u"Text1"_s);
            box->clear();
            QTest::keyClicks(box, text);
            QTest::keyClick(box, Qt::Key_Return);
            QTest::keyClick(dialog->findChild<QWidget*>(u"MSFlexGrid1"_s), Qt::Key_Return);
        });
    }

private slots:
    void initTestCase()
    {
        qputenv("XDG_DATA_HOME", dir_.path().toUtf8());
        QString out, err;
        QTextStream o(&out), e(&err);
        QCOMPARE(admin::run({u"inicializar"_s, u"--demo"_s}, o, e, [](const QString&) { return QString(); }), 0);
        WindowRegistry::instance().setFrame(&frame_);
        registerWindows(WindowRegistry::instance());
        frame_.resize(1000, 700);
        frame_.show();
    }

    void everyWrittenWindowIsRegistered()
    {
        for (const auto& name : {u"Articulos"_s, u"Marcas"_s, u"Rubros"_s, u"Departamentos"_s, u"Proveedores"_s,
                                 u"Clientes"_s, u"Calendario"_s})
            QVERIFY2(WindowRegistry::instance().contains(name), qPrintable(name));
    }

    void lookupFillsTheCodeAndTheFormLoadsIt_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("member");
        QTest::addColumn<bool>("byEscape");
        QTest::addColumn<QString>("search");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("name");
        QTest::newRow("brand, button") << u"Marcas"_s << u"ConsuMarcas"_s << false << u"ARCOR"_s << u"0002"_s << u"ARCOR"_s;
        QTest::newRow("category, Esc") << u"Rubros"_s << u"ConsuRubros"_s << true << u"BEBIDAS"_s << u"0003"_s << u"BEBIDAS"_s;
        QTest::newRow("department, button") << u"Departamentos"_s << u"ConsuDepartamentos"_s << false << u"BAZAR"_s << u"0002"_s << u"BAZAR"_s;
        QTest::newRow("supplier, Esc") << u"Proveedores"_s << u"ConsuProveedor"_s << true << u"LOPEZ"_s << u"0004"_s << u"LOPEZ DISTRIBUCIONES"_s;
        QTest::newRow("customer, button") << u"Clientes"_s << u"ConsuCliente"_s << false << u"ANA"_s << u"0004"_s << u"ANA LOPEZ"_s;
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
        QWidget* form = WindowRegistry::instance().show(window, QPoint(3100, 0));
        QVERIFY(form);
        auto* codeBox = form->findChild<QLineEdit*>(u"Text1"_s);
        bool seen = false;
        chooseInNextLookup(member, search, &seen);
        if (byEscape)
            QTest::keyClick(codeBox, Qt::Key_Escape);
        else
            QTest::mouseClick(form->findChild<QPushButton*>(u"Command5"_s), Qt::LeftButton);
        QVERIFY(seen);
        QCOMPARE(codeBox->text(), code);
        QTest::keyClick(codeBox, Qt::Key_Return);
        QCOMPARE(form->findChild<QLineEdit*>(u"Text2"_s)->text(), name);
        QVERIFY(boxes.shown().isEmpty());
        form->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!WindowRegistry::instance().openWindow(window));
    }

    void catalogueSaveReopensThroughTheRegistry()
    {
        ScriptedMessageBoxes boxes;
        QPointer<QWidget> first = WindowRegistry::instance().show(u"Marcas"_s, QPoint(3100, 0));
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
        QVERIFY(reopened != first.data());
        QVERIFY(reopened->findChild<QLineEdit*>(u"Text1"_s)->text().isEmpty());
        reopened->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        auto* check = WindowRegistry::instance().show(u"Marcas"_s, QPoint(3100, 0));
        auto* codeBox = check->findChild<QLineEdit*>(u"Text1"_s);
        QTest::keyClicks(codeBox, u"11"_s);
        QTest::keyClick(codeBox, Qt::Key_Return);
        QCOMPARE(check->findChild<QLineEdit*>(u"Text2"_s)->text(), u"NUEVA MARCA"_s);
        check->close();
    }
};

QTEST_MAIN(TestApp)
#include "tst_app.moc"
