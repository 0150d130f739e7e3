// The label queue, driven from the keyboard.

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>

#include "labels/etiquetas.h"
#include "lookups/lookups.h"
#include "scenario.h"
#include "shell/keyboard.h"
#include "shell/windowregistry.h"
#include "tempstore.h"

using namespace Qt::StringLiterals;

namespace {

const QStringList kQueueFields = {u"codigo"_s, u"codbarra"_s, u"descripcion"_s, u"neto1"_s};
const QStringList kFields = {u"Combo1"_s, u"Text1"_s, u"Text2"_s, u"Text3"_s, u"Text4"_s};
const QString kAdded = u"48|Informacion|Etiqueta Agregada, Precione Aceptar para Continuar"_s;
const QString kEmptied = u"48|Informacion|Etiquetas Eliminadas, Precione Aceptar para Continuar"_s;
const QString kAskEmpty = u"292|Eliminar Etiquetas|¿Elimina todas las etiquetas pendientes?"_s;

QStringList blankFields() { return {u"Combo1="_s, u"Text1="_s, u"Text2="_s, u"Text3="_s, u"Text4="_s}; }

}  // namespace

class TestLabels : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void scenarios_data();
    void scenarios();
    void refusals_data();
    void refusals();
    void printOpensTheSizesViewer_data();
    void printOpensTheSizesViewer();
    void searchButtonsOpenTheirLookups();
    void missingLabelFile();
    void focusHighlight();
    void captionsShowWhole();

private:
    Etiquetas* openForm();

    std::unique_ptr<fixture::DataFolder> folder_;
    QPointer<Etiquetas> form_;
};

void TestLabels::init()
{
    folder_ = std::make_unique<fixture::DataFolder>();
    // Codes 1, 2, 3 in this order.
    folder_->create(u"Articulos.mdb"_s,
                    {{{u"descripcion"_s, u"LECHE ENTERA"_s}, {u"codbarra"_s, u"7790001000013"_s}, {u"lis1"_s, 12.5}},
                     {{u"descripcion"_s, u"PAN FRANCES"_s}, {u"lis1"_s, 100.0}},
                     {{u"codbarra"_s, u"40123455"_s}, {u"lis1"_s, 0.1 + 0.2}}});
    folder_->create(u"Etiquetas.mdb"_s);
}

void TestLabels::cleanup()
{
    delete form_;
    for (const QString& name : {u"ConsArticuloEtiqueta"_s, u"ConsArticuloEtiquetaDB"_s})
        if (auto* dialog = lookups::openDialog(name)) delete dialog;
    WindowRegistry::instance().clear();
    folder_.reset();
}

Etiquetas* TestLabels::openForm()
{
    form_ = new Etiquetas;
    if (!form_->open()) return nullptr;
    fixture::showActive(form_);
    return form_;
}

