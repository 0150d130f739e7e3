#include "reportdefs.h"

using namespace Qt::StringLiterals;

namespace reports {

namespace {

ColumnDef text(const char16_t* header, const char16_t* field, double width)
{
    return {QString::fromUtf16(header), QString::fromUtf16(field), width};
}
ColumnDef whole(const char16_t* header, const char16_t* field, double width)
{
    return {QString::fromUtf16(header), QString::fromUtf16(field), width, Align::Right, Format::Whole};
}
ColumnDef money(const char16_t* header, const char16_t* field, double width, bool total = false)
{
    return {QString::fromUtf16(header), QString::fromUtf16(field), width, Align::Right, Format::Fixed2, total};
}

// Common A4 label sheets: small 5 × 13, medium 3 × 7, large 2 × 4.
const LabelDef kSmall{38.1, 21.2, 5, 13, 4.75, 10.7, 40.6, 21.2, 7.5, 5.0, 12.0, 0.0, 0.0};
const LabelDef kMedium{63.5, 38.1, 3, 7, 7.2, 15.15, 66.0, 38.1, 9.0, 6.0, 16.0, 11.0, 6.0};
const LabelDef kLarge{99.1, 67.7, 2, 4, 4.65, 13.1, 101.6, 67.7, 13.0, 8.0, 30.0, 20.0, 8.0};

}  // namespace

std::vector<QString> ReportDef::fields() const
{
    std::vector<QString> out;
    if (const ListDef* l = list())
        for (const ColumnDef& c : l->columns) out.push_back(c.field);
    else
        out = {u"codigo"_s, u"codbarra"_s, u"descripcion"_s, u"neto1"_s};
    return out;
}

const std::vector<ReportDef>& reportDefs()
{
    static const std::vector<ReportDef> all = {
        {u"CryListaArticulos"_s, u"ForListaArticulos"_s, u"Lista Articulos"_s, u"Articulos.mdb"_s,
         u"Articulos"_s, u"Vek_Lom_26"_s,
         ListDef{u"Lista de Articulos"_s,
                 {whole(u"CODIGO", u"codigo", 15), text(u"COD.BARRA", u"codbarra", 25),
                  text(u"DESCRIPCION", u"descripcion", 60), money(u"COSTO", u"cos", 16),
                  money(u"LISTA 1", u"lis1", 16), money(u"LISTA 2", u"lis2", 16),
                  money(u"LISTA 3", u"lis3", 16), money(u"STOCK", u"dept", 16, true)},
                 u"codigo"_s}},
        {u"CryListaClientes"_s, u"ForListaClientes"_s, u"Lista Proveedores"_s, u"Clientes.mdb"_s,
         u"CLIENTES"_s, u"Vek_Dn83"_s,
         ListDef{u"Lista de Clientes"_s,
                 {text(u"CODIGO", u"COD_CLIENT", 14), text(u"RAZON SOCIAL", u"RAZON_SOC", 38),
                  text(u"DOMICILIO", u"DOMICILIO", 34), text(u"CIUDAD", u"CIUDAD", 22),
                  text(u"TELEFONO", u"TEL_1", 24), text(u"CUIT", u"CUIT", 25),
                  money(u"SALDO", u"SALDO", 23, true)},
                 u"COD_CLIENT"_s}},
        {u"CryListaProveedores"_s, u"ForListaProveedores"_s, u"Lista Proveedores"_s,
         u"Proveedores.mdb"_s, u"Proveedores"_s, u"Vek_Dn83"_s,
         ListDef{u"Lista de Proveedores"_s,
                 {text(u"CODIGO", u"COD_PROV", 14), text(u"RAZON SOCIAL", u"RAZON_SOC", 36),
                  text(u"DOMICILIO", u"DOMICILIO", 32), text(u"CIUDAD", u"CIUDAD", 22),
                  text(u"TELEFONO", u"TEL_1", 22), text(u"CUIT", u"CUIT", 25),
                  text(u"COND. IVA", u"TIPO_IVA", 29)},
                 u"COD_PROV"_s}},
        {u"CryListaDepartamentos"_s, u"ForListaDepartamentos"_s, u"Lista Departamentos"_s,
         u"Departamentos.mdb"_s, u"Rubros"_s, u"Vek_Hs83"_s,
         ListDef{u"Lista de Departamentos"_s,
                 {text(u"CODIGO", u"COD_RUB", 20), text(u"DESCRIPCION", u"DESCRI", 120),
                  text(u"LETRA", u"COD_LET", 40)},
                 u"COD_RUB"_s}},
        {u"CryListaEtiqueta"_s, u"ForListaEtiqueta"_s, u"Lista Articulos"_s, u"Etiquetas.mdb"_s,
         u"Articulos"_s, u"Vek_Lom_26"_s, kSmall},
        {u"CryListaEtiqueta1"_s, u"ForListaEtiqueta1"_s, u"Lista Articulos"_s, u"Etiquetas.mdb"_s,
         u"Articulos"_s, u"Vek_Lom_26"_s, kMedium},
        {u"CryListaEtiqueta2"_s, u"ForListaEtiqueta2"_s, u"Lista Articulos"_s, u"Etiquetas.mdb"_s,
         u"Articulos"_s, u"Vek_Lom_26"_s, kLarge},
    };
    return all;
}

const ReportDef* findByViewer(QStringView viewer)
{
    for (const ReportDef& def : reportDefs())
        if (def.viewer == viewer) return &def;
    return nullptr;
}

}  // namespace reports
