// The supplier and customer forms, driven from the keyboard.

#include <QComboBox>
#include <QDate>
#include <QLabel>
#include <QPointer>
#include <QRadioButton>

#include <QMdiArea>
#include <QMdiSubWindow>

#include "data/storelocale.h"
#include "forms/lookuphook.h"
#include "guards.h"
#include "parties/partyform.h"
#include "scenario.h"
#include "shell/windowregistry.h"
#include "tempstore.h"

using namespace Qt::StringLiterals;

namespace {

const QStringList kSupplierFields = {u"Text1"_s, u"Text2"_s, u"Text3"_s,  u"Combo1"_s,
                                     u"Text4"_s, u"Text5"_s, u"Text6"_s,  u"Text7"_s,
                                     u"Text8"_s, u"Text9"_s, u"Text10"_s, u"Text11"_s};
const QStringList kSupplierColumns = {
    u"COD_PROV"_s,   u"RAZON_SOC"_s, u"CUIT"_s,  u"TIPO_IVA"_s, u"DOMICILIO"_s, u"CIUDAD"_s,
    u"COD_POSTAL"_s, u"PROVINCIA"_s, u"TEL_1"_s, u"MAIL"_s,     u"TEL_2"_s,     u"CONTACTO"_s};
const QStringList kCustomerFields = kSupplierFields.mid(0, 11);
const QStringList kCustomerColumns = {
    u"COD_CLIENT"_s, u"RAZON_SOC"_s,  u"CUIT"_s,      u"TIPO_IVA"_s, u"DOMICILIO"_s,
    u"CIUDAD"_s,     u"COD_POSTAL"_s, u"PROVINCIA"_s, u"TEL_1"_s,    u"MAIL"_s,
    u"TEL_2"_s,      u"CONTACTO"_s,   u"SALDO"_s,     u"ESTADO"_s,   u"SERVICIO"_s};

QVariantMap record(const QStringList& columns, const QStringList& values)
{
    QVariantMap map;
    for (qsizetype i = 0; i < values.size(); ++i)
        if (!values[i].isEmpty()) map[columns[i]] = values[i];
    return map;
}

// Table order: 0099, then 0007, then 0041 (the last).
QList<QVariantMap> suppliers()
{
    return {record(kSupplierColumns, {u"0099"_s, u"ALFA"_s}),
            record(kSupplierColumns, {u"0007"_s, u"ACME SA"_s, u"20-1"_s, u"MONOTRIBUTO"_s,
                                      u"SAN MARTIN 1"_s, u"ROSARIO"_s, u"2000"_s, u"SANTA FE"_s,
                                      u"4551234"_s, u"ACME@X.COM"_s, u"4551235"_s, u"PEDRO"_s}),
            record(kSupplierColumns, {u"0041"_s, u"ULTIMO"_s})};
}

QList<QVariantMap> customers()
{
    return {record(kCustomerColumns, {u"0003"_s,
                                      u"PRIMERO"_s,
                                      {},
                                      {},
                                      {},
                                      {},
                                      {},
                                      {},
                                      u"111"_s,
                                      {},
                                      {},
                                      {},
                                      {},
                                      u"HABILITADA"_s}),
            record(kCustomerColumns, {u"0001"_s,
                                      u"SEGUNDO"_s,
                                      {},
                                      {},
                                      {},
                                      {},
                                      {},
                                      {},
                                      {},
                                      {},
                                      {},
                                      u"JUAN"_s,
                                      u"150,5"_s,
                                      u"SUSPENDIDA"_s,
                                      u"X1"_s}),
            record(kCustomerColumns, {u"0002"_s, u"TERCERO"_s, {}, u"EXENTO"_s})};
}

QStringList blank(const QStringList& names)
{
    QStringList out;
    for (const QString& name : names) out << name + u'=';
    return out;
}

QStringList with(QStringList texts, const QStringList& changes)
{
    for (const QString& change : changes) {
        const QString name = change.section(u'=', 0, 0) + u'=';
        for (QString& t : texts)
            if (t.startsWith(name)) t = change;
    }
    return texts;
}

QStringList comboItems(QWidget* form)
{
    auto* combo = form->findChild<QComboBox*>(u"Combo1"_s);
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
    return items;
}

// Where Enter, Up and Down move the focus from one field; nullptr where not checked.
struct KeyMoves {
    const char16_t* from;
    const char16_t* enter;
    const char16_t* up;
    const char16_t* down;
};

// Both forms, from the name field to the e-mail field.
const KeyMoves kMiddleMoves[] = {
    {u"Text2", u"Text3", u"Text1", u"Text3"},   {u"Text3", u"Combo1", u"Text2", u"Combo1"},
    {u"Combo1", u"Text4", nullptr, nullptr},    {u"Text4", u"Text5", u"Combo1", u"Text5"},
    {u"Text5", u"Text6", u"Text4", u"Text6"},   {u"Text6", u"Text7", u"Text5", u"Text7"},
    {u"Text7", u"Text8", u"Text6", u"Text8"},   {u"Text8", u"Text9", u"Text7", u"Text9"},
    {u"Text9", u"Text10", u"Text8", u"Text10"},
};

template <std::size_t N>
void addKeyRows(const KeyMoves (&moves)[N])
{
    for (const KeyMoves& m : moves) {
        const QString from = QString::fromUtf16(m.from);
        for (const auto& [key, to] : {std::pair{"Enter", m.enter}, {"Up", m.up}, {"Down", m.down}})
            if (to)
                QTest::addRow("%s %s", qPrintable(from), key)
                    << from << QString::fromLatin1(key) << QString::fromUtf16(to);
    }
}

PartyForm* visibleForm(Party member)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* form = qobject_cast<PartyForm*>(w);
            form && form->isVisible() && form->member() == member)
            return form;
    return nullptr;
}

}  // namespace

