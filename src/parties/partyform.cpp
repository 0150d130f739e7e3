#include "partyform.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>
#include <array>
#include <cmath>

#include "forms/formbuttons.h"
#include "shell/colours.h"
#include "shell/lookupnames.h"
#include "shell/windownames.h"
#include "shell/windowregistry.h"

using namespace Qt::StringLiterals;
using namespace forms;

namespace {

struct PartyField {
    QString name;        // "Text2", "Combo1"
    QString label;       // "Nom. y Ape.:"
    QString tableField;  // "RAZON_SOC"
    int flags;
    bool lowerFrame;
    bool ownRow;  // a wide field: alone in its row, across both columns
};

constexpr int kPlain = UpperCase | Highlight | SelectOnClick;
constexpr int kComma = kPlain | DecimalComma;
constexpr int kList = UpperCase | Highlight;

// One field of the party forms and what it is in each member: label, table field and flags.
struct FieldRow {
    struct Use {
        QString label;
        QString tableField;  // empty: the member has no such field
        int flags;
    };
    QString name;
    bool lowerFrame;
    bool ownRow;
    Use customers;
    Use suppliers;
};

// In ring order. The customer form takes an e-mail address exactly as typed; the supplier form
// treats it as its other fields.
const std::vector<FieldRow>& fieldRows()
{
    static const std::vector<FieldRow> rows = {
        {u"Text1"_s,
         false,
         false,
         {u"Codigo:"_s, u"COD_CLIENT"_s, kPlain},
         {u"Codigo:"_s, u"COD_PROV"_s, kPlain}},
        {u"Text2"_s,
         false,
         false,
         {u"Nom. y Ape.:"_s, u"RAZON_SOC"_s, kPlain},
         {u"Nom. y Ape.:"_s, u"RAZON_SOC"_s, kComma}},
        {u"Text3"_s,
         false,
         false,
         {u"DNI/CUIT:"_s, u"CUIT"_s, kComma},
         {u"DNI/CUIT:"_s, u"CUIT"_s, kComma}},
        {u"Combo1"_s,
         false,
         false,
         {u"IVA:"_s, u"TIPO_IVA"_s, kList},
         {u"Tipo IVA:"_s, u"tipo_iva"_s, kList}},
        {u"Text4"_s,
         false,
         false,
         {u"Domicilio:"_s, u"DOMICILIO"_s, kPlain},
         {u"Domicilio:"_s, u"DOMICILIO"_s, kComma}},
        {u"Text5"_s,
         false,
         false,
         {u"Ciudad:"_s, u"CIUDAD"_s, kPlain},
         {u"Ciudad:"_s, u"CIUDAD"_s, kComma}},
        {u"Text6"_s,
         false,
         false,
         {u"C.P."_s, u"COD_POSTAL"_s, kComma},
         {u"C.P."_s, u"COD_POSTAL"_s, kComma}},
        {u"Text7"_s,
         false,
         false,
         {u"Provincia:"_s, u"PROVINCIA"_s, kComma},
         {u"Provincia:"_s, u"PROVINCIA"_s, kComma}},
        {u"Text8"_s,
         true,
         false,
         {u"Telefono:"_s, u"TEL_1"_s, kComma},
         {u"Telefono:"_s, u"TEL_1"_s, kComma}},
        {u"Text9"_s,
         true,
         true,
         {u"E-Mail:"_s, u"MAIL"_s, Highlight | SelectOnClick},
         {u"E-Mail:"_s, u"MAIL"_s, kComma}},
        {u"Text10"_s,
         true,
         false,
         {u"Fax:"_s, u"TEL_2"_s, kComma},
         {u"Fax:"_s, u"TEL_2"_s, kComma}},
        {u"Text11"_s, true, false, {}, {u"Contacto:"_s, u"CONTACTO"_s, kComma}},
    };
    return rows;
}

struct Member {
    QString formName;  // object name and caption
    QString fileName;
    QString codeField;
    QString lookupDialog;
    QString fifthTaxCondition;  // the last entry of the tax-condition list
    FormTexts texts;
    // How the record commands behave (see FormDef).
    bool ringWraps;
    int highestCode;
    NuevoFocus nuevoFocus;
    AfterSave afterSave;
    bool blankingKeepsDate;
    // What the form holds besides its fields.
    bool showsDate;     // the date box `Text17` is seen
    bool browses;       // "&Anterior" and "&Siguiente" above the upper frame
    bool cityButton;    // the city field has a picture button of its own that opens nothing
    bool accountPanel;  // "Cuenta Corriente": enabled or suspended, with the balance
};

// The texts are the system's own, as its users know them: "Precione", "Desabilitada" and the
// suppliers' "EXCENTO" included. The customer code is read as a 16-bit number.
const Member& memberOf(Party which)
{
    static const std::array<Member, 2> members = {{
        {windownames::Clientes,
         u"Clientes.mdb"_s,
         u"COD_CLIENT"_s,
         lookupnames::ConsuCliente,
         u"EXENTO"_s,
         {u"Cliente no encontrado en la Base de Datos"_s,
          u"Cliente Guardado, Precione Aceptar para Continuar"_s,
          u"Debe poner el Codigo del Cliente a Borrar"_s,
          u"¿Confirme la Eliminación del Cliente? --> "_s, u"Eliminar Cliente --> "_s},
         false,
         32767,
         NuevoFocus::SecondField,
         AfterSave::ReopenAfterSaved,
         true,
         true,
         true,
         true,
         true},
        {windownames::Proveedores,
         u"Proveedores.mdb"_s,
         u"COD_PROV"_s,
         lookupnames::ConsuProveedor,
         u"EXCENTO"_s,
         {u"Proveedor no encontrado en la Base de Datos"_s,
          u"Proveedor Guardado, Precione Aceptar para Continuar"_s,
          u"Debe poner el Codigo del Proveedor a Borrar"_s,
          u"¿Confirme la Eliminación del Proveedor? --> "_s, u"Eliminar Proveedor --> "_s},
         true,
         9999,
         NuevoFocus::NuevoButton,
         AfterSave::KeepShowing,
         false,
         false,
         false,
         false,
         false},
    }};
    return members[size_t(which)];
}

// The member's fields, in ring order.
std::vector<PartyField> fieldsOf(Party which)
{
    std::vector<PartyField> fields;
    for (const FieldRow& row : fieldRows()) {
        const FieldRow::Use& use = which == Party::Clientes ? row.customers : row.suppliers;
        if (!use.tableField.isEmpty())
            fields.push_back(
                {row.name, use.label, use.tableField, use.flags, row.lowerFrame, row.ownRow});
    }
    return fields;
}

FormDef formDefOf(Party which)
{
    const Member& m = memberOf(which);
    FormDef def;
    def.fileName = m.fileName;
    def.codeField = m.codeField;
    def.lookupDialog = m.lookupDialog;
    def.texts = m.texts;
    for (const PartyField& field : fieldsOf(which))
        def.ring.push_back({field.name, field.tableField, field.flags});
    def.ringWraps = m.ringWraps;
    def.highestCode = m.highestCode;
    def.nuevoFocus = m.nuevoFocus;
    def.afterSave = m.afterSave;
    def.blankingKeepsDate = m.blankingKeepsDate;
    return def;
}

struct PartyWindow {
    QHBoxLayout* head;   // above the upper frame: the date box at the right
    QGridLayout* upper;  // label and field pairs; a form may add at column 4 and on
    QWidget* upperFrame;
};

// Builds the fields in ring order (the code field gets the lookup button `Command5`), the
// date box `Text17` and the command row "&Nuevo", "&Grabar", "&Eliminar", "&Cerrar".
PartyWindow buildPartyWindow(QWidget* form, const std::vector<PartyField>& fields)
{
    auto* column = new QVBoxLayout(form);
    auto* head = new QHBoxLayout;
    head->addStretch();
    auto* date = new QLineEdit(form);
    date->setObjectName(u"Text17"_s);
    date->setAccessibleName(u"Fecha:"_s);
    date->setEnabled(false);
    date->setFixedWidth(date->fontMetrics().horizontalAdvance(u"00/00/0000"_s) * 3 / 2);
    head->addWidget(date);
    column->addLayout(head);

    auto* upperFrame = new QGroupBox(form);
    upperFrame->setObjectName(u"Frame1"_s);
    auto* upper = new QGridLayout(upperFrame);
    auto* lowerFrame = new QGroupBox(form);
    lowerFrame->setObjectName(u"Frame2"_s);
    auto* lower = new QGridLayout(lowerFrame);
    // Room to spare goes to the right of the lower fields, not between labels and fields.
    lower->setColumnStretch(4, 1);
    column->addWidget(upperFrame);
    column->addWidget(lowerFrame);

    // Two label-field pairs a row; the code field's row also holds the lookup button.
    int upperCount = 0, lowerCount = 0;
    for (const PartyField& field : fields) {
        QGridLayout* grid = field.lowerFrame ? lower : upper;
        int& count = field.lowerFrame ? lowerCount : upperCount;
        QWidget* frame = field.lowerFrame ? lowerFrame : upperFrame;
        QWidget* entry;
        if (field.name.startsWith(u"Combo"_s)) {
            auto* combo = new QComboBox(frame);
            combo->setEditable(true);
            entry = combo;
        } else {
            entry = new QLineEdit(frame);
        }
        entry->setObjectName(field.name);
        auto* label = new QLabel(field.label, frame);
        label->setBuddy(entry);
        if (field.ownRow && count % 2 == 1) ++count;
        const int row = count / 2, col = (count % 2) * 2;
        grid->addWidget(label, row, col);
        if (count == 0 && !field.lowerFrame) {
            auto* inner = new QHBoxLayout;
            inner->addWidget(makePictureButton(u"Command5"_s, frame));
            inner->addWidget(entry);
            inner->addStretch();
            grid->addLayout(inner, row, col + 1);
        } else if (field.ownRow) {
            grid->addWidget(entry, row, col + 1, 1, 3);
            ++count;
        } else {
            grid->addWidget(entry, row, col + 1);
        }
        ++count;
    }

    auto* commands = new QGroupBox(form);
    commands->setObjectName(u"Frame3"_s);
    auto* row = new QHBoxLayout(commands);
    for (const CommandButton& button : commandButtons())
        row->addWidget(makeCommandButton(button, commands));
    column->addWidget(commands);

    // Tab order follows the ring.
    QWidget* previous = nullptr;
    for (const PartyField& field : fields) {
        QWidget* entry = form->findChild<QWidget*>(field.name);
        if (previous) QWidget::setTabOrder(previous, entry);
        previous = entry;
    }
    return {head, upper, upperFrame};
}

// The width of a text box that shows `characters` typed characters whole.
int boxWidth(const QWidget* box, int characters)
{
    // What a clerk types: upper-case letters and digits, on average.
    const QFontMetricsF metrics(box->font());
    const double perCharacter =
        metrics.horizontalAdvance(u"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"_s) / 36;
    // The frame on both sides, the text margins and the cursor.
    const int frame = 2 * box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, box) + 8;
    return int(std::ceil(perCharacter * characters)) + frame;
}

