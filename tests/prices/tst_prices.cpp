// The price change window, driven from the keyboard.

#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QPointer>
#include <QProcess>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>

#include "articles/articulos.h"
#include "distribution/distributionwindows.h"
#include "guards.h"
#include "labels/etiquetas.h"
#include "prices/actualizacionprecios.h"
#include "prices/historialprecios.h"
#include "scenario.h"
#include "shell/dialogs.h"
#include "shell/keyboard.h"
#include "shell/windowregistry.h"
#include "tempstore.h"

using namespace Qt::StringLiterals;
using prices::ActualizacionPrecios;

namespace {

const QString kTitle = u"Actualización de Precios"_s;

QVariantMap article(const QString& description, const QString& supplier, double cost,
                    const QString& barcode)
{
    return {{u"descripcion"_s, description},
            {u"codp"_s, supplier},
            {u"codbarra"_s, barcode},
            {u"cos"_s, cost},
            {u"iva"_s, 21.0},
            {u"net"_s, cost / 1.21},
            {u"rec1"_s, 30.0},
            {u"rec2"_s, 50.0},
            {u"rec3"_s, 10.0},
            {u"lis1"_s, cost * 1.3},
            {u"lis2"_s, cost * 1.5},
            {u"lis3"_s, cost * 1.1}};
}

QStringList stored(const QStringList& fields = {u"codigo"_s, u"cos"_s, u"lis1"_s})
{
    return fixture::DataFolder::rows(u"Articulos.mdb"_s, fields);
}

}  // namespace

class TestPrices : public QObject {
    Q_OBJECT

private:
    QMdiArea frame_;
    std::optional<fixture::RegistryGuard> registry_;
    std::optional<fixture::DataFolder> folder_;

    ActualizacionPrecios* open()
    {
        auto* window = qobject_cast<ActualizacionPrecios*>(
            WindowRegistry::instance().show(u"ActualizacionPrecios"_s));
        if (window) fixture::activate(window);
        return window;
    }

private slots:
    void initTestCase()
    {
        registry_.emplace(&frame_);
        prices::registerPriceWindows(WindowRegistry::instance());
        registerDistributionWindows(WindowRegistry::instance());
        registerArticleWindows(WindowRegistry::instance());
        registerLabelWindows(WindowRegistry::instance());
        frame_.resize(1200, 900);
        frame_.show();
    }

    void init()
    {
        folder_.emplace();
        for (const QString& file :
             {u"Opcion.mdb"_s, u"Etiquetas.mdb"_s, u"Marcas.mdb"_s, u"Rubros.mdb"_s})
            folder_->create(file);
        folder_->create(u"Proveedores.mdb"_s,
                        {{{u"COD_PROV"_s, u"0003"_s}, {u"RAZON_SOC"_s, u"DISTRIBUIDORA SUR"_s}}});
        folder_->create(u"Articulos.mdb"_s,
                        {article(u"YERBA 1 KG"_s, u"0003"_s, 1000, u"7790000000011"_s),
                         article(u"AZÚCAR 1 KG"_s, u"0003"_s, 500, u"7790000000028"_s),
                         article(u"SIN COSTO"_s, u"0003"_s, 0, u"7790000000035"_s),
                         article(u"OTRO PROVEEDOR"_s, u"0004"_s, 100, u"7790000000042"_s)});
    }

    void cleanup()
    {
        ScriptedMessageBoxes leave;
        for (const QString& name :
             {u"ActualizacionPrecios"_s, u"Actualizar"_s, u"Articulos"_s, u"Etiquetas"_s})
            if (QWidget* window = WindowRegistry::instance().openWindow(name)) {
                leave.answer(MsgBoxResult::Yes);
                window->close();
            }
        folder_.reset();
    }

