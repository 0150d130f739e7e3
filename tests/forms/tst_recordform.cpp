// The record form's shared behaviour, through a small form over the supplier file.

#include <QDate>
#include <QFile>
#include <QHBoxLayout>
#include <QPointer>

#include "data/storelocale.h"
#include "forms/lookuphook.h"
#include "forms/recordform.h"
#include "guards.h"
#include "scenario.h"
#include "shell/windowregistry.h"
#include "tempstore.h"
#include "tests.h"

using namespace Qt::StringLiterals;
using namespace forms;

namespace {

// Code, name (comma, highlight), tax list, e-mail (as typed).
FormDef testForm(bool wraps, AfterSave afterSave)
{
    FormDef def;
    def.fileName = u"Proveedores.mdb"_s;
    def.codeField = u"COD_PROV"_s;
    def.lookupDialog = u"ConsuProveedor"_s;
    def.texts = {u"no encontrado"_s, u"guardado"_s, u"falta codigo"_s, u"borrar? "_s, u"Borrar "_s};
    def.ring = {{u"Text1"_s, u"COD_PROV"_s, UpperCase | SelectOnClick},
                {u"Text2"_s, u"RAZON_SOC"_s, UpperCase | DecimalComma | Highlight | SelectOnClick},
                {u"Combo1"_s, u"TIPO_IVA"_s, UpperCase},
                {u"Text9"_s, u"MAIL"_s, SelectOnClick}};
    def.ringWraps = wraps;
    def.afterSave = afterSave;
    return def;
}

class TestForm : public RecordForm {
public:
    explicit TestForm(bool wraps = true, AfterSave afterSave = AfterSave::KeepShowing)
        : RecordForm(testForm(wraps, afterSave), nullptr)
    {
        setObjectName(u"TestForm"_s);
        auto* layout = new QHBoxLayout(this);
        for (const char16_t* name : {u"Text1", u"Text2", u"Text9", u"Text17"}) {
            auto* edit = new QLineEdit(this);
            edit->setObjectName(QString::fromUtf16(name));
            layout->addWidget(edit);
        }
        auto* combo = new QComboBox(this);
        combo->setObjectName(u"Combo1"_s);
        combo->setEditable(true);
        combo->addItems({u"RESP. INSCRIPTO"_s, u"MONOTRIBUTO"_s});
        layout->insertWidget(2, combo);
        for (const char16_t* name : {u"cmdNuevo", u"cmdGrabar", u"cmdEliminar", u"cmdCerrar",
                                     u"cmdAnterior", u"cmdSiguiente", u"Command5"}) {
            auto* button = new QPushButton(QString::fromUtf16(name), this);
            button->setObjectName(QString::fromUtf16(name));
            layout->addWidget(button);
        }
        wire();
    }
    std::function<void(Recordset&)> storeHook;

protected:
    void afterStore(Recordset& rs) override
    {
        if (storeHook) storeHook(rs);
    }
};

// Registers the test form as the program registers its forms; `made` counts the forms made.
void registerTestForm(int* made = nullptr)
{
    WindowRegistry::instance().add(
        {u"TestForm"_s, WindowPlace::InFrame, QPoint(3100, 0), [made]() -> QWidget* {
             if (made) ++*made;
             auto* form = new TestForm(true, AfterSave::ReopenAlways);
             if (form->open()) return form;
             delete form;
             return nullptr;
         }});
}

QVariantMap supplier(const QString& code, const QString& name = QString(),
                     const QString& mail = QString(), const QString& tax = QString())
{
    QVariantMap record{{u"COD_PROV"_s, code}};
    if (!name.isNull()) record[u"RAZON_SOC"_s] = name;
    if (!mail.isNull()) record[u"MAIL"_s] = mail;
    if (!tax.isNull()) record[u"TIPO_IVA"_s] = tax;
    return record;
}

const QStringList kFields = {u"Text1"_s, u"Text2"_s, u"Combo1"_s, u"Text9"_s};
const QStringList kColumns = {u"COD_PROV"_s, u"RAZON_SOC"_s, u"TIPO_IVA"_s, u"MAIL"_s};

}  // namespace