// Gives each field box the width of as many characters as its table field holds (the form
// has set the boxes' maximum lengths), so that no stored text shows cut.
void fitFieldWidths(QWidget* form, const std::vector<PartyField>& fields)
{
    for (const PartyField& field : fields) {
        QWidget* box = form->findChild<QWidget*>(field.name);
        if (auto* list = qobject_cast<QComboBox*>(box)) {
            // Room for the list's arrow besides the text.
            const int arrow =
                list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list) + 8;
            list->setFixedWidth(boxWidth(list, list->lineEdit()->maxLength()) + arrow);
        } else if (auto* edit = qobject_cast<QLineEdit*>(box)) {
            edit->setFixedWidth(boxWidth(edit, edit->maxLength()));
        }
    }
}

}  // namespace

PartyForm::PartyForm(Party which, QWidget* parent)
    : RecordForm(formDefOf(which), parent), member_(which)
{
    const Member& m = memberOf(which);
    const std::vector<PartyField> fields = fieldsOf(which);
    setObjectName(m.formName);
    setWindowTitle(m.formName);
    const PartyWindow window = buildPartyWindow(this, fields);
    if (!m.showsDate) findChild<QLineEdit*>(u"Text17"_s)->hide();

    if (m.browses) {
        // "&Anterior" and "&Siguiente" side by side above the upper frame.
        auto* previous = new QPushButton(u"&Anterior"_s, this);
        previous->setObjectName(u"cmdAnterior"_s);
        previous->setIcon(style()->standardIcon(QStyle::SP_ArrowBack));
        auto* next = new QPushButton(u"&Siguiente"_s, this);
        next->setObjectName(u"cmdSiguiente"_s);
        next->setIcon(style()->standardIcon(QStyle::SP_ArrowForward));
        window.head->insertWidget(0, previous);
        window.head->insertWidget(1, next);
    }

    if (m.cityButton) {
        auto* city = findChild<QLineEdit*>(u"Text5"_s);
        QPushButton* cityButton = makePictureButton(u"Command1"_s, window.upperFrame);
        const int index = window.upper->indexOf(city);
        int row, col, rowSpan, colSpan;
        window.upper->getItemPosition(index, &row, &col, &rowSpan, &colSpan);
        window.upper->removeWidget(city);
        auto* cityRow = new QHBoxLayout;
        cityRow->addWidget(city);
        cityRow->addWidget(cityButton);
        cityRow->addStretch();
        window.upper->addLayout(cityRow, row, col);
    }

    if (m.accountPanel) buildAccountPanel(window.upperFrame, window.upper);
    wire();
    fitFieldWidths(this, fields);
    // The form keeps the size its layout asks for: the window that holds it takes that size
    // and arranging the main window's windows never squeezes it.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
}

