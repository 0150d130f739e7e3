// The label queue, driven from the keyboard.

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>

#include "data/catalogue.h"
#include "data/labelqueue.h"
#include "forms/lookuphook.h"
#include "guards.h"
#include "labels/etiquetas.h"
#include "lookups/lookups.h"
#include "reports/report.h"
#include "reports/reportdefs.h"
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

const QString kManyTitle = u"Agregar varias etiquetas"_s;
QString manyBox(int flags, const QString& prompt)
{
    return u"%1|%2|%3"_s.arg(flags).arg(kManyTitle, prompt);
}

QStringList blankFields()
{
    return {u"Combo1="_s, u"Text1="_s, u"Text2="_s, u"Text3="_s, u"Text4="_s};
}

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
    void fileRefusals_data();
    void queueColumnsAreTheFilesColumns();
    void fileRefusals();
    void focusHighlight();
    void captionsShowWhole();
    void addMany_data();
    void addMany();
    void addManyThroughTheKeyboardOnly();
    void addManyCodeBoxesOpenTheirLookups();
    void addManyFailureQueuesNothing();
    void addManyCaptionsAndNames();

private:
    Etiquetas* openForm();
    // The store of the many-labels tests: suppliers, brands and an accented description; the
    // queue holds one label before.
    void createShelf();
    // Opens the form, then "Agregar varias etiquetas" with Alt+V.
    QDialog* openAddMany();

    std::unique_ptr<fixture::DataFolder> folder_;
    QPointer<Etiquetas> form_;
};

