#include "members.h"
#include "shell/lookupnames.h"

using namespace Qt::StringLiterals;

namespace lookups {

namespace {

// One blank, the word, then blanks up to `width` characters.
QString padded(const QString& word, int width) { return (u' ' + word).leftJustified(width, u' '); }

Member catalogue(const QString& name, const QString& caption, const QString& fileName)
{
    return {.name = name,
            .caption = caption,
            .fileName = fileName,
            .table = u"rubros"_s,
            .layout = Layout::Catalogue,
            .codeField = u"COD_RUB"_s,
            .codeFormat = CodeFormat::FourDigits,
            .searchField = u"descri"_s};
}

Member party(const QString& name, const QString& caption, const QString& fileName,
             const QString& table, const QString& codeField, CodeFormat format)
{
    return {.name = name,
            .caption = caption,
            .fileName = fileName,
            .table = table,
            .layout = Layout::Party,
            .codeField = codeField,
            .codeFormat = format,
            .searchField = u"razon_soc"_s,
            .moreFields = {u"cuit"_s}};
}

Member article(const QString& name, bool byBarcode, bool threePrices, bool modalFromButton)
{
    QStringList prices{u"lis1"_s, u"lis2"_s};
    if (threePrices) prices << u"lis3"_s;
    return {.name = name,
            .caption = u"Buscar Articulo"_s,
            .fileName = u"Articulos.mdb"_s,
            .table = u"articulos"_s,
            .layout = Layout::Article,
            .codeField = byBarcode ? u"codbarra"_s : u"codigo"_s,
            .codeFormat = byBarcode ? CodeFormat::AsStored : CodeFormat::EightDigits,
            .searchField = u"descripcion"_s,
            .moreFields = prices,
            .leftAlignedColumn = 2,
            .modalFromButton = modalFromButton,
            .modalFromEscape = false,
            .doubleClickChooses = true};
}

std::vector<Member> makeMembers()
{
    Member customer = party(lookupnames::ConsuCliente, u"Buscar Cliente"_s, u"Clientes.mdb"_s,
                            u"clientes"_s, u"cod_client"_s, CodeFormat::AsStored);
    customer.marksRemito = true;
    // The barcode lookup of the article form aligns its code column instead of the description.
    Member byBarcode = article(lookupnames::ConsArticuloPro, true, true, true);
    byBarcode.leftAlignedColumn = 1;
    return {
        catalogue(lookupnames::ConsuMarcas, u"Buscar Marca"_s, u"Marcas.mdb"_s),
        catalogue(lookupnames::ConsuMarcas1, u"Buscar Marca"_s, u"Marcas.mdb"_s),
        catalogue(lookupnames::ConsuRubros, u"Buscar Rubro"_s, u"Rubros.mdb"_s),
        catalogue(lookupnames::ConsuRubros1, u"Buscar Rubro"_s, u"Rubros.mdb"_s),
        catalogue(lookupnames::ConsuDepartamentos, u"Buscar Departamento"_s,
                  u"Departamentos.mdb"_s),
        party(lookupnames::ConsuProveedor, u"Buscar Proveedor"_s, u"Proveedores.mdb"_s,
              u"proveedores"_s, u"COD_PROV"_s, CodeFormat::FourDigits),
        party(lookupnames::ConsuProveedor1, u"Buscar Proveedor"_s, u"Proveedores.mdb"_s,
              u"proveedores"_s, u"cod_prov"_s, CodeFormat::AsStored),
        customer,
        article(lookupnames::ConsArticulo, false, true, false),
        byBarcode,
        article(lookupnames::ConsArticuloEtiqueta, false, false, false),
        article(lookupnames::ConsArticuloEtiquetaDB, true, false, false),
    };
}

}  // namespace

int Member::dataRows() const { return layout == Layout::Article ? 999 : 499; }

int Member::columnCount() const { return layout == Layout::Article ? 8 : 6; }

QStringList Member::headers() const
{
    switch (layout) {
    case Layout::Catalogue:
        return {
            QString(), padded(u"CODIGO"_s, 23), padded(u"DESRIPCION"_s, 114), QString(), QString(),
            QString()};
    case Layout::Party:
        return {QString(),
                padded(u"CODIGO"_s, 23),
                padded(u"DESRIPCION"_s, 88),
                padded(u"DNI"_s, 24),
                QString(),
                QString()};
    case Layout::Article:
        return {QString(),
                padded(u"CODIGO"_s, 20),
                padded(u"DESRIPCION"_s, 101),
                u"LISTA 1"_s,
                u"LISTA 2"_s,
                u"LISTA 3"_s,
                QString(),
                QString()};
    }
    return {};
}

const std::vector<Member>& members()
{
    static const std::vector<Member> all = makeMembers();
    return all;
}

const Member* findMember(QStringView name)
{
    for (const Member& m : members())
        if (m.name == name) return &m;
    return nullptr;
}

}  // namespace lookups
