#include "reportdefs.h"

#include "data/catalogue.h"
#include "data/labelqueue.h"
#include "shell/windownames.h"

using namespace Qt::StringLiterals;

namespace reports {

namespace {

ColumnDef text(QStringView header, QStringView field)
{
    return {header.toString(), field.toString()};
}
ColumnDef whole(QStringView header, QStringView field)
{
    return {header.toString(), field.toString(), Align::Right, Format::Whole};
}
ColumnDef money(QStringView header, QStringView field, bool total = false)
{
    return {header.toString(), field.toString(), Align::Right, Format::Fixed2, total};
}

// Common A4 label sheets: small 5 × 13, medium 3 × 7, large 2 × 4.
const LabelDef kSmall{38.1, 21.2, 5, 13, 4.75, 10.7, 40.6, 21.2, 7.5, 5.0, 12.0, 0.0, 0.0};
const LabelDef kMedium{63.5, 38.1, 3, 7, 7.2, 15.15, 66.0, 38.1, 9.0, 6.0, 16.0, 11.0, 6.0};
const LabelDef kLarge{99.1, 67.7, 2, 4, 4.65, 13.1, 101.6, 67.7, 13.0, 8.0, 30.0, 20.0, 8.0};

// A report on `fileName`, one of the store's files: its table and password are the file
// catalogue's.
ReportDef report(const char16_t* name, WindowName viewer, const char16_t* caption,
                 const char16_t* fileName, std::variant<ListDef, LabelDef> layout)
{
    const catalogue::FileDef* file = catalogue::find(QStringView(fileName));
    if (!file)
        qFatal("A report reads %s, which is not a store file",
               qPrintable(QString::fromUtf16(fileName)));
    return {QString::fromUtf16(name), viewer,           QString::fromUtf16(caption),
            file->fileName,           file->table.name, file->password,
            std::move(layout)};
}

}  // namespace

std::vector<ColumnDef> ReportDef::columns() const
{
    if (const ListDef* l = list()) return l->columns;
    // A label sheet lists the queued labels.
    using namespace labelqueue;
    return {whole(Codigo.heading, Codigo.name), text(CodBarra.heading, CodBarra.name),
            text(Descripcion.heading, Descripcion.name), money(Precio.heading, Precio.name)};
}

std::vector<QString> ReportDef::fields() const
{
    std::vector<QString> out;
    for (const ColumnDef& c : columns()) out.push_back(c.field);
    return out;
}

const std::vector<ReportDef>& reportDefs()
{
    using namespace windownames;
    static const std::vector<ReportDef> all = {
        report(u"CryListaArticulos", ForListaArticulos, u"Lista Articulos", u"Articulos.mdb",
               ListDef{u"Lista de Articulos"_s,
                       {whole(u"CODIGO", u"codigo"), text(u"COD.BARRA", u"codbarra"),
                        text(u"DESCRIPCION", u"descripcion"), money(u"COSTO", u"cos"),
                        money(u"LISTA 1", u"lis1"), money(u"LISTA 2", u"lis2"),
                        money(u"LISTA 3", u"lis3"), money(u"STOCK", u"dept", true)},
                       u"codigo"_s}),
        report(u"CryListaClientes", ForListaClientes, u"Lista Proveedores", u"Clientes.mdb",
               ListDef{u"Lista de Clientes"_s,
                       {text(u"CODIGO", u"COD_CLIENT"), text(u"RAZON SOCIAL", u"RAZON_SOC"),
                        text(u"DOMICILIO", u"DOMICILIO"), text(u"CIUDAD", u"CIUDAD"),
                        text(u"TELEFONO", u"TEL_1"), text(u"CUIT", u"CUIT"),
                        money(u"SALDO", u"SALDO", true)},
                       u"COD_CLIENT"_s}),
        report(u"CryListaProveedores", ForListaProveedores, u"Lista Proveedores",
               u"Proveedores.mdb",
               ListDef{u"Lista de Proveedores"_s,
                       {text(u"CODIGO", u"COD_PROV"), text(u"RAZON SOCIAL", u"RAZON_SOC"),
                        text(u"DOMICILIO", u"DOMICILIO"), text(u"CIUDAD", u"CIUDAD"),
                        text(u"TELEFONO", u"TEL_1"), text(u"CUIT", u"CUIT"),
                        text(u"COND. IVA", u"TIPO_IVA")},
                       u"COD_PROV"_s}),
        report(u"CryListaDepartamentos", ForListaDepartamentos, u"Lista Departamentos",
               u"Departamentos.mdb",
               ListDef{u"Lista de Departamentos"_s,
                       {text(u"CODIGO", u"COD_RUB"), text(u"DESCRIPCION", u"DESCRI"),
                        text(u"LETRA", u"COD_LET")},
                       u"COD_RUB"_s}),
        report(u"CryListaEtiqueta", ForListaEtiqueta, u"Lista Articulos", u"Etiquetas.mdb", kSmall),
        report(u"CryListaEtiqueta1", ForListaEtiqueta1, u"Lista Articulos", u"Etiquetas.mdb",
               kMedium),
        report(u"CryListaEtiqueta2", ForListaEtiqueta2, u"Lista Articulos", u"Etiquetas.mdb",
               kLarge),
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