void PartyForm::buildAccountPanel(QWidget* frame, QGridLayout* grid)
{
    auto* panel = new QGroupBox(u"Cuenta Corriente"_s, frame);
    panel->setObjectName(u"Frame4"_s);
    auto* column = new QVBoxLayout(panel);
    enabled_ = new QRadioButton(u"Habilitada"_s, panel);
    enabled_->setObjectName(u"Option1"_s);
    suspended_ = new QRadioButton(u"Desabilitada"_s, panel);
    suspended_->setObjectName(u"Option2"_s);
    balanceTitle_ = new QLabel(u"Saldo"_s, panel);
    balanceTitle_->setObjectName(u"lblSaldo"_s);
    balance_ = new QLabel(u"$ 00000"_s, panel);
    balance_->setObjectName(u"lblImporte"_s);
    for (QLabel* label : {balanceTitle_, balance_}) {
        QFont bold = label->font();
        bold.setBold(true);
        label->setFont(bold);
        colours::fill(label, QColor(255, 224, 192), QColor(255, 0, 0));
    }
    for (QWidget* w :
         std::initializer_list<QWidget*>{enabled_, suspended_, balanceTitle_, balance_})
        column->addWidget(w);
    column->addStretch();
    grid->addWidget(panel, 0, 4, grid->rowCount(), 1);

    connect(enabled_, &QRadioButton::clicked, this, [this] { showBalance(true); });
    connect(suspended_, &QRadioButton::clicked, this, [this] { showBalance(false); });
    suspended_->setChecked(true);
    showBalance(false);
}