class TestParties : public QObject {
    Q_OBJECT
private slots:
    // The forms are registered as the program registers them: a saved customer form comes
    // back through the registry.
    void init()
    {
        WindowRegistry::instance().clear();
        registerPartyWindows(WindowRegistry::instance());
    }
    void cleanup() { WindowRegistry::instance().clear(); }

    void supplierKeys_data();
    void supplierKeys();
    void supplierScenarios_data();
    void supplierScenarios();
    void supplierListFilledOnce();
    void supplierNuevoAfterSave();

    void customerKeys_data();
    void customerKeys();
    void customerScenarios_data();
    void customerScenarios();
    void customerAccountPanel();
    void customerSaveKeepsOtherFields();
    void customerSaveReopens();
    void customerNuevoLimit();
    void customerReopensInTheFrame();
    void closingAsksBeforeDroppingTypedChanges();
    void lookupDialogs();
    void missingFile();
};

// ------------------------------------------------------------------ suppliers

void TestParties::supplierKeys_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("to");
    // The key table of the form, field by field: where Enter, Up and Down go (Enter in the
    // code field looks the code up; Up and Down in the list step through it).
    const KeyMoves ends[] = {
        {u"Text1", nullptr, u"Text11", u"Text2"},
        {u"Text10", u"Text11", u"Text9", u"Text11"},
        {u"Text11", u"Text11", u"Text10", u"Text1"},
    };
    addKeyRows(kMiddleMoves);
    addKeyRows(ends);
}

void TestParties::supplierKeys()
{
    QFETCH(QString, from);
    QFETCH(QString, key);
    QFETCH(QString, to);
    fixture::DataFolder folder;
    folder.create(u"Proveedores.mdb"_s, suppliers());
    ScriptedMessageBoxes msg;
    std::unique_ptr<QWidget> form(newPartyForm(Party::Proveedores));
    fixture::showActive(form.get());
    QWidget* start = form->findChild<QWidget*>(from);
    start->setFocus();
    fixture::run(form.get(), msg, {from + u' ' + key});
    QCOMPARE(fixture::focusName(), to);
    if (auto* edit = qobject_cast<QLineEdit*>(form->findChild<QWidget*>(to)); edit && to != from)
        QCOMPARE(edit->selectedText(), edit->text());
    // Every field of the ring lights up with the focus.
    QCOMPARE(form->findChild<QWidget*>(to)->palette().color(QPalette::Base), QColor(192, 255, 255));
    if (to != from) QCOMPARE(start->palette().color(QPalette::Base), QColor(255, 255, 255));
}