void TestLabels::scenarios_data()
{
    QTest::addColumn<QList<QVariantMap>>("queued");  // the queue before
    fixture::addScenarioColumns();                   // table: the queue after

    const QList<QVariantMap> none;
    QTest::newRow("focus in the size list on opening")
        << none << QStringList() << QStringList() << blankFields() << u"Combo1"_s << QStringList();
    QTest::newRow("code fills the label in and selects the code")
        << none << QStringList{u"Text1:1"_s, u"Text1 Enter"_s} << QStringList()
        << QStringList{u"Combo1="_s, u"Text1=1"_s, u"Text2=7790001000013"_s, u"Text3=LECHE ENTERA"_s, u"Text4=12,5"_s}
        << u"Text1"_s << QStringList();
    QTest::newRow("code then queue")
        << none << QStringList{u"Combo1 Down"_s, u"Text1:1"_s, u"Text1 Enter"_s, u"cmdNuevo"_s} << QStringList{kAdded}
        << blankFields() << u"cmdNuevo"_s << QStringList{u"1|7790001000013|LECHE ENTERA|12.5"_s};
    QTest::newRow("A then B without barcode keeps A's barcode")
        << none << QStringList{u"Text1:1"_s, u"Text1 Enter"_s, u"Text1:2"_s, u"Text1 Enter"_s, u"cmdNuevo"_s}
        << QStringList{kAdded} << blankFields() << u"cmdNuevo"_s
        << QStringList{u"2|7790001000013|PAN FRANCES|100"_s};
    QTest::newRow("an empty description leaves the field's text")
        << none << QStringList{u"Text3:Algo"_s, u"Text1:3"_s, u"Text1 Enter"_s}
        << QStringList() << QStringList{u"Combo1="_s, u"Text1=3"_s, u"Text2=40123455"_s, u"Text3=Algo"_s, u"Text4=0,3"_s}
        << u"Text1"_s << QStringList();
    QTest::newRow("barcode fills the code in")
        << none << QStringList{u"Text2:40123455"_s, u"Text2 Enter"_s} << QStringList()
        << QStringList{u"Combo1="_s, u"Text1=3"_s, u"Text2=40123455"_s, u"Text3="_s, u"Text4=0,3"_s}
        << u"Text1"_s << QStringList();
    QTest::newRow("unknown code empties the code only")
        << none << QStringList{u"Text3:algo"_s, u"Text1:99"_s, u"Text1 Enter"_s} << QStringList()
        << QStringList{u"Combo1="_s, u"Text1="_s, u"Text2="_s, u"Text3=algo"_s, u"Text4="_s} << u"Text1"_s
        << QStringList();
    QTest::newRow("unknown barcode empties the barcode only")
        << none << QStringList{u"Text1:2"_s, u"Text2:x1"_s, u"Text2 Enter"_s} << QStringList()
        << QStringList{u"Combo1="_s, u"Text1=2"_s, u"Text2="_s, u"Text3="_s, u"Text4="_s} << u"Text2"_s
        << QStringList();
    QTest::newRow("empty code does nothing")
        << none << QStringList{u"Text1 Enter"_s} << QStringList() << blankFields() << u"Combo1"_s << QStringList();
    QTest::newRow("upper case in the two codes only")
        << none << QStringList{u"Text2:ab"_s, u"Text3:ab"_s, u"Text4:1.5"_s} << QStringList()
        << QStringList{u"Combo1="_s, u"Text1="_s, u"Text2=AB"_s, u"Text3=ab"_s, u"Text4=1.5"_s} << u"Combo1"_s
        << QStringList();
    QTest::newRow("Enter does not move between fields")
        << none << QStringList{u"Text3:x"_s, u"Text3 Enter"_s} << QStringList()
        << QStringList{u"Combo1="_s, u"Text1="_s, u"Text2="_s, u"Text3=x"_s, u"Text4="_s} << u"Combo1"_s
        << QStringList();
    QTest::newRow("twice queues two")
        << none << QStringList{u"Text1:1"_s, u"Text1 Enter"_s, u"cmdNuevo"_s, u"Text1:1"_s, u"Text1 Enter"_s, u"cmdNuevo"_s}
        << QStringList{kAdded, kAdded} << blankFields() << u"cmdNuevo"_s
        << QStringList{u"1|7790001000013|LECHE ENTERA|12.5"_s, u"1|7790001000013|LECHE ENTERA|12.5"_s};
    QTest::newRow("empty fields queue an empty label")
        << none << QStringList{u"cmdNuevo"_s} << QStringList{kAdded} << blankFields() << u"cmdNuevo"_s
        << QStringList{u"<null>|<null>|<null>|<null>"_s};
    const QList<QVariantMap> two = {{{u"codigo"_s, 5}, {u"descripcion"_s, u"UNO"_s}}, {{u"descripcion"_s, u"DOS"_s}}};
    QTest::newRow("emptying the queue asks first")
        << two << QStringList{u"Text1:1"_s, u"yes"_s, u"cmdEliminar"_s} << QStringList{kAskEmpty, kEmptied}
        << QStringList{u"Combo1="_s, u"Text1=1"_s, u"Text2="_s, u"Text3="_s, u"Text4="_s} << u"cmdEliminar"_s
        << QStringList();
    QTest::newRow("No keeps the queue")
        << two << QStringList{u"no"_s, u"cmdEliminar"_s} << QStringList{kAskEmpty} << blankFields()
        << u"cmdEliminar"_s << QStringList{u"5|<null>|UNO|<null>"_s, u"<null>|<null>|DOS|<null>"_s};
    // Code, Enter, price, Tab, Enter queues the label: the Tab from the price never lands on
    // emptying the queue.
    QTest::newRow("Tab from the price goes to Nueva Etiqueta")
        << two << QStringList{u"Text1:1"_s, u"Text1 Enter"_s, u"focus Text4"_s, u"Text4 Tab"_s, u"focused Enter"_s}
        << QStringList{kAdded} << blankFields() << u"cmdNuevo"_s
        << QStringList{u"5|<null>|UNO|<null>"_s, u"<null>|<null>|DOS|<null>"_s, u"1|7790001000013|LECHE ENTERA|12.5"_s};
    QTest::newRow("empty queue still tells")
        << none << QStringList{u"yes"_s, u"yes"_s, u"cmdEliminar"_s, u"cmdEliminar"_s}
        << QStringList{kAskEmpty, kEmptied, kAskEmpty, kEmptied} << blankFields() << u"cmdEliminar"_s << QStringList();
}