void PartyForm::showBalance(bool shown)
{
    balanceTitle_->setVisible(shown);
    balance_->setVisible(shown);
}

void PartyForm::afterLoad(Recordset& rs)
{
    if (!memberOf(member_).accountPanel) return;
    const QVariant state = rs.Fields(u"ESTADO").Value();
    const QString text = state.isNull() ? QString() : state.toString();
    if (text == u"SUSPENDIDA"_s) {
        suspended_->setChecked(true);
        showBalance(false);
    } else if (text == u"HABILITADA"_s) {
        enabled_->setChecked(true);
        showBalance(true);
    }
}

void PartyForm::CargarComboIVA()
{
    auto* list = findChild<QComboBox*>(u"Combo1"_s);
    if (list->count() > 0) return;
    // Adding items to an empty list would show the first; the field keeps what it shows.
    const QString shown = list->currentText();
    list->addItems({u"RESP. INSCRIPTO"_s, u"RESP. NO INSCR."_s, u"MONOTRIBUTO"_s, u"CONS. FINAL"_s,
                    memberOf(member_).fifthTaxCondition});
    list->setCurrentIndex(-1);
    list->setEditText(shown);
}

QWidget* newPartyForm(Party which) { return opened(new PartyForm(which)); }

void registerPartyWindows(WindowRegistry& registry)
{
    for (Party party : {Party::Proveedores, Party::Clientes})
        registry.add({memberOf(party).formName, WindowPlace::InFrame, QPoint(3100, 0),
                      [party] { return newPartyForm(party); }});
}
