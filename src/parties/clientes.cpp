#include "clientes.h"

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

#include "colours.h"
#include "formbuttons.h"
#include "partylayout.h"

using namespace Qt::StringLiterals;
using namespace forms;
using parties::PartyField;

namespace {

constexpr int kPlain = UpperCase | Highlight | SelectOnClick;
constexpr int kComma = kPlain | DecimalComma;

// In ring order; the ring does not wrap.
const std::vector<PartyField>& fields()
{
    static const std::vector<PartyField> all = {
        {u"Text1"_s, u"Codigo:"_s, u"COD_CLIENT"_s, kPlain, false},
        {u"Text2"_s, u"Nom. y Ape.:"_s, u"RAZON_SOC"_s, kPlain, false},
        {u"Text3"_s, u"DNI/CUIT:"_s, u"CUIT"_s, kComma, false},
        {u"Combo1"_s, u"IVA:"_s, u"TIPO_IVA"_s, UpperCase | Highlight, false},
        {u"Text4"_s, u"Domicilio:"_s, u"DOMICILIO"_s, kPlain, false},
        {u"Text5"_s, u"Ciudad:"_s, u"CIUDAD"_s, kPlain, false},
        {u"Text6"_s, u"C.P."_s, u"COD_POSTAL"_s, kComma, false},
        {u"Text7"_s, u"Provincia:"_s, u"PROVINCIA"_s, kComma, false},
        {u"Text8"_s, u"Telefono:"_s, u"TEL_1"_s, kComma, true},
        // An e-mail address is taken exactly as typed.
        {u"Text9"_s, u"E-Mail:"_s, u"MAIL"_s, Highlight | SelectOnClick, true, true},
        {u"Text10"_s, u"Fax:"_s, u"TEL_2"_s, kComma, true},
    };
    return all;
}

FormDef formDef()
{
    FormDef def;
    def.fileName = u"Clientes.mdb"_s;
    def.codeField = u"COD_CLIENT"_s;
    def.lookupDialog = u"ConsuCliente"_s;
    def.texts = {u"Cliente no encontrado en la Base de Datos"_s,
                  u"Cliente Guardado, Precione Aceptar para Continuar"_s,
                  u"Debe poner el Codigo del Cliente a Borrar"_s,
                  u"¿Confirme la Eliminación del Cliente? --> "_s, u"Eliminar Cliente --> "_s};
    def.ring = parties::ringOf(fields());
    def.ringWraps = false;
    // The code is read as a 16-bit number.
    def.highestCode = 32767;
    def.nuevoFocus = NuevoFocus::SecondField;
    def.afterSave = AfterSave::ReopenAfterSaved;
    def.blankingKeepsDate = true;
    return def;
}

}  // namespace

Clientes::Clientes(QWidget* parent) : RecordForm(formDef(), parent)
{
    setObjectName(u"Clientes"_s);
    setWindowTitle(u"Clientes"_s);
    const parties::PartyWindow window = parties::buildPartyWindow(this, fields());

    // "&Anterior" and "&Siguiente" side by side above the upper frame.
    auto* previous = new QPushButton(u"&Anterior"_s, this);
    previous->setObjectName(u"cmdAnterior"_s);
    previous->setIcon(style()->standardIcon(QStyle::SP_ArrowBack));
    auto* next = new QPushButton(u"&Siguiente"_s, this);
    next->setObjectName(u"cmdSiguiente"_s);
    next->setIcon(style()->standardIcon(QStyle::SP_ArrowForward));
    window.head->insertWidget(0, previous);
    window.head->insertWidget(1, next);

    // The city field has a picture button of its own that opens nothing.
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

    buildAccountPanel(window.upperFrame, window.upper);
    wire();
    parties::fitFieldWidths(this, fields());
    // The form keeps the size its layout asks for: the window that holds it takes that size
    // and arranging the main window's windows never squeezes it.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
}

void Clientes::buildAccountPanel(QWidget* frame, QGridLayout* grid)
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
    for (QWidget* w : std::initializer_list<QWidget*>{enabled_, suspended_, balanceTitle_, balance_})
        column->addWidget(w);
    column->addStretch();
    grid->addWidget(panel, 0, 4, grid->rowCount(), 1);

    connect(enabled_, &QRadioButton::clicked, this, [this] { showBalance(true); });
    connect(suspended_, &QRadioButton::clicked, this, [this] { showBalance(false); });
    suspended_->setChecked(true);
    showBalance(false);
}

void Clientes::showBalance(bool shown)
{
    balanceTitle_->setVisible(shown);
    balance_->setVisible(shown);
}

void Clientes::afterLoad(Recordset& rs)
{
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

void Clientes::CargarComboIVA()
{
    parties::fillTaxConditions(findChild<QComboBox*>(u"Combo1"_s), u"EXENTO"_s);
}

QWidget* newClientes()
{
    auto* form = new Clientes;
    if (form->open()) return form;
    delete form;
    return nullptr;
}