void TestParties::supplierScenarios_data()
{
    fixture::addScenarioColumns();  // table: code|name|tax|mail|contact

    const QStringList empty = blank(kSupplierFields);
    const QStringList acme = {u"Text1=0007"_s,         u"Text2=ACME SA"_s,      u"Text3=20-1"_s,
                              u"Combo1=MONOTRIBUTO"_s, u"Text4=SAN MARTIN 1"_s, u"Text5=ROSARIO"_s,
                              u"Text6=2000"_s,         u"Text7=SANTA FE"_s,     u"Text8=4551234"_s,
                              u"Text9=ACME@X.COM"_s,   u"Text10=4551235"_s,     u"Text11=PEDRO"_s};
    const QStringList start = {u"0099|ALFA|<null>|<null>|<null>"_s,
                               u"0007|ACME SA|MONOTRIBUTO|ACME@X.COM|PEDRO"_s,
                               u"0041|ULTIMO|<null>|<null>|<null>"_s};

    QTest::newRow("7 finds 0007") << QStringList{u"Text1:7"_s, u"Text1 Enter"_s} << QStringList()
                                  << acme << u"Text2"_s << start;
    QTest::newRow("not found")
        << QStringList{u"Text2:x"_s, u"Text1:ab"_s, u"Text1 Enter"_s}
        << QStringList{u"64|Error|Proveedor no encontrado en la Base de Datos"_s} << empty
        << u"Text1"_s << start;
    QTest::newRow("comma everywhere but the code")
        << QStringList{u"Text1:1.2"_s,  u"Text2:a.b"_s,  u"Text3:2.0"_s, u"Text9:mi.correo@x.com"_s,
                       u"Text8:45.1"_s, u"Text11:j.p"_s, u"Combo1:r.i"_s}
        << QStringList()
        << with(empty, {u"Text1=1.2"_s, u"Text2=A,B"_s, u"Text3=2,0"_s, u"Text9=MI,CORREO@X,COM"_s,
                        u"Text8=45,1"_s, u"Text11=J,P"_s, u"Combo1=R.I"_s})
        << u"Text1"_s << start;
    QTest::newRow("code width") << QStringList{u"Text1:123456"_s, u"Text6:123456"_s}
                                << QStringList() << with(empty, {u"Text1=1234"_s, u"Text6=12345"_s})
                                << u"Text1"_s << start;
    QTest::newRow("save formats the code")
        << QStringList{u"Text1:8"_s, u"Text2:nuevo"_s, u"cmdGrabar"_s}
        << QStringList{u"48|Guardar|Proveedor Guardado, Precione Aceptar para Continuar"_s}
        << with(empty, {u"Text1=0008"_s, u"Text2=NUEVO"_s}) << u"cmdGrabar"_s
        << (QStringList(start) << u"0008|NUEVO|||"_s);
    QTest::newRow("overwrite all twelve")
        << QStringList{u"Text1:0007"_s, u"Text2:otro"_s, u"Combo1:cualquiera"_s, u"cmdGrabar"_s}
        << QStringList{u"48|Guardar|Proveedor Guardado, Precione Aceptar para Continuar"_s}
        << with(empty, {u"Text1=0007"_s, u"Text2=OTRO"_s, u"Combo1=CUALQUIERA"_s}) << u"cmdGrabar"_s
        << QStringList{u"0099|ALFA|<null>|<null>|<null>"_s, u"0007|OTRO|CUALQUIERA||"_s,
                       u"0041|ULTIMO|<null>|<null>|<null>"_s};
    QTest::newRow("save empty code") << QStringList{u"Text2:x"_s, u"cmdGrabar"_s} << QStringList()
                                     << with(empty, {u"Text2=X"_s}) << u"cmdGrabar"_s << start;
    QTest::newRow("nuevo after 0041")
        << QStringList{u"Text1:7"_s, u"Text1 Enter"_s, u"cmdNuevo"_s} << QStringList()
        << with(empty, {u"Text1=0042"_s}) << u"cmdNuevo"_s << start;
    QTest::newRow("delete empty code")
        << QStringList{u"cmdEliminar"_s}
        << QStringList{u"16|Error|Debe poner el Codigo del Proveedor a Borrar"_s} << empty
        << u"cmdEliminar"_s << start;
    QTest::newRow("delete unknown")
        << QStringList{u"Text1:0005"_s, u"cmdEliminar"_s}
        << QStringList{u"64|Error|Proveedor no encontrado en la Base de Datos"_s} << empty
        << u"cmdEliminar"_s << start;
    QTest::newRow("delete answered no") << QStringList{u"no"_s, u"Text1:0007"_s, u"cmdEliminar"_s}
        << QStringList{u"20|Eliminar Proveedor --> 0007|¿Confirme la Eliminación del "
            u"Proveedor? --> ACME SA"_s}
        << empty << u"cmdEliminar"_s << start;
    QTest::newRow("delete answered yes") << QStringList{u"yes"_s, u"Text1:0099"_s, u"cmdEliminar"_s}
        << QStringList{u"20|Eliminar Proveedor --> 0099|¿Confirme la Eliminación del "
            u"Proveedor? --> ALFA"_s}
        << empty << u"cmdEliminar"_s << start.mid(1);
    QTest::newRow("escape opens nothing without a dialog")
        << QStringList{u"Text1 Escape"_s, u"Command5"_s} << QStringList() << empty << u"Text1"_s
        << start;
}