void TestLabels::scenarios()
{
    QFETCH(QList<QVariantMap>, queued);
    QFETCH(QStringList, fields);
    QFETCH(QString, focus);

    if (!queued.isEmpty()) {
        QFile::remove(paths::toNative(paths::inBases(u"Etiquetas.mdb"_s)));
        folder_->create(u"Etiquetas.mdb"_s, queued);
    }
    ScriptedMessageBoxes scripted;
    Etiquetas* form = openForm();
    QVERIFY(form);
    // A size chosen before queuing is cleared with the rest.
    fixture::checkScenario(form, scripted, kFields, u"Etiquetas.mdb"_s, kQueueFields);
    if (focus == u"Text1"_s && !fields[1].endsWith(u'='))
        QCOMPARE(form->findChild<QLineEdit*>(u"Text1"_s)->selectedText(), fields[1].mid(6));
}

void TestLabels::refusals_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("selected");

    const QString code = u"16|ERROR|EL CAMPO CODIGO DEBE SER UN NUMERO (EJEMPLO: 1234)"_s;
    const QString price = u"16|ERROR|EL CAMPO PRECIO DEBE SER UN NUMERO (EJEMPLO: 1234,5)"_s;
    QTest::newRow("letters in the code") << QStringList{u"Text1:ab"_s, u"cmdNuevo"_s} << code << u"Text1"_s;
    QTest::newRow("decimal code") << QStringList{u"Text1:1,5"_s, u"cmdNuevo"_s} << code << u"Text1"_s;
    QTest::newRow("code beyond 32 bits") << QStringList{u"Text1:99999999999"_s, u"cmdNuevo"_s} << code << u"Text1"_s;
    QTest::newRow("letters in the price")
        << QStringList{u"Text1:1"_s, u"Text1 Enter"_s, u"Text4 paste:x"_s, u"cmdNuevo"_s} << price << u"Text4"_s;
    QTest::newRow("full stop in the price") << QStringList{u"Text4:1.5"_s, u"cmdNuevo"_s} << price << u"Text4"_s;
    QTest::newRow("negative code") << QStringList{u"Text1:-5"_s, u"cmdNuevo"_s}
                                   << u"16|ERROR|EL CAMPO CODIGO NO PUEDE SER NEGATIVO"_s << u"Text1"_s;
    QTest::newRow("negative price") << QStringList{u"Text4:-12,5"_s, u"cmdNuevo"_s}
                                    << u"16|ERROR|EL CAMPO PRECIO NO PUEDE SER NEGATIVO"_s << u"Text4"_s;
}

void TestLabels::refusals()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, box);
    QFETCH(QString, selected);

    ScriptedMessageBoxes scripted;
    Etiquetas* form = openForm();
    QVERIFY(form);
    fixture::runAndCheck(form, scripted, steps, {box}, selected);
    auto* field = form->findChild<QLineEdit*>(selected);
    QVERIFY(!field->text().isEmpty());
    QCOMPARE(field->selectedText(), field->text());
    QCOMPARE(fixture::DataFolder::rows(u"Etiquetas.mdb"_s, kQueueFields), QStringList());
}

void TestLabels::printOpensTheSizesViewer_data()
{
    QTest::addColumn<int>("downs");
    QTest::addColumn<QString>("typed");  // a size typed instead of chosen
    QTest::addColumn<bool>("queued");
    QTest::addColumn<QString>("viewer");
    QTest::addColumn<QStringList>("boxes");
    QTest::newRow("no size chosen") << 0 << QString() << true << QString() << QStringList();
    QTest::newRow("ETIQUETA CHICA") << 1 << QString() << true << u"ForListaEtiqueta"_s << QStringList();
    QTest::newRow("ETIQUETA MEDIANA") << 2 << QString() << true << u"ForListaEtiqueta1"_s << QStringList();
    QTest::newRow("ETIQUETA GRANDE") << 3 << QString() << true << u"ForListaEtiqueta2"_s << QStringList();
    QTest::newRow("a size that is none") << 0 << u"GIGANTE"_s << true << QString()
                                         << QStringList{u"48|Informacion|EL TAMAÑO \"GIGANTE\" NO ESTA EN LA LISTA"_s};
    QTest::newRow("empty queue") << 1 << QString() << false << QString()
                                 << QStringList{u"48|Informacion|NO HAY ETIQUETAS PARA IMPRIMIR"_s};
}