void TestLabels::init()
{
    folder_ = std::make_unique<fixture::DataFolder>();
    // Codes 1, 2, 3 in this order.
    folder_->create(u"Articulos.mdb"_s, {{{u"descripcion"_s, u"LECHE ENTERA"_s},
                                          {u"codbarra"_s, u"7790001000013"_s},
                                          {u"lis1"_s, 12.5}},
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
        << QStringList{u"Combo1="_s, u"Text1=1"_s, u"Text2=7790001000013"_s,
                       u"Text3=LECHE ENTERA"_s, u"Text4=12,5"_s}
        << u"Text1"_s << QStringList();
    QTest::newRow("code then queue")
        << none << QStringList{u"Combo1 Down"_s, u"Text1:1"_s, u"Text1 Enter"_s, u"cmdNuevo"_s}
        << QStringList{kAdded} << blankFields() << u"cmdNuevo"_s
        << QStringList{u"1|7790001000013|LECHE ENTERA|12.5"_s};
    QTest::newRow("A then B without barcode keeps A's barcode")
        << none
        << QStringList{u"Text1:1"_s, u"Text1 Enter"_s, u"Text1:2"_s, u"Text1 Enter"_s,
                       u"cmdNuevo"_s}
        << QStringList{kAdded} << blankFields() << u"cmdNuevo"_s
        << QStringList{u"2|7790001000013|PAN FRANCES|100"_s};
    QTest::newRow("an empty description leaves the field's text")
        << none << QStringList{u"Text3:Algo"_s, u"Text1:3"_s, u"Text1 Enter"_s} << QStringList()
        << QStringList{u"Combo1="_s, u"Text1=3"_s, u"Text2=40123455"_s, u"Text3=Algo"_s,
                       u"Text4=0,3"_s}
        << u"Text1"_s << QStringList();
    QTest::newRow("barcode fills the code in")
        << none << QStringList{u"Text2:40123455"_s, u"Text2 Enter"_s} << QStringList()
        << QStringList{u"Combo1="_s, u"Text1=3"_s, u"Text2=40123455"_s, u"Text3="_s, u"Text4=0,3"_s}
        << u"Text1"_s << QStringList();
    QTest::newRow("unknown code empties the code only")
        << none << QStringList{u"Text3:algo"_s, u"Text1:99"_s, u"Text1 Enter"_s} << QStringList()
        << QStringList{u"Combo1="_s, u"Text1="_s, u"Text2="_s, u"Text3=algo"_s, u"Text4="_s}
        << u"Text1"_s << QStringList();
    QTest::newRow("unknown barcode empties the barcode only")
        << none << QStringList{u"Text1:2"_s, u"Text2:x1"_s, u"Text2 Enter"_s} << QStringList()
        << QStringList{u"Combo1="_s, u"Text1=2"_s, u"Text2="_s, u"Text3="_s, u"Text4="_s}
        << u"Text2"_s << QStringList();
    QTest::newRow("empty code does nothing")
        << none << QStringList{u"Text1 Enter"_s} << QStringList() << blankFields() << u"Combo1"_s
        << QStringList();
    QTest::newRow("upper case in the two codes only")
        << none << QStringList{u"Text2:ab"_s, u"Text3:ab"_s, u"Text4:1.5"_s} << QStringList()
        << QStringList{u"Combo1="_s, u"Text1="_s, u"Text2=AB"_s, u"Text3=ab"_s, u"Text4=1.5"_s}
        << u"Combo1"_s << QStringList();
    // A dead key's accent with its letter arrives composed, not as a key press; pasted text
    // keeps its case.
    QTest::newRow("composed letters upper case in the two codes only, pasted text as it is")
        << none
        << QStringList{u"Text1 compose:á"_s, u"Text2 compose:ñ"_s, u"Text2 paste:b"_s,
                       u"Text3 compose:é"_s}
        << QStringList()
        << QStringList{u"Combo1="_s, u"Text1=Á"_s, u"Text2=Ñb"_s, u"Text3=é"_s, u"Text4="_s}
        << u"Combo1"_s << QStringList();
    QTest::newRow("Enter does not move between fields")
        << none << QStringList{u"Text3:x"_s, u"Text3 Enter"_s} << QStringList()
        << QStringList{u"Combo1="_s, u"Text1="_s, u"Text2="_s, u"Text3=x"_s, u"Text4="_s}
        << u"Combo1"_s << QStringList();
    QTest::newRow("twice queues two")
        << none << QStringList{u"Text1:1"_s, u"Text1 Enter"_s, u"cmdNuevo"_s,
                               u"Text1:1"_s, u"Text1 Enter"_s, u"cmdNuevo"_s}
        << QStringList{kAdded, kAdded} << blankFields() << u"cmdNuevo"_s
        << QStringList{u"1|7790001000013|LECHE ENTERA|12.5"_s,
                       u"1|7790001000013|LECHE ENTERA|12.5"_s};
    QTest::newRow("empty fields queue an empty label")
        << none << QStringList{u"cmdNuevo"_s} << QStringList{kAdded} << blankFields()
        << u"cmdNuevo"_s << QStringList{u"<null>|<null>|<null>|<null>"_s};
    const QList<QVariantMap> two = {{{u"codigo"_s, 5}, {u"descripcion"_s, u"UNO"_s}},
                                    {{u"descripcion"_s, u"DOS"_s}}};
    QTest::newRow("emptying the queue asks first")
        << two << QStringList{u"Text1:1"_s, u"yes"_s, u"cmdEliminar"_s}
        << QStringList{kAskEmpty, kEmptied}
        << QStringList{u"Combo1="_s, u"Text1=1"_s, u"Text2="_s, u"Text3="_s, u"Text4="_s}
        << u"cmdEliminar"_s << QStringList();
    QTest::newRow("No keeps the queue")
        << two << QStringList{u"no"_s, u"cmdEliminar"_s} << QStringList{kAskEmpty} << blankFields()
        << u"cmdEliminar"_s << QStringList{u"5|<null>|UNO|<null>"_s, u"<null>|<null>|DOS|<null>"_s};
    // Code, Enter, price, Tab, Enter queues the label: the Tab from the price never lands on
    // emptying the queue.
    QTest::newRow("Tab from the price goes to Nueva Etiqueta")
        << two
        << QStringList{u"Text1:1"_s, u"Text1 Enter"_s, u"focus Text4"_s, u"Text4 Tab"_s,
                       u"focused Enter"_s}
        << QStringList{kAdded} << blankFields() << u"cmdNuevo"_s
        << QStringList{u"5|<null>|UNO|<null>"_s, u"<null>|<null>|DOS|<null>"_s,
                       u"1|7790001000013|LECHE ENTERA|12.5"_s};
    QTest::newRow("empty queue still tells")
        << none << QStringList{u"yes"_s, u"yes"_s, u"cmdEliminar"_s, u"cmdEliminar"_s}
        << QStringList{kAskEmpty, kEmptied, kAskEmpty, kEmptied} << blankFields()
        << u"cmdEliminar"_s << QStringList();
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
    QTest::newRow("letters in the code")
        << QStringList{u"Text1:ab"_s, u"cmdNuevo"_s} << code << u"Text1"_s;
    QTest::newRow("decimal code") << QStringList{u"Text1:1,5"_s, u"cmdNuevo"_s} << code
                                  << u"Text1"_s;
    QTest::newRow("code beyond 32 bits")
        << QStringList{u"Text1:99999999999"_s, u"cmdNuevo"_s} << code << u"Text1"_s;
    QTest::newRow("letters in the price")
        << QStringList{u"Text1:1"_s, u"Text1 Enter"_s, u"Text4 paste:x"_s, u"cmdNuevo"_s} << price
        << u"Text4"_s;
    QTest::newRow("full stop in the price")
        << QStringList{u"Text4:1.5"_s, u"cmdNuevo"_s} << price << u"Text4"_s;
    QTest::newRow("negative code")
        << QStringList{u"Text1:-5"_s, u"cmdNuevo"_s}
        << u"16|ERROR|EL CAMPO CODIGO NO PUEDE SER NEGATIVO"_s << u"Text1"_s;
    QTest::newRow("negative price")
        << QStringList{u"Text4:-12,5"_s, u"cmdNuevo"_s}
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
    QTest::newRow("ETIQUETA CHICA")
        << 1 << QString() << true << u"ForListaEtiqueta"_s << QStringList();
    QTest::newRow("ETIQUETA MEDIANA")
        << 2 << QString() << true << u"ForListaEtiqueta1"_s << QStringList();
    QTest::newRow("ETIQUETA GRANDE")
        << 3 << QString() << true << u"ForListaEtiqueta2"_s << QStringList();
    QTest::newRow("a size that is none")
        << 0 << u"GIGANTE"_s << true << QString()
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
    const QString size =
        downs ? form->findChild<QComboBox*>(u"Combo1"_s)->itemText(downs - 1) : typed;
    QCOMPARE(fixture::texts(form, kFields),
             (QStringList{u"Combo1="_s + size, u"Text1=1"_s, u"Text2="_s, u"Text3=Leche"_s,
                          u"Text4="_s}));
    for (int i = 0; i < 3; ++i)
        if (QWidget* w = WindowRegistry::instance().openWindow(Etiquetas::viewerForSize(i)))
            delete w;
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

void TestLabels::fileRefusals_data()
{
    QTest::addColumn<QString>("trigger");  // makes Etiquetas.mdb refuse a row
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("fields");  // after
    QTest::addColumn<QStringList>("queue");   // after

    const QString refuseNo =
        u"BEFORE INSERT ON articulos WHEN NEW.descripcion = 'NO' BEGIN SELECT RAISE(ABORT, "
        u"'no'); END"_s;
    QTest::newRow("a refused label stays typed; nothing is left pending")
        << refuseNo << QStringList{u"Text3:NO"_s, u"cmdNuevo"_s}
        << QStringList{u"Combo1="_s, u"Text1="_s, u"Text2="_s, u"Text3=NO"_s, u"Text4="_s}
        << QStringList{u"5|<null>|UNO|<null>"_s, u"<null>|<null>|DOS|<null>"_s};
    QTest::newRow("after a refused label the next one is queued alone")
        << refuseNo
        << QStringList{u"Text3:NO"_s, u"cmdNuevo"_s, u"Text3 clear"_s, u"Text3:SI"_s, u"cmdNuevo"_s}
        << blankFields()
        << QStringList{u"5|<null>|UNO|<null>"_s, u"<null>|<null>|DOS|<null>"_s,
                       u"<null>|<null>|SI|<null>"_s};
    // The second label refuses to go: the first, already gone, comes back.
    QTest::newRow("emptying refused half-way leaves the whole queue")
        << u"BEFORE DELETE ON articulos WHEN OLD.descripcion = 'DOS' BEGIN SELECT RAISE(ABORT, "
           u"'no'); END"_s
        << QStringList{u"yes"_s, u"cmdEliminar"_s} << blankFields()
        << QStringList{u"5|<null>|UNO|<null>"_s, u"<null>|<null>|DOS|<null>"_s};
}

// The label queue's columns (data/labelqueue.h) are the label table's, text as wide as the
// file holds it, and each takes a field the articles have, of the same kind.
void TestLabels::queueColumnsAreTheFilesColumns()
{
    const auto field = [](const QString& fileName, QStringView name) -> std::optional<FieldDef> {
        for (const FieldDef& f : catalogue::find(fileName)->table.fields)
            if (f.name == name) return f;
        return std::nullopt;
    };
    for (const labelqueue::Column& column : labelqueue::columns) {
        const std::optional<FieldDef> label = field(u"Etiquetas.mdb"_s, column.name);
        const std::optional<FieldDef> article = field(u"Articulos.mdb"_s, column.articleField);
        QVERIFY2(label && article, qPrintable(column.name.toString()));
        QCOMPARE(label->type == FieldType::Text, column.width > 0);
        QCOMPARE(article->type == FieldType::Text, column.width > 0);
        if (column.width > 0) QCOMPARE(label->width, column.width);
    }
}

void TestLabels::fileRefusals()
{
    QFETCH(QString, trigger);
    QFETCH(QStringList, steps);
    QFETCH(QStringList, fields);
    QFETCH(QStringList, queue);

    QFile::remove(paths::toNative(paths::inBases(u"Etiquetas.mdb"_s)));
    folder_->create(u"Etiquetas.mdb"_s, {{{u"codigo"_s, 5}, {u"descripcion"_s, u"UNO"_s}},
                                         {{u"descripcion"_s, u"DOS"_s}}});
    catalogue::open(u"Etiquetas.mdb"_s)->Writer(u"CREATE TRIGGER negarse "_s + trigger)({});
    ScriptedMessageBoxes scripted;
    Etiquetas* form = openForm();
    QVERIFY(form);
    fixture::run(form, scripted, steps);
    const QList<ScriptedMessageBoxes::Shown> boxes = scripted.shown();
    const auto error =
        std::find_if(boxes.begin(), boxes.end(), [](const auto& box) { return box.flags == 16; });
    QVERIFY(error != boxes.end());
    QVERIFY2(error->prompt.startsWith(u"Error "_s), qPrintable(error->prompt));
    QCOMPARE(fixture::texts(form, kFields), fields);
    QCOMPARE(fixture::DataFolder::rows(u"Etiquetas.mdb"_s, kQueueFields), queue);
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
            QCOMPARE(form->findChild<QWidget*>(other)->palette().color(QPalette::Base),
                     other == name ? cyan : white);
    }
    // Only the size list writes in blue; the entry boxes write as every box does.
    QCOMPARE(form->findChild<QWidget*>(u"Combo1"_s)->palette().color(QPalette::Text),
             QColor(0, 0, 255));
    for (const QString& name : names.mid(1))
        QCOMPARE(form->findChild<QWidget*>(name)->palette().color(QPalette::Text),
                 QLineEdit().palette().color(QPalette::Text));
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
        QVERIFY2(metrics.horizontalAdvance(caption->text()) <= room.width(),
                 qPrintable(caption->text()));
        QVERIFY2(metrics.height() <= room.height(), qPrintable(caption->text()));
    }
    // "Precio $" stays the large bold caption it is.
    auto* price = form->findChild<QLabel*>(u"Label5"_s);
    QVERIFY(price->font().bold());
    QVERIFY(price->font().pointSizeF() >= 14);
}

void TestLabels::createShelf()
{
    QFile::remove(paths::toNative(paths::inBases(u"Articulos.mdb"_s)));
    QFile::remove(paths::toNative(paths::inBases(u"Etiquetas.mdb"_s)));
    // Codes 1 to 4 in this order.
    folder_->create(u"Articulos.mdb"_s,
                    {{{u"descripcion"_s, u"LECHE ENTERA"_s},
                      {u"codbarra"_s, u"7790001000013"_s},
                      {u"codp"_s, u"0003"_s},
                      {u"codm"_s, u"0002"_s},
                      {u"codr"_s, u"0001"_s},
                      {u"lis1"_s, 12.5}},
                     {{u"descripcion"_s, u"PAN FRANCES"_s},
                      {u"codp"_s, u"0001"_s},
                      {u"codm"_s, u"0002"_s},
                      {u"lis1"_s, 100.0}},
                     {{u"descripcion"_s, u"AZÚCAR REFINADA"_s},
                      {u"codbarra"_s, u"40123455"_s},
                      {u"codp"_s, u"0003"_s},
                      {u"codr"_s, u"0001"_s},
                      {u"lis1"_s, 950.0}},
                     {{u"descripcion"_s, u"SAL FINA"_s}, {u"codp"_s, u"0001"_s}}});
    folder_->create(u"Etiquetas.mdb"_s,
                    {{{u"codigo"_s, 9}, {u"descripcion"_s, u"VIEJA"_s}, {u"neto1"_s, 1.0}}});
}

QDialog* TestLabels::openAddMany()
{
    Etiquetas* form = openForm();
    if (!form) return nullptr;
    // An accelerator clicks its button a moment after the key.
    QTest::keyClick(form, Qt::Key_V, Qt::AltModifier);
    QDialog* dialog = nullptr;
    if (!QTest::qWaitFor(
            [&] { return (dialog = form->findChild<QDialog*>(u"AgregarVarias"_s)); }) ||
        !fixture::activate(dialog))
        return nullptr;
    // A dialog counts as active while its parent is (QWindow::isActive): the offscreen platform
    // leaves the focus in the form unless told.
    QApplication::setActiveWindow(dialog);
    if (!QTest::qWaitFor([dialog] { return QApplication::activeWindow() == dialog; }))
        return nullptr;
    return dialog;
}

void TestLabels::addMany_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QStringList>("added");  // after the label queued before

    const QString leche = u"1|7790001000013|LECHE ENTERA|12.5"_s,
                  pan = u"2|<null>|PAN FRANCES|100"_s, azucar = u"3|40123455|AZÚCAR REFINADA|950"_s,
                  sal = u"4|<null>|SAL FINA|<null>"_s;
    const QString quantity = manyBox(48, u"La cantidad por artículo es un número de 1 a 999."_s);
    QTest::newRow("supplier as typed, 3 each, in code order")
        << QStringList{u"txtProveedor:3"_s, u"txtCantidad clear"_s, u"txtCantidad:3"_s, u"yes"_s,
                       u"cmdAceptar"_s}
        << QStringList{manyBox(36, u"¿Agrega 6 etiquetas de 2 artículos a la cola?"_s),
                       manyBox(64, u"Se agregaron 6 etiquetas a la cola."_s)}
        << QString() << QStringList{leche, leche, leche, azucar, azucar, azucar};
    QTest::newRow("description without accents finds the accented one")
        << QStringList{u"txtDescripcion:azucar"_s, u"yes"_s, u"cmdAceptar"_s}
        << QStringList{manyBox(36, u"¿Agrega 1 etiqueta de 1 artículo a la cola?"_s),
                       manyBox(64, u"Se agregó 1 etiqueta a la cola."_s)}
        << QString() << QStringList{azucar};
    QTest::newRow("brand and code range together; an empty price stays empty")
        << QStringList{u"txtMarca:0002"_s, u"txtDesde:2"_s, u"txtHasta:4"_s, u"yes"_s,
                       u"cmdAceptar"_s}
        << QStringList{manyBox(36, u"¿Agrega 1 etiqueta de 1 artículo a la cola?"_s),
                       manyBox(64, u"Se agregó 1 etiqueta a la cola."_s)}
        << QString() << QStringList{pan};
    QTest::newRow("category and codes from")
        << QStringList{u"txtRubro:1"_s, u"txtDesde:2"_s, u"yes"_s, u"cmdAceptar"_s}
        << QStringList{manyBox(36, u"¿Agrega 1 etiqueta de 1 artículo a la cola?"_s),
                       manyBox(64, u"Se agregó 1 etiqueta a la cola."_s)}
        << QString() << QStringList{azucar};
    QTest::newRow("codes up to, 2 each")
        << QStringList{u"txtHasta:2"_s, u"txtCantidad clear"_s, u"txtCantidad:2"_s, u"yes"_s,
                       u"cmdAceptar"_s}
        << QStringList{manyBox(36, u"¿Agrega 4 etiquetas de 2 artículos a la cola?"_s),
                       manyBox(64, u"Se agregaron 4 etiquetas a la cola."_s)}
        << QString() << QStringList{leche, leche, pan, pan};
    QTest::newRow("No queues nothing")
        << QStringList{u"txtProveedor:1"_s, u"no"_s, u"cmdAceptar"_s}
        << QStringList{manyBox(36, u"¿Agrega 2 etiquetas de 2 artículos a la cola?"_s)}
        << u"cmdAceptar"_s << QStringList();
    QTest::newRow("no article matches")
        << QStringList{u"txtDescripcion:fideos"_s, u"cmdAceptar"_s}
        << QStringList{manyBox(
               48, u"Ningún artículo cumple las condiciones: no se agregó ninguna etiqueta."_s)}
        << u"cmdAceptar"_s << QStringList();
    QTest::newRow("nothing chosen")
        << QStringList{u"cmdAceptar"_s}
        << QStringList{manyBox(
               48, u"Elija qué artículos: proveedor, marca, rubro, descripción o códigos."_s)}
        << u"txtProveedor"_s << QStringList();
    QTest::newRow("quantity 0") << QStringList{u"txtProveedor:3"_s, u"txtCantidad clear"_s,
                                               u"txtCantidad:0"_s, u"cmdAceptar"_s}
                                << QStringList{quantity} << u"txtCantidad"_s << QStringList();
    QTest::newRow("quantity abc") << QStringList{u"txtProveedor:3"_s, u"txtCantidad clear"_s,
                                                 u"txtCantidad:abc"_s, u"cmdAceptar"_s}
                                  << QStringList{quantity} << u"txtCantidad"_s << QStringList();
    QTest::newRow("quantity 1000")
        << QStringList{u"txtProveedor:3"_s, u"txtCantidad:000"_s, u"cmdAceptar"_s}
        << QStringList{quantity} << u"txtCantidad"_s << QStringList();
    QTest::newRow("quantity empty")
        << QStringList{u"txtProveedor:3"_s, u"txtCantidad clear"_s, u"cmdAceptar"_s}
        << QStringList{quantity} << u"txtCantidad"_s << QStringList();
    QTest::newRow("a code that is none")
        << QStringList{u"txtDesde:1,5"_s, u"cmdAceptar"_s}
        << QStringList{manyBox(48, u"\"1,5\" no es un código de artículo."_s)} << u"txtDesde"_s
        << QStringList();
}