class TestRecordForm : public QObject {
    Q_OBJECT
private slots:
    void codeFormat_data();
    void codeFormat();
    void scenarios_data();
    void scenarios();
    void nuevo_data();
    void nuevo();
    void focusHighlightAndClick();
    void lookupHook();
    void engineErrorOnSaveStoresNothing();
    void unopenableFile_data();
    void unopenableFile();
    void reopenAfterSave();
    void unregisteredFormOnlyCloses();
    void blankingEmptiesDateBox();
};

void TestRecordForm::codeFormat_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("formatted");
    QTest::newRow("one digit") << u"7"_s << u"0007"_s;
    QTest::newRow("two digits") << u"12"_s << u"0012"_s;
    QTest::newRow("already padded") << u"0042"_s << u"0042"_s;
    QTest::newRow("extra zeros") << u"00012"_s << u"0012"_s;
    QTest::newRow("five digits") << u"12345"_s << u"12345"_s;
    QTest::newRow("zero") << u"0"_s << u"0000"_s;
    QTest::newRow("letters") << u"AB"_s << u"AB"_s;
    QTest::newRow("decimal") << u"1,5"_s << u"1,5"_s;
    QTest::newRow("plus sign") << u"+3"_s << u"0003"_s;
    QTest::newRow("minus sign") << u"-3"_s << u"-3"_s;
    QTest::newRow("whole decimal") << u"3,0"_s << u"0003"_s;
    QTest::newRow("blanks around") << u" 12 "_s << u"0012"_s;
    QTest::newRow("full stop") << u"3.0"_s << u"3.0"_s;
    QTest::newRow("sign alone") << u"+"_s << u"+"_s;
    QTest::newRow("empty") << QString() << QString();
}

void TestRecordForm::codeFormat()
{
    QFETCH(QString, typed);
    QFETCH(QString, formatted);
    QCOMPARE(formatCode(typed), formatted);
}