void TestLabels::printOpensTheSizesViewer()
{
    QFETCH(int, downs);
    QFETCH(QString, typed);
    QFETCH(bool, queued);
    QFETCH(QString, viewer);
    QFETCH(QStringList, boxes);

    if (queued) {
        QFile::remove(paths::toNative(paths::inBases(u"Etiquetas.mdb"_s)));
        folder_->create(u"Etiquetas.mdb"_s, {{{u"descripcion"_s, u"UNO"_s}}});
    }
    QStringList opened;
    for (int i = 0; i < 3; ++i) {
        const QString name = Etiquetas::viewerForSize(i);
        WindowRegistry::instance().add({name, WindowPlace::OnScreen, std::nullopt, [name, &opened] {
                                            opened << name;
                                            return new QWidget;
                                        }});
    }
    ScriptedMessageBoxes scripted;
    Etiquetas* form = openForm();
    QVERIFY(form);
    QStringList steps{u"Text3:Leche"_s, u"Text1:1"_s};
    for (int i = 0; i < downs; ++i) steps.prepend(u"Combo1 Down"_s);
    if (!typed.isEmpty()) steps.prepend(u"Combo1:"_s + typed);
    steps << u"cmdImprimir"_s;
    fixture::run(form, scripted, steps);
    QCOMPARE(opened, viewer.isEmpty() ? QStringList() : QStringList{viewer});
    QCOMPARE(fixture::shown(scripted), boxes);
    // The form stays as it was.
    QVERIFY(form->isVisible());
    const QString size = downs ? form->findChild<QComboBox*>(u"Combo1"_s)->itemText(downs - 1) : typed;
    QCOMPARE(fixture::texts(form, kFields),
             (QStringList{u"Combo1="_s + size, u"Text1=1"_s, u"Text2="_s, u"Text3=Leche"_s, u"Text4="_s}));
    for (int i = 0; i < 3; ++i)
        if (QWidget* w = WindowRegistry::instance().openWindow(Etiquetas::viewerForSize(i))) delete w;
}

void TestLabels::searchButtonsOpenTheirLookups()
{
    ScriptedMessageBoxes scripted;
    Etiquetas* form = openForm();
    QVERIFY(form);
    fixture::run(form, scripted, {u"cmdBuscar1"_s});
    QVERIFY(lookups::openDialog(u"ConsArticuloEtiqueta"_s));
    // Modeless: the form stays usable, and Esc in the barcode opens the other member.
    fixture::run(form, scripted, {u"Text2 Escape"_s});
    QVERIFY(lookups::openDialog(u"ConsArticuloEtiquetaDB"_s));
    QCOMPARE(scripted.shown().size(), 0);
}

void TestLabels::missingLabelFile()
{
    QFile::remove(paths::toNative(paths::inBases(u"Etiquetas.mdb"_s)));
    ScriptedMessageBoxes scripted;
    Etiquetas form;
    QVERIFY(!form.open());
    QCOMPARE(scripted.shown().size(), 1);
    QCOMPARE(scripted.shown()[0].flags, 16);
    QVERIFY(scripted.shown()[0].prompt.contains(u"Etiquetas.mdb"_s));
}

void TestLabels::focusHighlight()
{
    Etiquetas* form = openForm();
    QVERIFY(form);
    const QColor cyan(192, 255, 255), white(255, 255, 255);
    const QStringList names = {u"Combo1"_s, u"Text1"_s, u"Text2"_s, u"Text3"_s, u"Text4"_s};
    for (const QString& name : names) {
        form->findChild<QWidget*>(name)->setFocus();
        for (const QString& other : names)
            QCOMPARE(form->findChild<QWidget*>(other)->palette().color(QPalette::Base), other == name ? cyan : white);
    }
    // Only the size list writes in blue; the entry boxes write as every box does.
    QCOMPARE(form->findChild<QWidget*>(u"Combo1"_s)->palette().color(QPalette::Text), QColor(0, 0, 255));
    for (const QString& name : names.mid(1))
        QCOMPARE(form->findChild<QWidget*>(name)->palette().color(QPalette::Text), QLineEdit().palette().color(QPalette::Text));
}

void TestLabels::captionsShowWhole()
{
    Etiquetas* form = openForm();
    QVERIFY(form);
    const QList<QLabel*> captions = form->findChildren<QLabel*>();
    QVERIFY(captions.size() >= 6);
    for (QLabel* caption : captions) {
        const QFontMetrics metrics(caption->font());
        const QRect room = caption->contentsRect();
        QVERIFY2(metrics.horizontalAdvance(caption->text()) <= room.width(), qPrintable(caption->text()));
        QVERIFY2(metrics.height() <= room.height(), qPrintable(caption->text()));
    }
    // "Precio $" stays the large bold caption it is.
    auto* price = form->findChild<QLabel*>(u"Label5"_s);
    QVERIFY(price->font().bold());
    QVERIFY(price->font().pointSizeF() >= 14);
}

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // Enter presses a focused button, as it does in the program.
    shell::installKeyboardRules(app);
    TestLabels test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_labels.moc"