void TestLabels::addMany()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, boxes);
    QFETCH(QString, focus);
    QFETCH(QStringList, added);

    createShelf();
    ScriptedMessageBoxes scripted;
    QPointer<QDialog> dialog = openAddMany();
    QVERIFY(dialog);
    fixture::run(dialog, scripted, steps);
    QCOMPARE(fixture::shown(scripted), boxes);
    // Queued: the dialog closes; otherwise it stays with the box at fault.
    if (focus.isEmpty()) {
        QVERIFY(QTest::qWaitFor([&dialog] { return !dialog; }));
    } else {
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(fixture::focusName(), focus);
    }
    QCOMPARE(fixture::DataFolder::rows(u"Etiquetas.mdb"_s, kQueueFields),
             QStringList{u"9|<null>|VIEJA|1"_s} + added);
}

void TestLabels::addManyThroughTheKeyboardOnly()
{
    createShelf();
    ScriptedMessageBoxes scripted;
    QPointer<QDialog> dialog = openAddMany();
    QVERIFY(dialog);
    QCOMPARE(fixture::focusName(), u"txtProveedor"_s);
    // Enter moves on from box to box and then to Aceptar, which Enter presses.
    QStringList steps{u"txtProveedor:3"_s};
    for (int i = 0; i < 6; ++i) steps << u"focused Enter"_s;
    fixture::run(dialog, scripted, steps);
    QCOMPARE(fixture::focusName(), u"txtCantidad"_s);
    // Reached by Enter, the quantity is selected: typing replaces it.
    QTest::keyClicks(QApplication::focusWidget(), u"3"_s);
    QCOMPARE(dialog->findChild<QLineEdit*>(u"txtCantidad"_s)->text(), u"3"_s);
    fixture::run(dialog, scripted, {u"focused Enter"_s});
    QCOMPARE(fixture::focusName(), u"cmdAceptar"_s);
    fixture::run(dialog, scripted, {u"yes"_s, u"focused Enter"_s});
    QCOMPARE(fixture::shown(scripted),
             (QStringList{manyBox(36, u"¿Agrega 6 etiquetas de 2 artículos a la cola?"_s),
                          manyBox(64, u"Se agregaron 6 etiquetas a la cola."_s)}));
    QCOMPARE(fixture::DataFolder::rows(u"Etiquetas.mdb"_s, {u"codigo"_s}),
             (QStringList{u"9"_s, u"1"_s, u"1"_s, u"1"_s, u"3"_s, u"3"_s, u"3"_s}));
    QVERIFY(QTest::qWaitFor([&dialog] { return !dialog; }));

    // The small label sheet holds them: three of each, with their prices, after the old one.
    const reports::ReportDef& sheet = *reports::findByViewer(u"ForListaEtiqueta"_s);
    reports::Report report(sheet);
    report.SetLogOnInfo(QString(), u"\n"_s + sheet.password);
    report.refresh();
    const QString pdf = folder_->path() + u"/etiquetas.pdf"_s;
    report.exportPdf(pdf);
    QProcess pdftotext;
    pdftotext.start(u"pdftotext"_s, {pdf, u"-"_s});
    QVERIFY(pdftotext.waitForFinished(60000) && pdftotext.exitCode() == 0);
    const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput());
    for (const auto& [word, count] : {std::pair{u"VIEJA"_s, 1},
                                      {u"LECHE"_s, 3},
                                      {u"12,50"_s, 3},
                                      {u"AZÚCAR"_s, 3},
                                      {u"950,00"_s, 3}})
        QVERIFY2(text.count(word) == count, qPrintable(word + u" in "_s + text));
}