void TestRecordForm::scenarios_data()
{
    QTest::addColumn<bool>("wraps");
    fixture::addScenarioColumns();

    const QStringList start = {u"0007|ACME|MONOTRIBUTO|a@b.c"_s, u"0003|OTRO|<null>|<null>"_s};
    // Typing.
    QTest::newRow("upper case and comma")
        << true << QStringList{u"Text2:s.a. mio"_s} << QStringList()
        << QStringList{u"Text1="_s, u"Text2=S,A, MIO"_s, u"Combo1="_s, u"Text9="_s} << u"Text1"_s
        << start;
    QTest::newRow("e-mail as typed")
        << true << QStringList{u"Text9:Ana.Lopez@x.com"_s} << QStringList()
        << QStringList{u"Text1="_s, u"Text2="_s, u"Combo1="_s, u"Text9=Ana.Lopez@x.com"_s}
        << u"Text1"_s << start;
    QTest::newRow("composed accent upper case")
        << true << QStringList{u"Text2:caf"_s, u"Text2 compose:é"_s} << QStringList()
        << QStringList{u"Text1="_s, u"Text2=CAFÉ"_s, u"Combo1="_s, u"Text9="_s} << u"Text1"_s
        << start;
    QTest::newRow("composed text takes the comma")
        << true << QStringList{u"Text2 compose:s.a. ñ"_s} << QStringList()
        << QStringList{u"Text1="_s, u"Text2=S,A, Ñ"_s, u"Combo1="_s, u"Text9="_s} << u"Text1"_s
        << start;
    QTest::newRow("composed into the list")
        << true << QStringList{u"Combo1:s"_s, u"Combo1 compose:ú"_s} << QStringList()
        << QStringList{u"Text1="_s, u"Text2="_s, u"Combo1=SÚ"_s, u"Text9="_s} << u"Text1"_s
        << start;
    QTest::newRow("composed e-mail as typed")
        << true << QStringList{u"Text9:jos"_s, u"Text9 compose:é"_s} << QStringList()
        << QStringList{u"Text1="_s, u"Text2="_s, u"Combo1="_s, u"Text9=josé"_s} << u"Text1"_s
        << start;
    QTest::newRow("paste keeps case")
        << true << QStringList{u"Text2 paste:abc.d"_s} << QStringList()
        << QStringList{u"Text1="_s, u"Text2=abc.d"_s, u"Combo1="_s, u"Text9="_s} << u"Text1"_s
        << start;
    QTest::newRow("list typed upper")
        << true << QStringList{u"Combo1:otro"_s} << QStringList()
        << QStringList{u"Text1="_s, u"Text2="_s, u"Combo1=OTRO"_s, u"Text9="_s} << u"Text1"_s
        << start;
    QTest::newRow("width limit") << true
                                 << QStringList{u"Text1:123456"_s, u"Text2:"_s + QString(35, u'x')}
                                 << QStringList()
                                 << QStringList{u"Text1=1234"_s, u"Text2="_s + QString(30, u'X'),
                                                u"Combo1="_s, u"Text9="_s}
                                 << u"Text1"_s << start;
    // Look-up.
    QTest::newRow("enter in empty code")
        << true << QStringList{u"Text1 Enter"_s} << QStringList()
        << QStringList{u"Text1="_s, u"Text2="_s, u"Combo1="_s, u"Text9="_s} << u"Text1"_s << start;
    QTest::newRow("7 finds 0007") << true << QStringList{u"Text1:7"_s, u"Text1 Enter"_s}
                                  << QStringList()
                                  << QStringList{u"Text1=0007"_s, u"Text2=ACME"_s,
                                                 u"Combo1=MONOTRIBUTO"_s, u"Text9=a@b.c"_s}
                                  << u"Text2"_s << start;
    QTest::newRow("+3 finds 0003")
        << true << QStringList{u"Text1:+3"_s, u"Text1 Enter"_s} << QStringList()
        << QStringList{u"Text1=0003"_s, u"Text2=OTRO"_s, u"Combo1="_s, u"Text9="_s} << u"Text2"_s
        << start;
    QTest::newRow("-3 not found") << true << QStringList{u"Text1:-3"_s, u"Text1 Enter"_s}
                                  << QStringList{u"64|Error|no encontrado"_s}
                                  << QStringList{u"Text1="_s, u"Text2="_s, u"Combo1="_s,
                                                 u"Text9="_s}
                                  << u"Text1"_s << start;
    QTest::newRow("ab not found") << true
                                  << QStringList{u"Text2:x"_s, u"Text1:ab"_s, u"Text1 Enter"_s}
                                  << QStringList{u"64|Error|no encontrado"_s}
                                  << QStringList{u"Text1="_s, u"Text2="_s, u"Combo1="_s,
                                                 u"Text9="_s}
                                  << u"Text1"_s << start;
    QTest::newRow("switching records replaces")
        << true
        << QStringList{u"Text1:7"_s, u"Text1 Enter"_s, u"Text2 Up"_s, u"Text1:3"_s,
                       u"Text1 Enter"_s}
        << QStringList() << QStringList{u"Text1=0003"_s, u"Text2=OTRO"_s, u"Combo1="_s, u"Text9="_s}
        << u"Text2"_s << start;
    // Moving.
    QTest::newRow("enter advances")
        << true << QStringList{u"Text2 Enter"_s} << QStringList()
        << QStringList{u"Text1="_s, u"Text2="_s, u"Combo1="_s, u"Text9="_s} << u"Combo1"_s << start;
    QTest::newRow("enter in the list")
        << true << QStringList{u"Combo1 Enter"_s} << QStringList()
        << QStringList{u"Text1="_s, u"Text2="_s, u"Combo1="_s, u"Text9="_s} << u"Text9"_s << start;
    QTest::newRow("enter in the last field")
        << true << QStringList{u"Text9 Enter"_s} << QStringList()
        << QStringList{u"Text1="_s, u"Text2="_s, u"Combo1="_s, u"Text9="_s} << u"Text1"_s << start;
    QTest::newRow("up wraps") << true << QStringList{u"Text1 Up"_s} << QStringList()
                              << QStringList{u"Text1="_s, u"Text2="_s, u"Combo1="_s, u"Text9="_s}
                              << u"Text9"_s << start;
    QTest::newRow("down wraps") << true << QStringList{u"Text9 Down"_s} << QStringList()
                                << QStringList{u"Text1="_s, u"Text2="_s, u"Combo1="_s, u"Text9="_s}
                                << u"Text1"_s << start;
    QTest::newRow("up without wrap")
        << false << QStringList{u"Text2 Up"_s, u"Text1 Up"_s} << QStringList()
        << QStringList{u"Text1="_s, u"Text2="_s, u"Combo1="_s, u"Text9="_s} << u"Text1"_s << start;
    QTest::newRow("down without wrap")
        << false << QStringList{u"Combo1 Enter"_s, u"Text9 Down"_s} << QStringList()
        << QStringList{u"Text1="_s, u"Text2="_s, u"Combo1="_s, u"Text9="_s} << u"Text9"_s << start;
    QTest::newRow("arrows step the list")
        << true << QStringList{u"Combo1 Down"_s} << QStringList()
        << QStringList{u"Text1="_s, u"Text2="_s, u"Combo1=RESP. INSCRIPTO"_s, u"Text9="_s}
        << u"Text1"_s << start;
    // Saving.
    QTest::newRow("save new") << true
                              << QStringList{u"Text1:0009"_s, u"Text2:nuevo"_s, u"cmdGrabar"_s}
                              << QStringList{u"48|Guardar|guardado"_s}
                              << QStringList{u"Text1=0009"_s, u"Text2=NUEVO"_s, u"Combo1="_s,
                                             u"Text9="_s}
                              << u"cmdGrabar"_s << (QStringList(start) << u"0009|NUEVO||"_s);
    QTest::newRow("overwrite without asking")
        << true << QStringList{u"Text1:7"_s, u"Text1 Enter"_s, u"Text2:x"_s, u"cmdGrabar"_s}
        << QStringList{u"48|Guardar|guardado"_s}
        << QStringList{u"Text1=0007"_s, u"Text2=X"_s, u"Combo1=MONOTRIBUTO"_s, u"Text9=a@b.c"_s}
        << u"cmdGrabar"_s
        << QStringList{u"0007|X|MONOTRIBUTO|a@b.c"_s, u"0003|OTRO|<null>|<null>"_s};
    QTest::newRow("save formats the code")
        << true << QStringList{u"Text1:9"_s, u"Text2:x"_s, u"cmdGrabar"_s}
        << QStringList{u"48|Guardar|guardado"_s}
        << QStringList{u"Text1=0009"_s, u"Text2=X"_s, u"Combo1="_s, u"Text9="_s} << u"cmdGrabar"_s
        << (QStringList(start) << u"0009|X||"_s);
    QTest::newRow("save of 7 replaces 0007")
        << true << QStringList{u"Text1:7"_s, u"Text2:x"_s, u"cmdGrabar"_s}
        << QStringList{u"48|Guardar|guardado"_s}
        << QStringList{u"Text1=0007"_s, u"Text2=X"_s, u"Combo1="_s, u"Text9="_s} << u"cmdGrabar"_s
        << QStringList{u"0007|X||"_s, u"0003|OTRO|<null>|<null>"_s};
    QTest::newRow("save with empty code")
        << true << QStringList{u"Text2:x"_s, u"cmdGrabar"_s} << QStringList()
        << QStringList{u"Text1="_s, u"Text2=X"_s, u"Combo1="_s, u"Text9="_s} << u"cmdGrabar"_s
        << start;
    // Deleting.
    QTest::newRow("delete empty code")
        << true << QStringList{u"cmdEliminar"_s} << QStringList{u"16|Error|falta codigo"_s}
        << QStringList{u"Text1="_s, u"Text2="_s, u"Combo1="_s, u"Text9="_s} << u"cmdEliminar"_s
        << start;
    QTest::newRow("delete unknown")
        << true << QStringList{u"Text1:0099"_s, u"cmdEliminar"_s}
        << QStringList{u"64|Error|no encontrado"_s}
        << QStringList{u"Text1="_s, u"Text2="_s, u"Combo1="_s, u"Text9="_s} << u"cmdEliminar"_s
        << start;
    QTest::newRow("delete answered no")
        << true << QStringList{u"no"_s, u"Text1:0003"_s, u"cmdEliminar"_s}
        << QStringList{u"20|Borrar 0003|borrar? OTRO"_s}
        << QStringList{u"Text1="_s, u"Text2="_s, u"Combo1="_s, u"Text9="_s} << u"cmdEliminar"_s
        << start;
    QTest::newRow("delete answered yes")
        << true << QStringList{u"yes"_s, u"Text1:0007"_s, u"cmdEliminar"_s}
        << QStringList{u"20|Borrar 0007|borrar? ACME"_s}
        << QStringList{u"Text1="_s, u"Text2="_s, u"Combo1="_s, u"Text9="_s} << u"cmdEliminar"_s
        << QStringList{u"0003|OTRO|<null>|<null>"_s};
    // Browsing (table order until a look-up sets the code index).
    QTest::newRow("next from the start")
        << true << QStringList{u"cmdSiguiente"_s} << QStringList()
        << QStringList{u"Text1=0003"_s, u"Text2=OTRO"_s, u"Combo1="_s, u"Text9="_s}
        << u"cmdSiguiente"_s << start;
    QTest::newRow("previous from the start")
        << true << QStringList{u"cmdAnterior"_s}
        << QStringList{u"48|Mensaje|Comienzo del Archivo, Aceptar para ir al Ultimo Registro"_s}
        << QStringList{u"Text1=0003"_s, u"Text2=OTRO"_s, u"Combo1="_s, u"Text9="_s}
        << u"cmdAnterior"_s << start;
    QTest::newRow("next past the end")
        << true << QStringList{u"cmdSiguiente"_s, u"cmdSiguiente"_s}
        << QStringList{u"48|Mensaje|Fin del Archivo, Aceptar para ir al Primer Registro"_s}
        << QStringList{u"Text1=0007"_s, u"Text2=ACME"_s, u"Combo1=MONOTRIBUTO"_s, u"Text9=a@b.c"_s}
        << u"cmdSiguiente"_s << start;
    QTest::newRow("code order after a look-up")
        << true << QStringList{u"Text1:3"_s, u"Text1 Enter"_s, u"cmdSiguiente"_s} << QStringList()
        << QStringList{u"Text1=0007"_s, u"Text2=ACME"_s, u"Combo1=MONOTRIBUTO"_s, u"Text9=a@b.c"_s}
        << u"cmdSiguiente"_s << start;
}