void TestParties::supplierScenarios()
{
    fixture::DataFolder folder;
    folder.create(u"Proveedores.mdb"_s, suppliers());
    ScriptedMessageBoxes msg;
    std::unique_ptr<QWidget> form(newPartyForm(Party::Proveedores));
    QVERIFY(form);
    fixture::showActive(form.get());
    QVERIFY(!form->findChild<QLineEdit*>(u"Text17"_s)->isVisible());
    fixture::checkScenario(
        form.get(), msg, kSupplierFields, u"Proveedores.mdb"_s,
        {u"COD_PROV"_s, u"RAZON_SOC"_s, u"TIPO_IVA"_s, u"MAIL"_s, u"CONTACTO"_s});
}

void TestParties::supplierListFilledOnce()
{
    fixture::DataFolder folder;
    folder.create(u"Proveedores.mdb"_s, suppliers());
    ScriptedMessageBoxes msg;
    std::unique_ptr<QWidget> form(newPartyForm(Party::Proveedores));
    fixture::showActive(form.get());
    QVERIFY(comboItems(form.get()).isEmpty());  // empty until the first Nuevo or look-up
    fixture::run(form.get(), msg, {u"Text1:5"_s, u"Text1 Enter"_s});
    QVERIFY(comboItems(form.get()).isEmpty());  // a failed look-up fills nothing
    fixture::run(form.get(), msg,
                 {u"Text1:7"_s, u"Text1 Enter"_s, u"cmdNuevo"_s, u"cmdNuevo"_s, u"Text2 Up"_s,
                  u"Text1:99"_s, u"Text1 Enter"_s});
    const QStringList five = {u"RESP. INSCRIPTO"_s, u"RESP. NO INSCR."_s, u"MONOTRIBUTO"_s,
                              u"CONS. FINAL"_s, u"EXCENTO"_s};
    QCOMPARE(comboItems(form.get()), five);
    // Enter in the list does not add the typed text to it.
    fixture::run(form.get(), msg, {u"Combo1:otra"_s, u"Combo1 Enter"_s});
    QCOMPARE(comboItems(form.get()), five);
    // Down steps through the list.
    form->findChild<QComboBox*>(u"Combo1"_s)->setCurrentIndex(0);
    fixture::run(form.get(), msg, {u"Combo1 Down"_s});
    QCOMPARE(form->findChild<QComboBox*>(u"Combo1"_s)->currentText(), u"RESP. NO INSCR."_s);
}

void TestParties::supplierNuevoAfterSave()
{
    fixture::DataFolder folder;
    folder.create(u"Proveedores.mdb"_s, suppliers());
    ScriptedMessageBoxes msg;
    std::unique_ptr<QWidget> form(newPartyForm(Party::Proveedores));
    fixture::showActive(form.get());
    fixture::run(form.get(), msg, {u"cmdNuevo"_s, u"Text2:nuevo"_s, u"cmdGrabar"_s});
    // The form keeps showing the saved supplier.
    QCOMPARE(fixture::texts(form.get(), {u"Text1"_s, u"Text2"_s}),
             (QStringList{u"Text1=0042"_s, u"Text2=NUEVO"_s}));
    fixture::run(form.get(), msg, {u"cmdNuevo"_s});
    QCOMPARE(fixture::texts(form.get(), {u"Text1"_s, u"Text2"_s}),
             (QStringList{u"Text1=0043"_s, u"Text2="_s}));
}

// ------------------------------------------------------------------ customers

void TestParties::customerKeys_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("to");
    // No wrap: Up in the code field and Down in the fax field stay; Enter in the fax field too.
    const KeyMoves ends[] = {
        {u"Text1", nullptr, u"Text1", u"Text2"},
        {u"Text10", u"Text10", u"Text9", u"Text10"},
    };
    addKeyRows(kMiddleMoves);
    addKeyRows(ends);
    QTest::newRow("Escape in city") << u"Text5"_s << u"Escape"_s << u"Text5"_s;
}