void TestLabels::addManyCodeBoxesOpenTheirLookups()
{
    createShelf();
    QStringList opened;
    fixture::LookupOpenerGuard guard([&opened](const QString& name, QLineEdit* target,
                                               QWidget* caller, forms::LookupTrigger how) {
        opened << u"%1 %2 %3 %4"_s.arg(name, target->objectName(), caller->objectName())
                      .arg(how == forms::LookupTrigger::EscapeKey ? u"Esc"_s : u"button"_s);
    });
    ScriptedMessageBoxes scripted;
    QPointer<QDialog> dialog = openAddMany();
    QVERIFY(dialog);
    fixture::run(dialog, scripted,
                 {u"txtProveedor Escape"_s, u"txtMarca Escape"_s, u"txtRubro Escape"_s});
    QCOMPARE(opened, (QStringList{u"ConsuProveedor1 txtProveedor AgregarVarias Esc"_s,
                                  u"ConsuMarcas1 txtMarca AgregarVarias Esc"_s,
                                  u"ConsuRubros1 txtRubro AgregarVarias Esc"_s}));
    QVERIFY(dialog && dialog->isVisible());
    // Esc elsewhere cancels, as in every dialog.
    fixture::run(dialog, scripted, {u"txtDescripcion Escape"_s});
    QVERIFY(QTest::qWaitFor([&dialog] { return !dialog; }));
    QCOMPARE(scripted.shown().size(), 0);
}