void TestRecordForm::scenarios()
{
    QFETCH(bool, wraps);
    fixture::DataFolder folder;
    folder.create(u"Proveedores.mdb"_s,
                  {supplier(u"0007"_s, u"ACME"_s, u"a@b.c"_s, u"MONOTRIBUTO"_s),
                   supplier(u"0003"_s, u"OTRO"_s)});
    ScriptedMessageBoxes msg;
    TestForm form(wraps);
    QVERIFY(form.open());
    fixture::showActive(&form);
    fixture::checkScenario(&form, msg, kFields, u"Proveedores.mdb"_s, kColumns);
}

void TestRecordForm::nuevo_data()
{
    QTest::addColumn<QStringList>("codes");  // table order
    QTest::addColumn<QString>("proposed");
    QTest::addColumn<QStringList>("boxes");
    QTest::newRow("empty table") << QStringList() << u"0001"_s << QStringList();
    QTest::newRow("last in table order")
        << QStringList{u"0099"_s, u"0041"_s} << u"0042"_s << QStringList();
    QTest::newRow("short code") << QStringList{u"7"_s} << u"0008"_s << QStringList();
    QTest::newRow("next codes in use")
        << QStringList{u"0042"_s, u"0043"_s, u"0045"_s, u"0041"_s} << u"0044"_s << QStringList();
    QTest::newRow("in use up to 9999")
        << QStringList{u"9999"_s, u"9998"_s} << QString()
        << QStringList{
               u"48|Error|No Quedan Codigos Libres despues del Ultimo, Escriba el Codigo Nuevo"_s};
    QTest::newRow("last code not a number")
        << QStringList{u"0001"_s, u"AB"_s} << QString()
        << QStringList{u"48|Error|El Ultimo Codigo no es un Numero, Escriba el Codigo Nuevo"_s};
    QTest::newRow("no code after 9999")
        << QStringList{u"9999"_s} << QString()
        << QStringList{
               u"48|Error|No Quedan Codigos Libres despues del Ultimo, Escriba el Codigo Nuevo"_s};
}

