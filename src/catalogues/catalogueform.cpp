#include "catalogueform.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <array>

#include "forms/formbuttons.h"
#include "shell/colours.h"
#include "shell/lookupnames.h"
#include "shell/twips.h"
#include "shell/windownames.h"
#include "shell/windowregistry.h"

using namespace Qt::StringLiterals;
using namespace forms;

namespace {

struct Member {
    QString formName;  // object name and caption
    QString fileName;
    QString lookupDialog;
    FormTexts texts;
    bool highlight;   // the two fields turn light cyan with the focus
    bool letterCode;  // stores COD_LET, "D" and the code's number
};

// The texts are the system's own, as its users know them: "Precione" and the brand and category
// forms' "Eliminar Proveedor --> " included.
const Member& member(Catalogue which)
{
    static const std::array<Member, 3> members = {{
        {windownames::Marcas,
         u"Marcas.mdb"_s,
         lookupnames::ConsuMarcas,
         {u"Marca no encontrado en la Base de Datos"_s,
          u"Marca Guardada, Precione Aceptar para Continuar"_s,
          u"Debe poner el Codigo de la Marca a Borrar"_s,
          u"¿Confirme la Eliminación de la Marca? --> "_s, u"Eliminar Proveedor --> "_s},
         false,
         false},
        {windownames::Rubros,
         u"Rubros.mdb"_s,
         lookupnames::ConsuRubros,
         {u"Rubro no encontrado en la Base de Datos"_s,
          u"Rubro Guardado, Precione Aceptar para Continuar"_s,
          u"Debe poner el Codigo del Rubro a Borrar"_s,
          u"¿Confirme la Eliminación del Rubro? --> "_s, u"Eliminar Proveedor --> "_s},
         false,
         false},
        {windownames::Departamentos,
         u"Departamentos.mdb"_s,
         lookupnames::ConsuDepartamentos,
         {u"Departamento no encontrado en la Base de Datos"_s,
          u"Departamento Guardado, Precione Aceptar para Continuar"_s,
          u"Debe poner el Codigo de la Marca a Borrar"_s,
          u"¿Confirme la Eliminación del Departamento? --> "_s, u"Eliminar Departamento --> "_s},
         true,
         true},
    }};
    return members[size_t(which)];
}

FormDef formDefOf(Catalogue which)
{
    const Member& m = member(which);
    const int highlight = m.highlight ? Highlight : 0;
    FormDef def;
    def.fileName = m.fileName;
    def.codeField = u"COD_RUB"_s;
    def.lookupDialog = m.lookupDialog;
    def.texts = m.texts;
    def.ring = {{u"Text1"_s, u"COD_RUB"_s, UpperCase | SelectOnClick | highlight},
                {u"Text2"_s, u"DESCRI"_s, UpperCase | DecimalComma | SelectOnClick | highlight}};
    def.afterSave = AfterSave::ReopenAlways;
    def.reopensAtItsPlace = true;
    return def;
}

}  // namespace

CatalogueForm::CatalogueForm(Catalogue which, QWidget* parent)
    : RecordForm(formDefOf(which), parent), member_(which)
{
    build();
    wire();
}

void CatalogueForm::build()
{
    const Member& m = member(member_);
    setObjectName(m.formName);
    setWindowTitle(m.formName);
    setFixedSize(twips::size(8910, 2340));
    colours::fill(this, colours::kOlive);

    auto* date = new QLineEdit(this);
    date->setObjectName(u"Text17"_s);
    date->setGeometry(twips::rect(7560, 0, 1215, 315));
    date->setEnabled(false);
    date->setAccessibleName(u"Fecha:"_s);

    auto* upper = new QGroupBox(this);
    upper->setObjectName(u"Frame1"_s);
    upper->setGeometry(twips::rect(120, 360, 8655, 855));
    auto label = [](QWidget* frame, const QString& name, const QString& text, int left, int top) {
        auto* l = new QLabel(text, frame);
        l->setObjectName(name);
        l->move(twips::point(left, top));
        return l;
    };
    auto field = [](QWidget* frame, const QString& name, const QRect& where) {
        auto* edit = new QLineEdit(frame);
        edit->setObjectName(name);
        edit->setGeometry(where);
        QPalette blue = edit->palette();
        blue.setColor(QPalette::Text, QColor(0, 0, 255));
        edit->setPalette(blue);
        return edit;
    };
    // Each caption is its box's buddy, so a screen reader hears the box by it.
    QLabel* codeCaption = label(upper, u"Label1"_s, u"Codigo:"_s, 480, 360);
    makePictureButton(u"Command5"_s, upper)->setGeometry(twips::rect(1200, 240, 375, 375));
    codeCaption->setBuddy(field(upper, u"Text1"_s, twips::rect(1800, 240, 1095, 315)));
    label(upper, u"Label2"_s, u"Marca:"_s, 3360, 360)
        ->setBuddy(field(upper, u"Text2"_s, twips::rect(4080, 240, 4335, 330)));

    auto* lower = new QGroupBox(this);
    lower->setObjectName(u"Frame2"_s);
    lower->setGeometry(twips::rect(120, 1200, 8655, 975));
    // Left edges and widths of the command row, in its order.
    static const std::array<std::pair<int, int>, 4> places = {
        {{360, 1575}, {2520, 1455}, {4560, 1575}, {6720, 1575}}};
    for (size_t i = 0; i < places.size(); ++i)
        makeCommandButton(commandButtons()[i], lower)
            ->setGeometry(twips::rect(places[i].first, 240, places[i].second, 615));
}

void CatalogueForm::afterStore(Recordset& rs)
{
    if (!member(member_).letterCode) return;
    // refuseSave has made sure the code reads as a number: "0012" stores "D12".
    rs.Fields(u"COD_LET").setValue(u"D"_s + QString::number(*codeNumber(codeField()->text())));
}

std::optional<FormMessage> CatalogueForm::refuseSave() const
{
    if (!member(member_).letterCode) return std::nullopt;
    // A department's code is a whole number of the code's range: "-1", "0" and "1,5" are not.
    const std::optional<qint64> number = codeNumber(codeField()->text());
    if (!number || *number < 1 || *number > def().highestCode) return FormMessage::CodeNotNumber;
    return std::nullopt;
}

QWidget* newCatalogueForm(Catalogue which) { return opened(new CatalogueForm(which)); }

void registerCatalogueWindows(WindowRegistry& registry)
{
    registry.add({windownames::Marcas, WindowPlace::InFrame, QPoint(3100, 0),
                  [] { return newCatalogueForm(Catalogue::Marcas); }});
    registry.add({windownames::Rubros, WindowPlace::InFrame, QPoint(3100, 0),
                  [] { return newCatalogueForm(Catalogue::Rubros); }});
    // The Base de Datos menu puts the departments further left than the toolbar does.
    registry.add({windownames::Departamentos, WindowPlace::InFrame, QPoint(3100, 0),
                  [] { return newCatalogueForm(Catalogue::Departamentos); }, QPoint(1900, 0)});
}