void TestParties::customerKeys()
{
    QFETCH(QString, from);
    QFETCH(QString, key);
    QFETCH(QString, to);
    fixture::DataFolder folder;
    folder.create(u"Clientes.mdb"_s, customers());
    ScriptedMessageBoxes msg;
    std::unique_ptr<QWidget> form(newPartyForm(Party::Clientes));
    fixture::showActive(form.get());
    form->findChild<QWidget*>(from)->setFocus();
    fixture::run(form.get(), msg, {from + u' ' + key});
    QCOMPARE(fixture::focusName(), to);
    QCOMPARE(form->findChild<QWidget*>(to)->palette().color(QPalette::Base), QColor(192, 255, 255));
    QVERIFY(msg.shown().isEmpty());
}

void TestParties::customerScenarios_data()
{
    fixture::addScenarioColumns();  // table: code|name|tel|mail

    const QStringList empty = blank(kCustomerFields);
    const QStringList start = {u"0003|PRIMERO|111|<null>"_s, u"0001|SEGUNDO|<null>|<null>"_s,
                               u"0002|TERCERO|<null>|<null>"_s};
    const QString end = u"48|Mensaje|Fin del Archivo, Aceptar para ir al Primer Registro"_s;
    const QString begin = u"48|Mensaje|Comienzo del Archivo, Aceptar para ir al Ultimo Registro"_s;

    QTest::newRow("first next shows the second")
        << QStringList{u"cmdSiguiente"_s} << QStringList()
        << with(empty, {u"Text1=0001"_s, u"Text2=SEGUNDO"_s}) << u"cmdSiguiente"_s << start;
    QTest::newRow("first previous shows the last")
        << QStringList{u"cmdAnterior"_s} << QStringList{begin}
        << with(empty, {u"Text1=0002"_s, u"Text2=TERCERO"_s, u"Combo1=EXENTO"_s})
        << u"cmdAnterior"_s << start;
    QTest::newRow("next past the end")
        << QStringList{u"cmdSiguiente"_s, u"cmdSiguiente"_s, u"cmdSiguiente"_s} << QStringList{end}
        << with(empty, {u"Text1=0003"_s, u"Text2=PRIMERO"_s, u"Text8=111"_s}) << u"cmdSiguiente"_s
        << start;
    QTest::newRow("telephone left blank")
        << QStringList{u"cmdAnterior"_s, u"cmdSiguiente"_s, u"cmdSiguiente"_s}
        << QStringList{begin, end} << with(empty, {u"Text1=0001"_s, u"Text2=SEGUNDO"_s})
        << u"cmdSiguiente"_s << start;
    QTest::newRow("code order after a look-up")
        << QStringList{u"Text1:1"_s, u"Text1 Enter"_s, u"cmdSiguiente"_s} << QStringList()
        << with(empty, {u"Text1=0002"_s, u"Text2=TERCERO"_s, u"Combo1=EXENTO"_s})
        << u"cmdSiguiente"_s << start;
    QTest::newRow("browsing by accelerators")
        << QStringList{u"Text1 Alt+S"_s, u"Text1 Alt+S"_s, u"Text1 Alt+A"_s} << QStringList()
        << with(empty, {u"Text1=0001"_s, u"Text2=SEGUNDO"_s}) << u"Text1"_s << start;
    QTest::newRow("unsaved input replaced")
        << QStringList{u"Text2:escrito"_s, u"cmdSiguiente"_s} << QStringList()
        << with(empty, {u"Text1=0001"_s, u"Text2=SEGUNDO"_s}) << u"cmdSiguiente"_s << start;
    QTest::newRow("e-mail as typed, comma in some")
        << QStringList{u"Text9:ana.p@x.com"_s, u"Text8:45.1"_s, u"Text2:s.a"_s, u"Text4:a.b"_s,
                       u"Text6:1.2"_s}
        << QStringList()
        << with(empty, {u"Text9=ana.p@x.com"_s, u"Text8=45,1"_s, u"Text2=S.A"_s, u"Text4=A.B"_s,
                        u"Text6=1,2"_s})
        << u"Text1"_s << start;
    QTest::newRow("name width") << QStringList{u"Text2:"_s + QString(31, u'n'),
                                               u"Text1:123456789"_s}
                                << QStringList()
                                << with(empty,
                                        {u"Text2="_s + QString(30, u'N'), u"Text1=12345678"_s})
                                << u"Text1"_s << start;
    QTest::newRow("nuevo goes to the name")
        << QStringList{u"cmdNuevo"_s} << QStringList() << with(empty, {u"Text1=0004"_s})
        << u"Text2"_s << start;
    QTest::newRow("save empty code stays")
        << QStringList{u"Text2:x"_s, u"cmdGrabar"_s} << QStringList() << with(empty, {u"Text2=X"_s})
        << u"cmdGrabar"_s << start;
    QTest::newRow("delete answered no") << QStringList{u"no"_s, u"Text1:0001"_s, u"cmdEliminar"_s}
        << QStringList{u"20|Eliminar Cliente --> 0001|¿Confirme la Eliminación del Cliente? "
            u"--> SEGUNDO"_s}
        << empty << u"cmdEliminar"_s << start;
    QTest::newRow("delete answered yes") << QStringList{u"yes"_s, u"Text1:3"_s, u"Text1 Enter"_s, u"cmdEliminar"_s}
        << QStringList{u"20|Eliminar Cliente --> 0003|¿Confirme la Eliminación del Cliente? "
            u"--> PRIMERO"_s}
        << empty << u"cmdEliminar"_s << start.mid(1);
    QTest::newRow("delete empty code")
        << QStringList{u"cmdEliminar"_s}
        << QStringList{u"16|Error|Debe poner el Codigo del Cliente a Borrar"_s} << empty
        << u"cmdEliminar"_s << start;
    QTest::newRow("delete unknown")
        << QStringList{u"Text1:9"_s, u"cmdEliminar"_s}
        << QStringList{u"64|Error|Cliente no encontrado en la Base de Datos"_s} << empty
        << u"cmdEliminar"_s << start;
    QTest::newRow("look-up not found")
        << QStringList{u"Text1:9"_s, u"Text1 Enter"_s}
        << QStringList{u"64|Error|Cliente no encontrado en la Base de Datos"_s} << empty
        << u"Text1"_s << start;
}