void TestRecordForm::nuevo()
{
    QFETCH(QStringList, codes);
    QFETCH(QString, proposed);
    QFETCH(QStringList, boxes);
    fixture::DataFolder folder;
    QList<QVariantMap> records;
    for (const QString& code : codes) records << supplier(code, u"X"_s);
    folder.create(u"Proveedores.mdb"_s, records);
    ScriptedMessageBoxes msg;
    TestForm form;
    QVERIFY(form.open());
    fixture::showActive(&form);
    fixture::run(&form, msg, {u"Text2:abc"_s, u"cmdNuevo"_s});
    QCOMPARE(fixture::shown(msg), boxes);
    QCOMPARE(fixture::texts(&form, {u"Text1"_s, u"Text2"_s}),
             (QStringList{u"Text1="_s + proposed, u"Text2="_s}));
    QCOMPARE(fixture::focusName(), u"cmdNuevo"_s);
    QCOMPARE(fixture::DataFolder::rows(u"Proveedores.mdb"_s, {u"COD_PROV"_s}), codes);
}

void TestRecordForm::focusHighlightAndClick()
{
    fixture::DataFolder folder;
    folder.create(u"Proveedores.mdb"_s);
    TestForm form;
    QVERIFY(form.open());
    fixture::showActive(&form);
    auto* code = form.findChild<QLineEdit*>(u"Text1"_s);
    auto* name = form.findChild<QLineEdit*>(u"Text2"_s);
    QCOMPARE(QApplication::focusWidget(), code);
    const QColor plain = code->palette().color(QPalette::Base);
    QTest::keyClick(code, Qt::Key_Down);
    QCOMPARE(QApplication::focusWidget(), name);
    QCOMPARE(name->palette().color(QPalette::Base), QColor(192, 255, 255));
    QCOMPARE(code->palette().color(QPalette::Base), plain);  // no highlight on the code field
    QTest::keyClick(name, Qt::Key_Up);
    QCOMPARE(name->palette().color(QPalette::Base), QColor(255, 255, 255));

    // A click selects the whole text; Enter and the arrows select the target's text.
    name->setText(u"ACME SA"_s);
    QTest::mouseClick(name, Qt::LeftButton, {}, QPoint(5, name->height() / 2));
    QTRY_COMPARE(name->selectedText(), u"ACME SA"_s);
    name->deselect();
    QTest::keyClick(code, Qt::Key_Down);
    QCOMPARE(name->selectedText(), u"ACME SA"_s);
}