    // Conditions, rule and rounding typed; the review lists what changes and what does not;
    // Aplicar asks, stores, queues the labels and offers to update the terminals, whose window
    // then shows the article file behind.
    void previewAndApply()
    {
        ScriptedMessageBoxes boxes;
        ActualizacionPrecios* window = open();
        QVERIFY(window);
        const QStringList before = stored();
        fixture::run(window, boxes, {u"txtProveedor:3"_s, u"txtProveedor Enter"_s});
        QCOMPARE(window->findChild<QLabel*>(u"lblProveedor"_s)->text(), u"DISTRIBUIDORA SUR"_s);
        QCOMPARE(fixture::focusName(), u"txtMarca"_s);
        auto* rounding = window->findChild<QComboBox*>(u"cboRedondeo"_s);
        fixture::run(window, boxes, {u"txtValor:8"_s, u"focus cboRedondeo"_s});
        while (rounding->currentData().toLongLong() != 1000)
            QTest::keyClick(rounding, Qt::Key_Down);
        fixture::run(window, boxes, {u"cmdVistaPrevia"_s});
        QCOMPARE(fixture::shown(boxes), QStringList());
        QCOMPARE(window->findChild<QTableView*>(u"grdVista"_s)->model()->rowCount(), 2);
        auto* leftOut = window->findChild<QTableView*>(u"grdAfuera"_s)->model();
        QCOMPARE(leftOut->rowCount(), 1);
        QCOMPARE(leftOut->index(0, 2).data().toString(), u"sin costo"_s);
        QVERIFY2(window->findChild<QLabel*>(u"lblResumen"_s)
                     ->text()
                     .contains(u"antes $ 1950,00, después $ 2100,00"_s),
                 qPrintable(window->findChild<QLabel*>(u"lblResumen"_s)->text()));
        QCOMPARE(stored(), before);

        fixture::run(window, boxes, {u"yes"_s, u"yes"_s, u"cmdAplicar"_s});
        QCOMPARE(fixture::shown(boxes).value(0),
                 u"36|%1|¿Actualiza los precios de 2 artículos?"_s.arg(kTitle));
        QVERIFY(fixture::shown(boxes).value(1).contains(u"Etiquetas: 2 nuevas en la cola"_s));
        QVERIFY(fixture::shown(boxes).value(2).contains(u"¿Actualiza ahora las cajas?"_s));
        QCOMPARE(stored(),
                 (QStringList{u"1|1080|1400"_s, u"2|540|700"_s, u"3|0|0"_s, u"4|100|130"_s}));
        QCOMPARE(fixture::DataFolder::rows(u"Etiquetas.mdb"_s, {u"codigo"_s, u"neto1"_s}),
                 (QStringList{u"1|1400"_s, u"2|700"_s}));
        QVERIFY(!window->findChild<QPushButton*>(u"cmdAplicar"_s)->isEnabled());

        QWidget* terminals = WindowRegistry::instance().openWindow(u"Actualizar"_s);
        QVERIFY(terminals);
        QCOMPARE(terminals->findChild<QLabel*>(u"lblEstado1_1"_s)->text(), u"desactualizada"_s);
    }