void TestParties::customerScenarios()
{
    fixture::DataFolder folder;
    folder.create(u"Clientes.mdb"_s, customers());
    ScriptedMessageBoxes msg;
    std::unique_ptr<QWidget> form(newPartyForm(Party::Clientes));
    QVERIFY(form);
    fixture::showActive(form.get());
    fixture::checkScenario(form.get(), msg, kCustomerFields, u"Clientes.mdb"_s,
                           {u"COD_CLIENT"_s, u"RAZON_SOC"_s, u"TEL_1"_s, u"MAIL"_s});
    // The date written at opening stays through every blanking.
    QCOMPARE(form->findChild<QLineEdit*>(u"Text17"_s)->text(),
             storelocale::shortDate(QDate::currentDate()));
}

void TestParties::customerAccountPanel()
{
    fixture::DataFolder folder;
    folder.create(u"Clientes.mdb"_s, customers());
    ScriptedMessageBoxes msg;
    std::unique_ptr<QWidget> form(newPartyForm(Party::Clientes));
    fixture::showActive(form.get());
    auto* enabled = form->findChild<QRadioButton*>(u"Option1"_s);
    auto* suspended = form->findChild<QRadioButton*>(u"Option2"_s);
    auto* balance = form->findChild<QLabel*>(u"lblImporte"_s);
    auto* title = form->findChild<QLabel*>(u"lblSaldo"_s);
    QCOMPARE(enabled->text(), u"Habilitada"_s);
    QCOMPARE(suspended->text(), u"Desabilitada"_s);
    QVERIFY(suspended->isChecked());
    QVERIFY(!balance->isVisible() && !title->isVisible());

    QTest::mouseClick(enabled, Qt::LeftButton);
    QVERIFY(balance->isVisible() && title->isVisible());
    QCOMPARE(balance->text(), u"$ 00000"_s);
    QCOMPARE(title->text(), u"Saldo"_s);
    QTest::mouseClick(suspended, Qt::LeftButton);
    QVERIFY(!balance->isVisible());

    // 0003 is enabled, 0001 suspended (with a balance stored, never shown).
    fixture::run(form.get(), msg, {u"Text1:3"_s, u"Text1 Enter"_s});
    QVERIFY(enabled->isChecked() && balance->isVisible());
    fixture::run(form.get(), msg, {u"Text2 Up"_s, u"Text1:1"_s, u"Text1 Enter"_s});
    QVERIFY(suspended->isChecked() && !balance->isVisible());
    QCOMPARE(balance->text(), u"$ 00000"_s);
    // No state stored: the options stay as they were.
    fixture::run(form.get(), msg, {u"Text2 Up"_s, u"Text1:2"_s, u"Text1 Enter"_s});
    QVERIFY(suspended->isChecked());
    QCOMPARE(form->findChild<QWidget*>(u"Frame4"_s)->property("title").toString(),
             u"Cuenta Corriente"_s);
}