void TestRecordForm::lookupHook()
{
    fixture::DataFolder folder;
    folder.create(u"Proveedores.mdb"_s);
    TestForm form;
    QVERIFY(form.open());
    fixture::showActive(&form);
    ScriptedMessageBoxes msg;
    // Without an opener Esc and the button do nothing.
    fixture::run(&form, msg, {u"Text1 Escape"_s, u"Command5"_s});
    QStringList opened;
    {
        fixture::LookupOpenerGuard opener(
            [&](const QString& dialog, QLineEdit* target, QWidget* caller, LookupTrigger how) {
                opened << dialog + u' ' + target->objectName() + u' ' + caller->objectName() +
                              (how == LookupTrigger::EscapeKey ? u" Esc"_s : u" boton"_s);
                target->setText(u"0003"_s);
            });
        fixture::run(&form, msg, {u"Text1 Escape"_s, u"Command5"_s, u"Text2 Escape"_s});
    }
    QCOMPARE(opened, (QStringList{u"ConsuProveedor Text1 TestForm Esc"_s,
                                  u"ConsuProveedor Text1 TestForm boton"_s}));
    // The chosen code is only loaded on Enter.
    QCOMPARE(fixture::texts(&form, {u"Text1"_s, u"Text2"_s}),
             (QStringList{u"Text1=0003"_s, u"Text2="_s}));
    QVERIFY(msg.shown().isEmpty());
}