    void refusals_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("box");
        QTest::newRow("no value") << QStringList{u"cmdVistaPrevia"_s}
                                  << u"48|%1|Escriba el porcentaje o el recargo."_s.arg(kTitle);
        QTest::newRow("not a number") << QStringList{u"txtValor:8%"_s, u"cmdVistaPrevia"_s}
                                      << u"48|%1|\"8%\" no es un número."_s.arg(kTitle);
        QTest::newRow("up without a step")
            << QStringList{u"txtValor:8"_s, u"space chkHaciaArriba"_s, u"cmdVistaPrevia"_s}
            << u"48|%1|Para redondear siempre hacia arriba elija un redondeo."_s.arg(kTitle);
        QTest::newRow("bad code") << QStringList{u"txtDesde:uno"_s, u"txtValor:8"_s,
                                                 u"cmdVistaPrevia"_s}
                                  << u"48|%1|\"uno\" no es un código de artículo."_s.arg(kTitle);
        QTest::newRow("apply before a review")
            << QStringList{u"focus cmdAplicar"_s, u"cmdAplicar"_s} << QString();
        QTest::newRow("nothing matches")
            << QStringList{u"txtProveedor:99"_s, u"txtValor:8"_s, u"cmdVistaPrevia"_s} << QString();
    }
    void refusals()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, box);
        ScriptedMessageBoxes boxes;
        ActualizacionPrecios* window = open();
        const QStringList before = stored();
        for (const QString& step : steps) {
            // The space bar ticks a check box.
            if (step.startsWith(u"space "_s))
                QTest::keyClick(window->findChild<QWidget*>(step.mid(6)), Qt::Key_Space);
            else fixture::run(window, boxes, {step});
        }
        QCOMPARE(fixture::shown(boxes), box.isEmpty() ? QStringList() : QStringList{box});
        QVERIFY(!window->findChild<QPushButton*>(u"cmdAplicar"_s)->isEnabled());
        QCOMPARE(stored(), before);
    }

    // The article form holding a change of one of the articles: Aplicar refuses, naming it.
    void refusedWhileTheArticleFormHasThatArticlePending()
    {
        ScriptedMessageBoxes boxes;
        auto* form = qobject_cast<Articulos*>(WindowRegistry::instance().show(u"Articulos"_s));
        QVERIFY(form);
        fixture::activate(form);
        fixture::run(form, boxes, {u"Text1:2"_s, u"Text1 Enter"_s, u"cmdModificar"_s});
        QVERIFY(form->pending());
        ActualizacionPrecios* window = open();
        const QStringList before = stored();
        fixture::run(window, boxes, {u"txtValor:8"_s, u"cmdVistaPrevia"_s, u"cmdAplicar"_s});
        QVERIFY2(fixture::shown(boxes).value(0).contains(
                     u"El artículo 000002 (AZÚCAR 1 KG) tiene cambios sin grabar"_s),
                 qPrintable(fixture::shown(boxes).join(u'\n')));
        QCOMPARE(stored(), before);
        boxes.answer(MsgBoxResult::Yes);
        form->close();
    }

    // The article form showing one of the articles (nothing pending) shows the new prices, so
    // that a later Modificar and Grabar keeps them.
    void theArticleFormShowsTheStoredPrices()
    {
        ScriptedMessageBoxes boxes;
        auto* form = qobject_cast<Articulos*>(WindowRegistry::instance().show(u"Articulos"_s));
        QVERIFY(form);
        fixture::activate(form);
        fixture::run(form, boxes, {u"Text1:1"_s, u"Text1 Enter"_s});
        QCOMPARE(form->findChild<QLineEdit*>(u"Text12"_s)->text(), u"1000"_s);
        ActualizacionPrecios* window = open();
        fixture::run(window, boxes,
                     {u"txtValor:8"_s, u"cmdVistaPrevia"_s, u"yes"_s, u"no"_s, u"cmdAplicar"_s});
        QCOMPARE(form->findChild<QLineEdit*>(u"Text12"_s)->text(), u"1080"_s);
        QCOMPARE(form->findChild<QLineEdit*>(u"Text21"_s)->text(), u"1404"_s);
        fixture::activate(form);
        fixture::run(form, boxes, {u"cmdModificar"_s, u"cmdGrabar"_s});
        QCOMPARE(stored().first(), u"1|1080|1404"_s);
    }

    // The label queue open, with a label filled in from an article, does not keep the change
    // from queueing its labels.
    void applyWithTheLabelQueueOpen()
    {
        ScriptedMessageBoxes boxes;
        QWidget* queue = WindowRegistry::instance().show(u"Etiquetas"_s);
        QVERIFY(queue);
        fixture::activate(queue);
        fixture::run(queue, boxes, {u"Text1:1"_s, u"Text1 Enter"_s});
        ActualizacionPrecios* window = open();
        fixture::run(window, boxes,
                     {u"txtValor:8"_s, u"cmdVistaPrevia"_s, u"yes"_s, u"no"_s, u"cmdAplicar"_s});
        QVERIFY2(fixture::shown(boxes).join(u'\n').contains(u"Etiquetas: 3 nuevas en la cola"_s),
                 qPrintable(fixture::shown(boxes).join(u'\n')));
        QCOMPARE(fixture::DataFolder::rows(u"Etiquetas.mdb"_s, {u"codigo"_s}),
                 (QStringList{u"1"_s, u"2"_s, u"4"_s}));
    }

    // A supplier's list written by a real spreadsheet program: matched rows change, the others
    // are listed with their row; the history lists the change and its undo puts it back.
    void supplierListAndUndo()
    {
        const QString path = folder_->path() + u"/lista.xlsx"_s;
        QProcess python;
        python.start(u"/usr/bin/python3"_s, {u"-c"_s,
                                             u"import openpyxl, sys\n"
                                             u"wb = openpyxl.Workbook(); ws = wb.active\n"
                                             u"ws.append(['Codigo de barras', 'Costo'])\n"
                                             u"ws.append(['7790000000011', 1100.5])\n"
                                             u"ws.append(['7790000099999', 10])\n"
                                             u"ws.append(['7790000000028', 'consultar'])\n"
                                             u"wb.save(sys.argv[1])\n"_s,
                                             path});
        QVERIFY(python.waitForFinished(30000));
        QCOMPARE(python.exitCode(), 0);

        ScriptedMessageBoxes boxes;
        fixture::EnvVar configHome("XDG_CONFIG_HOME",
                                   QFile::encodeName(folder_->path() + u"/config"_s));
        ScriptedDialogs dialogs;
        dialogs.answerFile(path);
        ActualizacionPrecios* window = open();
        const QStringList before = stored();
        window->findChild<QTabWidget*>(u"tabOrigen"_s)->setCurrentIndex(1);
        fixture::run(window, boxes,
                     {u"cmdElegir"_s, u"txtProveedorLista:3"_s, u"cmdVistaPrevia"_s});
        QCOMPARE(fixture::shown(boxes), QStringList());
        QCOMPARE(dialogs.shown().size(), 1);
        QCOMPARE(dialogs.shown()[0].kind, DialogKind::OpenFile);
        QCOMPARE(dialogs.shown()[0].title, u"Lista de precios del proveedor"_s);
        auto* grid = window->findChild<QTableView*>(u"grdVista"_s)->model();
        QCOMPARE(grid->rowCount(), 1);
        QCOMPARE(grid->index(0, 3).data().toString(), u"1100,50"_s);
        auto* leftOut = window->findChild<QTableView*>(u"grdAfuera"_s)->model();
        QCOMPARE(leftOut->rowCount(), 2);
        QCOMPARE(leftOut->index(0, 0).data().toString(), u"fila 3"_s);
        QCOMPARE(leftOut->index(1, 0).data().toString(), u"fila 4"_s);

        fixture::run(window, boxes, {u"yes"_s, u"no"_s, u"cmdAplicar"_s});
        QCOMPARE(stored().first(), u"1|1100.5|1430.65"_s);

        boxes.clear();
        fixture::run(window, boxes, {u"cmdHistorial"_s});
        auto* history = window->findChild<prices::HistorialPrecios*>();
        QVERIFY(history && history->isVisible());
        auto* rows = history->findChild<QTableWidget*>(u"grdHistorial"_s);
        QCOMPARE(rows->rowCount(), 1);
        QVERIFY(rows->item(0, 5)->text().startsWith(u"lista lista.xlsx, proveedor 0003"_s));
        fixture::run(history, boxes, {u"yes"_s, u"cmdDeshacer"_s});
        QCOMPARE(fixture::shown(boxes).value(0),
                 u"292|Historial de Precios|¿Vuelve los precios de la actualización número 1 a los "
                 u"anteriores?"_s);
        QCOMPARE(stored(), before);
        QCOMPARE(rows->rowCount(), 2);
        QCOMPARE(rows->item(1, 6)->text(), u"2"_s);
    }

    // Every box and list is heard by a screen reader under its caption.
    void everyControlHasACaption()
    {
        ActualizacionPrecios* window = open();
        for (QWidget* w : window->findChildren<QWidget*>()) {
            if (!qobject_cast<QLineEdit*>(w) && !qobject_cast<QComboBox*>(w) &&
                !qobject_cast<QAbstractButton*>(w) && !qobject_cast<QTableView*>(w))
                continue;
            if (w->objectName().isEmpty() || w->objectName().startsWith(u"qt_"_s)) continue;
            QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
        }
    }
};

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // Enter presses a focused button, as it does in the program.
    shell::installKeyboardRules(app);
    TestPrices test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_prices.moc"
