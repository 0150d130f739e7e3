#include "articlefields.h"

using namespace Qt::StringLiterals;

namespace articles {

const std::array<ArticleFieldDef, kFieldCount>& fieldDefs()
{
    using F = ArticleField;
    static const std::array<ArticleFieldDef, kFieldCount> defs = {{
        {F::Codigo, u"Text1", u"codigo", u"COD INTERNO", nullptr},
        {F::CodBarra, u"Text2", u"codbarra", u"COD.BARRA", nullptr},
        {F::Descripcion, u"Text3", u"descripcion", u"DESCRIPCION", u"0"},
        {F::CodP, u"Text4", u"codp", u"CODIGO DE PROVEEDOR", u"-"},
        {F::DesP, u"Text5", u"desp", u"NOMBRE DEL PROVEEDOR", u"0"},
        {F::CodM, u"Text6", u"codm", u"CODIGO DE MARCA", u"-"},
        {F::DesM, u"Text7", u"desm", u"DESCRIPCION DE LA MARCA", u"0"},
        {F::CodR, u"Text8", u"codr", u"CODIGO DE RUBRO", u"-"},
        {F::DesR, u"Text9", u"desr", u"DESCRIPCION DEL RUBRO", u"-"},
        {F::Net, u"Text10", u"net", u"NETO", u"0"},
        {F::Iva, u"Text11", u"iva", u"IVA", u"0"},
        {F::Cos, u"Text12", u"cos", u"COSTO", u"0"},
        {F::Dep1, u"Text13", u"dep1", u"DEPOSITO 1", u"0"},
        {F::Dep2, u"Text14", u"dep2", u"DEPOSITO 2", u"0"},
        {F::Dep3, u"Text15", u"dep3", u"DEPOSITO 3", u"0"},
        {F::Min, u"Text16", u"min", u"STOCK MIN.", u"0"},
        {F::Ped, u"Text17", u"ped", u"PEDIDO", u"0"},
        {F::Rec1, u"Text20", u"rec1", u"RECARGO DE LA LISTA 1", u"0"},
        {F::Lis1, u"Text21", u"lis1", u"LISTA 1", u"0"},
        {F::Rec2, u"Text22", u"rec2", u"RECARGO DE LA LISTA 2", u"0"},
        {F::Lis2, u"Text23", u"lis2", u"LISTA 2", u"0"},
        {F::Rec3, u"Text24", u"rec3", u"RECARGO DE LA LISTA 3", u"0"},
        {F::Lis3, u"Text25", u"lis3", u"LISTA 3", u"0"},
    }};
    return defs;
}

const ArticleFieldDef& def(ArticleField field) { return fieldDefs()[size_t(field)]; }

const std::array<UnitDef, 4>& unitDefs()
{
    static const std::array<UnitDef, 4> defs = {{
        {Unit::Unidades, u"Unidades", u"Option1", u"Un"},
        {Unit::Kilos, u"Kilos", u"Option2", u"Kg"},
        {Unit::Litros, u"Litros", u"Option3", u"Lt"},
        {Unit::Metros, u"Metros", u"Option4", u"Mt"},
    }};
    return defs;
}

const UnitDef& def(Unit unit)
{
    Q_ASSERT(unit != Unit::None);
    return unitDefs()[size_t(unit) - 1];
}

std::array<QString, 3> initialUnitCaptions() { return {u"Kg"_s, u"Pi"_s, u"Lt"_s}; }

}  // namespace articles