void TestRecordForm::engineErrorOnSaveStoresNothing()
{
    fixture::DataFolder folder;
    folder.create(u"Proveedores.mdb"_s, {supplier(u"0007"_s, u"ACME"_s)});
    ScriptedMessageBoxes msg;
    TestForm form;
    QVERIFY(form.open());
    fixture::showActive(&form);
    form.storeHook = [](Recordset&) { throw EngineError(EngineErrorCode::DiskFull); };
    fixture::run(&form, msg, {u"Text1:0007"_s, u"Text2:nuevo"_s, u"cmdGrabar"_s});
    QCOMPARE(msg.shown().size(), 1);
    QCOMPARE(msg.shown()[0].flags, int(vbCritical));
    QVERIFY(msg.shown()[0].prompt.startsWith(u"Error 3026"_s));
    QCOMPARE(fixture::DataFolder::rows(u"Proveedores.mdb"_s, {u"COD_PROV"_s, u"RAZON_SOC"_s}),
             QStringList{u"0007|ACME"_s});
    // The form keeps running: the next save goes through.
    form.storeHook = {};
    msg.clear();
    fixture::run(&form, msg, {u"Text2:otro"_s, u"cmdGrabar"_s});
    QCOMPARE(fixture::shown(msg), QStringList{u"48|Guardar|guardado"_s});
    QCOMPARE(fixture::DataFolder::rows(u"Proveedores.mdb"_s, {u"COD_PROV"_s, u"RAZON_SOC"_s}),
             QStringList{u"0007|NUEVOOTRO"_s});
}

void TestRecordForm::unopenableFile_data()
{
    QTest::addColumn<QByteArray>("contents");  // empty: no file at all
    QTest::addColumn<int>("error");
    QTest::newRow("missing") << QByteArray() << 3024;
    QTest::newRow("not a database") << QByteArray("this is not a database file at all") << 3343;
}