void TestParties::customerSaveKeepsOtherFields()
{
    fixture::DataFolder folder;
    folder.create(u"Clientes.mdb"_s, customers());
    ScriptedMessageBoxes msg;
    QPointer<QWidget> form = newPartyForm(Party::Clientes);
    fixture::showActive(form);
    fixture::run(form, msg,
                 {u"Text1:1"_s, u"Text1 Enter"_s, u"Text2:otro nombre"_s, u"Text9:a.b@c.d"_s,
                  u"cmdGrabar"_s});
    QCOMPARE(fixture::shown(msg),
             QStringList{u"48|Guardar|Cliente Guardado, Precione Aceptar para Continuar"_s});
    QCOMPARE(fixture::DataFolder::rows(u"Clientes.mdb"_s, kCustomerColumns).at(1),
             u"0001|OTRO NOMBRE||||||||a.b@c.d||JUAN|150.5|SUSPENDIDA|X1"_s);
    QTRY_VERIFY(form.isNull());
    QTRY_VERIFY(visibleForm(Party::Clientes) != nullptr);
    delete visibleForm(Party::Clientes);
}

void TestParties::customerSaveReopens()
{
    fixture::DataFolder folder;
    folder.create(u"Clientes.mdb"_s, customers());
    ScriptedMessageBoxes msg;
    QPointer<QWidget> form = newPartyForm(Party::Clientes);
    fixture::showActive(form);
    form->move(70, 20);
    const QPoint place = form->pos();
    fixture::run(
        form, msg,
        {u"cmdNuevo"_s, u"Text2:nuevo"_s, u"Text8:4.5"_s, u"Combo1 Down"_s, u"cmdGrabar"_s});
    QCOMPARE(fixture::shown(msg),
             QStringList{u"48|Guardar|Cliente Guardado, Precione Aceptar para Continuar"_s});
    QCOMPARE(
        fixture::DataFolder::rows(u"Clientes.mdb"_s, {u"COD_CLIENT"_s, u"RAZON_SOC"_s, u"TEL_1"_s,
                                                      u"TIPO_IVA"_s, u"ESTADO"_s}),
        (QStringList{
            u"0003|PRIMERO|111|<null>|HABILITADA"_s, u"0001|SEGUNDO|<null>|<null>|SUSPENDIDA"_s,
            u"0002|TERCERO|<null>|EXENTO|<null>"_s, u"0004|NUEVO|4,5|RESP. INSCRIPTO|<null>"_s}));
    // After the last customer 0002, Nuevo passed over 0003, which exists, and proposed 0004.
    // Closed after the save; a blank customer form stands at the same place.
    QTRY_VERIFY(form.isNull());
    PartyForm* fresh = nullptr;
    QTRY_VERIFY((fresh = visibleForm(Party::Clientes)) != nullptr);
    QCOMPARE(fresh->pos(), place);
    QCOMPARE(fixture::texts(fresh, kCustomerFields), blank(kCustomerFields));
    QVERIFY(comboItems(fresh).isEmpty());
    delete fresh;
}

void TestParties::customerNuevoLimit()
{
    fixture::DataFolder folder;
    folder.create(u"Clientes.mdb"_s,
                  {record(kCustomerColumns, {u"0001"_s}), record(kCustomerColumns, {u"32767"_s})});
    ScriptedMessageBoxes msg;
    std::unique_ptr<QWidget> form(newPartyForm(Party::Clientes));
    fixture::showActive(form.get());
    fixture::run(form.get(), msg, {u"cmdNuevo"_s});
    QCOMPARE(
        fixture::shown(msg),
        QStringList{
            u"48|Error|No Quedan Codigos Libres despues del Ultimo, Escriba el Codigo Nuevo"_s});
    QCOMPARE(fixture::texts(form.get(), {u"Text1"_s}), QStringList{u"Text1="_s});
}

