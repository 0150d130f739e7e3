#include "proveedores.h"

#include <QComboBox>
#include <QLayout>
#include <QLineEdit>

#include "partylayout.h"

using namespace Qt::StringLiterals;
using namespace forms;
using parties::PartyField;

namespace {

constexpr int kText = UpperCase | DecimalComma | Highlight | SelectOnClick;

// In ring order.
const std::vector<PartyField>& fields()
{
    static const std::vector<PartyField> all = {
        {u"Text1"_s, u"Codigo:"_s, u"COD_PROV"_s, UpperCase | Highlight | SelectOnClick, false},
        {u"Text2"_s, u"Nom. y Ape.:"_s, u"RAZON_SOC"_s, kText, false},
        {u"Text3"_s, u"DNI/CUIT:"_s, u"CUIT"_s, kText, false},
        {u"Combo1"_s, u"Tipo IVA:"_s, u"tipo_iva"_s, UpperCase | Highlight, false},
        {u"Text4"_s, u"Domicilio:"_s, u"DOMICILIO"_s, kText, false},
        {u"Text5"_s, u"Ciudad:"_s, u"CIUDAD"_s, kText, false},
        {u"Text6"_s, u"C.P."_s, u"COD_POSTAL"_s, kText, false},
        {u"Text7"_s, u"Provincia:"_s, u"PROVINCIA"_s, kText, false},
        {u"Text8"_s, u"Telefono:"_s, u"TEL_1"_s, kText, true},
        {u"Text9"_s, u"E-Mail:"_s, u"MAIL"_s, kText, true, true},
        {u"Text10"_s, u"Fax:"_s, u"TEL_2"_s, kText, true},
        {u"Text11"_s, u"Contacto:"_s, u"CONTACTO"_s, kText, true},
    };
    return all;
}

FormDef formDef()
{
    FormDef def;
    def.fileName = u"Proveedores.mdb"_s;
    def.codeField = u"COD_PROV"_s;
    def.lookupDialog = u"ConsuProveedor"_s;
    def.texts = {u"Proveedor no encontrado en la Base de Datos"_s,
                  // "Precione": the system's own spelling.
                  u"Proveedor Guardado, Precione Aceptar para Continuar"_s,
                  u"Debe poner el Codigo del Proveedor a Borrar"_s,
                  u"¿Confirme la Eliminación del Proveedor? --> "_s, u"Eliminar Proveedor --> "_s};
    def.ring = parties::ringOf(fields());
    return def;
}

}  // namespace

Proveedores::Proveedores(QWidget* parent) : RecordForm(formDef(), parent)
{
    setObjectName(u"Proveedores"_s);
    setWindowTitle(u"Proveedores"_s);
    parties::buildPartyWindow(this, fields());
    findChild<QLineEdit*>(u"Text17"_s)->hide();
    wire();
    parties::fitFieldWidths(this, fields());
    // The form keeps the size its layout asks for: the window that holds it takes that size
    // and arranging the main window's windows never squeezes it.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
}

void Proveedores::CargarComboIVA()
{
    parties::fillTaxConditions(findChild<QComboBox*>(u"Combo1"_s), u"EXCENTO"_s);
}

QWidget* newProveedores()
{
    auto* form = new Proveedores;
    if (form->open()) return form;
    delete form;
    return nullptr;
}