void TestRecordForm::unopenableFile()
{
    QFETCH(QByteArray, contents);
    QFETCH(int, error);
    fixture::DataFolder folder;
    if (!contents.isEmpty()) {
        folder.create(u"Marcas.mdb"_s);  // makes the folder
        QFile file(paths::toNative(paths::inBases(u"Proveedores.mdb"_s)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }
    ScriptedMessageBoxes msg;
    TestForm form;
    QVERIFY(!form.open());
    QCOMPARE(msg.shown().size(), 1);
    QVERIFY2(msg.shown()[0].prompt.startsWith(u"Error %1"_s.arg(error)),
             qPrintable(msg.shown()[0].prompt));
}

void TestRecordForm::reopenAfterSave()
{
    fixture::DataFolder folder;
    folder.create(u"Proveedores.mdb"_s);
    ScriptedMessageBoxes msg;
    WindowRegistry::instance().clear();
    int made = 0;
    registerTestForm(&made);
    QPointer<QWidget> form = WindowRegistry::instance().show(u"TestForm"_s);
    QVERIFY(form);
    fixture::showActive(form);
    form->move(40, 30);
    const QPoint place = form->pos();
    fixture::run(form, msg, {u"Text1:0005"_s, u"Text2:abc"_s, u"cmdGrabar"_s});
    QCOMPARE(fixture::shown(msg), QStringList{u"48|Guardar|guardado"_s});
    QTRY_VERIFY(form.isNull());
    // Outside the main window the fresh form stands where the old one stood.
    QTRY_VERIFY(WindowRegistry::instance().openWindow(u"TestForm"_s));
    QWidget* fresh = WindowRegistry::instance().openWindow(u"TestForm"_s);
    QCOMPARE(made, 2);
    QVERIFY(fresh->isVisible());
    QCOMPARE(fresh->pos(), place);
    QCOMPARE(fixture::texts(fresh, {u"Text1"_s, u"Text2"_s}),
             (QStringList{u"Text1="_s, u"Text2="_s}));
    QCOMPARE(fixture::DataFolder::rows(u"Proveedores.mdb"_s, {u"COD_PROV"_s, u"RAZON_SOC"_s}),
             QStringList{u"0005|ABC"_s});

    // The registry is asked for the form only once the old one is gone.
    QPointer<QWidget> second = fresh;
    QStringList asked;
    bool oldGone = false;
    WindowRegistry::instance().add(
        {u"TestForm"_s, WindowPlace::InFrame, std::nullopt, [&]() -> QWidget* {
             asked << u"TestForm"_s;
             oldGone = second.isNull();
             return nullptr;
         }});
    fixture::run(fresh, msg, {u"cmdGrabar"_s});  // empty code: nothing saved, still reopens
    QTRY_COMPARE(asked, QStringList{u"TestForm"_s});
    QVERIFY(oldGone);
    WindowRegistry::instance().clear();
}

void TestRecordForm::unregisteredFormOnlyCloses()
{
    fixture::DataFolder folder;
    folder.create(u"Proveedores.mdb"_s);
    ScriptedMessageBoxes msg;
    WindowRegistry::instance().clear();
    QPointer<TestForm> form = new TestForm(true, AfterSave::ReopenAlways);
    QVERIFY(form->open());
    fixture::showActive(form);
    fixture::run(form, msg, {u"Text1:0005"_s, u"Text2:abc"_s, u"cmdGrabar"_s});
    QCOMPARE(fixture::shown(msg), QStringList{u"48|Guardar|guardado"_s});
    QTRY_VERIFY(form.isNull());
    // The registry's turn comes and goes: no form of that name is registered, none comes back.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    for (QWidget* w : QApplication::topLevelWidgets()) QVERIFY(!dynamic_cast<TestForm*>(w));
    QCOMPARE(fixture::DataFolder::rows(u"Proveedores.mdb"_s, {u"COD_PROV"_s, u"RAZON_SOC"_s}),
             QStringList{u"0005|ABC"_s});
}

void TestRecordForm::blankingEmptiesDateBox()
{
    fixture::DataFolder folder;
    folder.create(u"Proveedores.mdb"_s);
    TestForm form;
    QVERIFY(form.open());
    auto* date = form.findChild<QLineEdit*>(u"Text17"_s);
    QCOMPARE(date->text(), storelocale::shortDate(QDate::currentDate()));
    form.Blanquear();
    QVERIFY(date->text().isEmpty());
}

RUN_TEST_CLASS(runRecordFormTest, TestRecordForm)
#include "tst_recordform.moc"