void TestLabels::addManyFailureQueuesNothing()
{
    createShelf();
    // The file refuses the second new label: the first must not stay.
    catalogue::open(u"Etiquetas.mdb"_s)
        ->Writer(
            u"CREATE TRIGGER lleno BEFORE INSERT ON articulos WHEN (SELECT count(*) FROM "
            u"articulos) >= 2 "
            u"BEGIN SELECT RAISE(ABORT, 'cola llena'); END"_s)({});
    ScriptedMessageBoxes scripted;
    QPointer<QDialog> dialog = openAddMany();
    QVERIFY(dialog);
    fixture::run(dialog, scripted, {u"txtProveedor:3"_s, u"yes"_s, u"cmdAceptar"_s});
    QCOMPARE(scripted.shown().size(), 2);
    QCOMPARE(scripted.shown()[1].flags, 16);
    QVERIFY2(scripted.shown()[1].prompt.startsWith(u"Error "_s),
             qPrintable(scripted.shown()[1].prompt));
    QVERIFY(dialog && dialog->isVisible());
    QCOMPARE(fixture::DataFolder::rows(u"Etiquetas.mdb"_s, kQueueFields),
             QStringList{u"9|<null>|VIEJA|1"_s});
}

void TestLabels::addManyCaptionsAndNames()
{
    ScriptedMessageBoxes scripted;
    QDialog* dialog = openAddMany();
    QVERIFY(dialog);
    auto* button = form_->findChild<QPushButton*>(u"cmdAgregarVarias"_s);
    QCOMPARE(button->accessibleName(), u"Agregar varias..."_s);
    for (QLabel* caption : dialog->findChildren<QLabel*>()) {
        QVERIFY2(QFontMetrics(caption->font()).horizontalAdvance(caption->text().remove(u'&')) <=
                     caption->contentsRect().width(),
                 qPrintable(caption->text()));
        QVERIFY(caption->buddy());
        QCOMPARE(caption->buddy()->accessibleName(), caption->text().remove(u'&').remove(u':'));
    }
    for (auto* b : dialog->findChildren<QPushButton*>())
        QCOMPARE(b->accessibleName(), b->text().remove(u'&'));
    QCOMPARE(dialog->findChild<QLineEdit*>(u"txtCantidad"_s)->text(), u"1"_s);
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
