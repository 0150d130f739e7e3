#include "store.h"

using namespace Qt::StringLiterals;

namespace {

struct FieldValue {
    QString field;
    QVariant value;
};

void add(Recordset& rs, const std::vector<FieldValue>& values)
{
    rs.AddNew();
    for (const FieldValue& v : values) rs.Fields(v.field).setValue(v.value);
    rs.Update();
}

void fillCatalogue(Database& db)
{
    auto rs = db.OpenRecordset(u"rubros"_s);
    add(*rs, {{u"COD_RUB"_s, u"7"_s}, {u"DESCRI"_s, u"LECHE ENTERA"_s}});
    add(*rs, {{u"COD_RUB"_s, u"12"_s}, {u"DESCRI"_s, u"Leche"_s}});
    add(*rs, {{u"COD_RUB"_s, u"3"_s}});  // description Null
    add(*rs, {{u"COD_RUB"_s, u"4"_s}, {u"DESCRI"_s, u"x"_s}});
    add(*rs, {{u"COD_RUB"_s, u"A1"_s}, {u"DESCRI"_s, u"DULCE DE LECHE"_s}});
    for (int i = 0; i < LookupStore::kManyCatalogue; ++i)
        add(*rs, {{u"COD_RUB"_s, QString::number(1000 + i)},
                  {u"DESCRI"_s, u"MARCA %1"_s.arg(i, 3, 10, QChar(u'0'))}});
    // An empty text, which the engine's field writes store as Null.
    db.Execute(u"UPDATE rubros SET DESCRI = '' WHERE COD_RUB = '4'"_s);
}

void fillParties(Database& db, const QString& table, const QString& codeField)
{
    auto rs = db.OpenRecordset(table);
    struct Party {
        const char16_t* code;
        const char16_t* name;
        const char16_t* cuit;
    };
    const Party parties[] = {
        {u"15", u"JUAN PEREZ", u"remito"},     {u"16", u"ANA GOMEZ", u"20-1 remito 3"},
        {u"17", u"LUIS DIAZ", u"REMITO"},      {u"18", u"CARLOS RUIZ", nullptr},
        {u"0019", u"Beatriz Sosa", u"27-333"}, {u"7", u"DISTRIBUIDORA NORTE", u"30-555"},
    };
    for (const Party& p : parties) {
        std::vector<FieldValue> values{{codeField, QString::fromUtf16(p.code)},
                                       {u"RAZON_SOC"_s, QString::fromUtf16(p.name)}};
        if (p.cuit) values.push_back({u"CUIT"_s, QString::fromUtf16(p.cuit)});
        add(*rs, values);
    }
}

void fillArticles(Database& db)
{
    auto rs = db.OpenRecordset(u"articulos"_s);
    add(*rs, {{u"descripcion"_s, u"LECHE ENTERA 1L"_s},
              {u"codbarra"_s, u"7790001"_s},
              {u"lis1"_s, 12.5},
              {u"lis2"_s, 100.0},
              {u"lis3"_s, 0.1 + 0.2}});
    add(*rs, {{u"descripcion"_s, u"Leche descremada"_s},
              {u"codbarra"_s, u"7790002"_s},
              {u"lis1"_s, 1.0}});
    add(*rs, {{u"codbarra"_s, u"7790003"_s}});  // no description
    add(*rs, {{u"descripcion"_s, u"DULCE DE LECHE"_s},
              {u"lis1"_s, 1234.75},
              {u"lis2"_s, 0.0},
              {u"lis3"_s, 99.9}});
    for (int i = 0; i < LookupStore::kManyArticles; ++i)
        add(*rs, {{u"descripcion"_s, u"ARTICULO %1"_s.arg(i, 4, 10, QChar(u'0'))},
                  {u"codbarra"_s, QString::number(7800000 + i)},
                  {u"lis1"_s, 2.0 + i}});
}

}  // namespace

LookupStore::LookupStore()
{
    for (const QString& name : {u"Marcas.mdb"_s, u"Rubros.mdb"_s, u"Departamentos.mdb"_s})
        folder_.createFilled(name, fillCatalogue);
    folder_.createFilled(u"Proveedores.mdb"_s,
                         [](Database& db) { fillParties(db, u"proveedores"_s, u"COD_PROV"_s); });
    folder_.createFilled(u"Clientes.mdb"_s,
                         [](Database& db) { fillParties(db, u"clientes"_s, u"COD_CLIENT"_s); });
    folder_.createFilled(u"Articulos.mdb"_s, fillArticles);
}