void TestParties::customerReopensInTheFrame()
{
    fixture::DataFolder folder;
    folder.create(u"Clientes.mdb"_s, customers());
    folder.create(u"Proveedores.mdb"_s);
    ScriptedMessageBoxes msg;
    QMdiArea frame;
    frame.resize(1200, 800);
    fixture::showActive(&frame);
    WindowRegistry& registry = WindowRegistry::instance();
    registry.setFrame(&frame);
    QVERIFY(registry.show(u"Proveedores"_s));
    QPointer<QWidget> form = registry.show(u"Clientes"_s);
    form->parentWidget()->move(30, 45);  // the user moved it
    fixture::run(form, msg, {u"Text1:1"_s, u"Text1 Enter"_s, u"cmdGrabar"_s});
    QTRY_VERIFY(form.isNull());
    QTRY_VERIFY(registry.openWindow(u"Clientes"_s) != nullptr);
    QWidget* fresh = registry.openWindow(u"Clientes"_s);
    QCOMPARE(fresh->parentWidget()->pos(), QPoint(30, 45));
    QCOMPARE(fixture::texts(fresh, {u"Text1"_s, u"Text2"_s}),
             (QStringList{u"Text1="_s, u"Text2="_s}));
    QCOMPARE(frame.subWindowList().size(), 2);
}

// Closing in any way (here as the title bar's button does) with a typed change asks first,
// default No; a form loaded or blanked and left as it was closes without a word.
void TestParties::closingAsksBeforeDroppingTypedChanges()
{
    fixture::DataFolder folder;
    folder.create(u"Clientes.mdb"_s, customers());
    const QString ask =
        u"276|ERROR|DEBE GUARDAR LOS CAMBIOS PARA PODER SALIR\n¿Sale sin guardar los cambios?"_s;
    for (const QStringList& steps : {QStringList{u"Text1:1"_s, u"Text1 Enter"_s, u"Text2:X"_s},
                                     QStringList{u"cmdNuevo"_s, u"Text2:nuevo"_s}}) {
        ScriptedMessageBoxes msg;
        QPointer<QWidget> form = newPartyForm(Party::Clientes);
        fixture::showActive(form);
        fixture::run(form, msg, steps);
        msg.clear();
        QVERIFY(!form->close());
        QCOMPARE(fixture::shown(msg), QStringList{ask});
        QVERIFY(form && form->isVisible());
        msg.answer(MsgBoxResult::Yes);
        QVERIFY(form->close());
        delete form;
    }
    ScriptedMessageBoxes msg;
    QPointer<QWidget> form = newPartyForm(Party::Clientes);
    fixture::showActive(form);
    fixture::run(form, msg, {u"Text1:1"_s, u"Text1 Enter"_s, u"Text1:2"_s});
    QVERIFY(form->close());
    QCOMPARE(fixture::shown(msg), QStringList());
    delete form;
}

void TestParties::lookupDialogs()
{
    fixture::DataFolder folder;
    folder.create(u"Clientes.mdb"_s);
    folder.create(u"Proveedores.mdb"_s);
    QStringList opened;
    fixture::LookupOpenerGuard opener(
        [&](const QString& name, QLineEdit* target, QWidget*, forms::LookupTrigger) {
            opened << name + u' ' + target->objectName();
        });
    ScriptedMessageBoxes msg;
    std::unique_ptr<QWidget> suppliers(newPartyForm(Party::Proveedores));
    std::unique_ptr<QWidget> customers(newPartyForm(Party::Clientes));
    fixture::run(suppliers.get(), msg, {u"Text1 Escape"_s});
    fixture::showActive(customers.get());
    // The city field's Esc and picture button open nothing.
    fixture::run(customers.get(), msg, {u"Text1 Escape"_s, u"Text5 Escape"_s, u"Command1"_s});
    QCOMPARE(opened, (QStringList{u"ConsuProveedor Text1"_s, u"ConsuCliente Text1"_s}));
}

void TestParties::missingFile()
{
    fixture::DataFolder folder;
    ScriptedMessageBoxes msg;
    QVERIFY(!newPartyForm(Party::Proveedores));
    QVERIFY(!newPartyForm(Party::Clientes));
    QCOMPARE(msg.shown().size(), 2);
    for (const auto& box : msg.shown())
        QVERIFY2(box.prompt.startsWith(u"Error 3024"_s), qPrintable(box.prompt));
}

QTEST_MAIN(TestParties)
#include "tst_parties.moc"
