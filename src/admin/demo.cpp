#include "demo.h"

#include <QDate>
#include <QStringList>
#include <cmath>
#include <random>

#include "data/engine.h"
#include "data/numbertext.h"

using namespace Qt::StringLiterals;

namespace demo {

namespace {

const QStringList kBrands = {u"LA SERENISIMA"_s, u"ARCOR"_s,    u"MOLINOS"_s, u"BAGLEY"_s,
                             u"CAÑUELAS"_s,      u"MAROLIO"_s,  u"QUILMES"_s, u"COCINERO"_s,
                             u"ÑANDÚ"_s,         u"TERRABUSI"_s};
const QStringList kCategories = {u"LACTEOS"_s,    u"ALMACEN"_s,    u"BEBIDAS"_s,   u"LIMPIEZA"_s,
                                 u"GALLETITAS"_s, u"FIAMBRERIA"_s, u"PANADERIA"_s, u"VERDULERIA"_s,
                                 u"PERFUMERIA"_s, u"CONGELADOS"_s};
const QStringList kDepartments = {u"ALMACEN"_s,    u"BAZAR"_s,     u"CARNICERIA"_s, u"FIAMBRERIA"_s,
                                  u"VERDULERIA"_s, u"PANADERIA"_s, u"BEBIDAS"_s,    u"LIMPIEZA"_s};
const QStringList kProducts = {u"LECHE ENTERA"_s,      u"YERBA MATE"_s,       u"AZUCAR"_s,
                               u"ARROZ LARGO FINO"_s,  u"FIDEOS TIRABUZON"_s, u"ACEITE GIRASOL"_s,
                               u"GALLETITAS DULCES"_s, u"QUESO CREMOSO"_s,    u"JAMON COCIDO"_s,
                               u"GASEOSA COLA"_s,      u"AGUA MINERAL"_s,     u"LAVANDINA"_s,
                               u"DETERGENTE"_s,        u"PAN LACTAL"_s,       u"PAPAS"_s,
                               u"TOMATES"_s,           u"HARINA 000"_s,       u"DULCE DE LECHE"_s,
                               u"CAFE MOLIDO"_s,       u"JABON EN POLVO"_s};
const QStringList kSizes = {u"1 L"_s, u"500 G"_s, u"1 KG"_s, u"X UNIDAD"_s, u"2,25 L"_s};
const QStringList kNames = {u"GOMEZ"_s,  u"FERNANDEZ"_s, u"RODRIGUEZ"_s, u"LOPEZ"_s,  u"MARTINEZ"_s,
                            u"GARCIA"_s, u"PEREZ"_s,     u"SANCHEZ"_s,   u"ROMERO"_s, u"NUÑEZ"_s};
const QStringList kFirstNames = {u"JUAN"_s, u"MARIA"_s, u"CARLOS"_s, u"ANA"_s, u"JOSE"_s};
const QStringList kCities = {u"ROSARIO"_s, u"CORDOBA"_s, u"SANTA FE"_s, u"PARANA"_s, u"RAFAELA"_s};
const QStringList kUnits = {u"Un"_s, u"Kg"_s, u"Lt"_s, u"Mt"_s};

QString code4(int n) { return numbertext::code(n, 4); }

double round2(double v) { return std::round(v * 100.0) / 100.0; }

// A 13-digit barcode with its check digit.
QString barcode(int n)
{
    QString digits = QStringLiteral("779%1").arg(100000000 + n * 7919, 9, 10, QLatin1Char('0'));
    int sum = 0;
    for (int i = 0; i < 12; ++i) sum += (digits[i].digitValue()) * (i % 2 ? 3 : 1);
    return digits + QString::number((10 - sum % 10) % 10);
}

void setAll(Recordset& rs, const std::initializer_list<std::pair<const char*, QVariant>>& values)
{
    rs.AddNew();
    for (const auto& [name, value] : values) rs.Fields(QString::fromLatin1(name)).setValue(value);
    rs.Update();
}

QString supplierName(int i) { return kNames[i % kNames.size()] + u" DISTRIBUCIONES"_s; }

void articles(Database& db)
{
    auto rs = db.OpenRecordset(u"articulos"_s);
    std::mt19937 random(20261210);
    const QDate day(2026, 11, 2);
    for (int i = 0; i < 200; ++i) {
        const int brand = int(random() % 10), category = int(random() % 10),
                  supplier = int(random() % 20);
        const double cos = round2(50 + double(random() % 500000) / 100.0);
        QVariant iva = (i % 50 == 7)   ? QVariant()
                       : (i % 40 == 3) ? QVariant(0.0)
                       : (i % 4 == 0)  ? QVariant(10.5)
                                       : QVariant(21.0);
        const double rate = iva.isNull() ? 0 : iva.toDouble();
        const double dep1 = random() % 60, dep2 = random() % 20, dep3 = random() % 5;
        const double rec1 = 30, rec2 = 40, rec3 = 50;
        QString description =
            kProducts[i % kProducts.size()] + u' ' + kSizes[(i / 20) % kSizes.size()];
        if (i == 11) description = u"Leche descremada 1 L"_s;  // typed before upper-case entry
        setAll(*rs, {{"descripcion", description},
                     {"codbarra", barcode(i)},
                     {"codp", code4(supplier + 1)},
                     {"desp", supplierName(supplier)},
                     {"codm", code4(brand + 1)},
                     {"desm", kBrands[brand]},
                     {"codr", code4(category + 1)},
                     {"desr", kCategories[category]},
                     {"net", round2(cos / (rate / 100 + 1))},
                     {"iva", iva},
                     {"cos", cos},
                     {"uni", kUnits[i % kUnits.size()]},
                     {"dep1", dep1},
                     {"dep2", dep2},
                     {"dep3", dep3},
                     {"dept", dep1 + dep2 + dep3},
                     {"min", 5.0},
                     {"ped", 10.0},
                     {"rec1", rec1},
                     {"rec2", rec2},
                     {"rec3", rec3},
                     {"lis1", round2(cos * rec1 / 100 + cos)},
                     {"lis2", round2(cos * rec2 / 100 + cos)},
                     {"lis3", round2(cos * rec3 / 100 + cos)},
                     {"fea", day.addDays(i % 30)},
                     {"fec", day.addDays(i % 30)}});
    }
}

void parties(Database& db, const QString& table, int count, bool customers)
{
    auto rs = db.OpenRecordset(table);
    const QStringList conditions = {u"RESP. INSCRIPTO"_s, u"RESP. NO INSCR."_s, u"MONOTRIBUTO"_s,
                                    u"CONS. FINAL"_s, customers ? u"EXENTO"_s : u"EXCENTO"_s};
    for (int i = 0; i < count; ++i) {
        const QString name =
            customers ? kFirstNames[i % kFirstNames.size()] + u' ' + kNames[i % kNames.size()]
                      : supplierName(i);
        rs->AddNew();
        rs->Fields(u"RAZON_SOC"_s).setValue(name.left(30));
        rs->Fields(u"CONTACTO"_s).setValue(kFirstNames[(i + 2) % kFirstNames.size()]);
        rs->Fields(u"DOMICILIO"_s).setValue(QStringLiteral("SAN MARTIN %1").arg(100 + i * 37));
        rs->Fields(u"CIUDAD"_s).setValue(kCities[i % kCities.size()]);
        rs->Fields(u"PROVINCIA"_s).setValue(u"SANTA FE"_s);
        rs->Fields(u"TEL_1"_s).setValue(QStringLiteral("0341-45%1").arg(10000 + i * 13));
        rs->Fields(u"TEL_2"_s).setValue(QStringLiteral("0341-46%1").arg(10000 + i * 17));
        rs->Fields(u"TIPO_IVA"_s).setValue(conditions[i % conditions.size()]);
        rs->Fields(u"COD_POSTAL"_s).setValue(QString::number(2000 + i % 10));
        rs->Fields(u"MAIL"_s).setValue(QStringLiteral("contacto%1@ejemplo.com.ar").arg(i + 1));
        rs->Fields(u"CUIT"_s).setValue(
            QStringLiteral("20%1").arg(20000000 + i * 311, 8, 10, QLatin1Char('0')) + u'9');
        if (customers) {
            rs->Fields(u"COD_CLIENT"_s).setValue(code4(i + 1));
            rs->Fields(u"SALDO"_s).setValue(double((i * 1731) % 50000) / 100.0);
            rs->Fields(u"ESTADO"_s).setValue(i == 4 ? u"SUSPENDIDA"_s : u"HABILITADA"_s);
            rs->Fields(u"SERVICIO"_s).setValue(u"NORMAL"_s);
            if (i == 9) rs->Fields(u"CUIT"_s).setValue(u"remito"_s);
        } else {
            rs->Fields(u"COD_PROV"_s).setValue(code4(i + 1));
        }
        rs->Update();
    }
}

void catalogueEntries(Database& db, const QStringList& names, bool letterCode)
{
    auto rs = db.OpenRecordset(u"rubros"_s);
    for (int i = 0; i < names.size(); ++i) {
        rs->AddNew();
        rs->Fields(u"DESCRI"_s).setValue(names[i]);
        rs->Fields(u"COD_RUB"_s).setValue(code4(i + 1));
        if (letterCode) rs->Fields(u"COD_LET"_s).setValue(u'D' + QString::number(i + 1));
        rs->Update();
    }
}

void labels(Database& db)
{
    auto rs = db.OpenRecordset(u"articulos"_s);
    for (int i : {1, 2, 3, 5, 8}) {
        setAll(*rs, {{"codigo", i},
                     {"codbarra", barcode(i - 1)},
                     {"descripcion", kProducts[(i - 1) % kProducts.size()] + u" 1 L"_s},
                     {"neto1", 100.0 + i * 12.5}});
    }
}

void salesDocuments(Database& db)
{
    auto rs = db.OpenRecordset(u"Stock01"_s);
    for (int i = 1; i <= 3; ++i)
        setAll(*rs, {{"numerocomp", QStringLiteral("0001-%1").arg(i, 8, 10, QLatin1Char('0'))},
                     {"fecha", QDate(2026, 12, i)},
                     {"cliente", kFirstNames[i] + u' ' + kNames[i]},
                     {"total", 1500.0 * i},
                     {"facturado", i == 1 ? u"SI"_s : u"NO"_s}});
}

void salesLines(Database& db)
{
    auto rs = db.OpenRecordset(u"articulo"_s);
    for (int i = 1; i <= 3; ++i)
        setAll(*rs, {{"numerocomp", QStringLiteral("0001-%1").arg(i, 8, 10, QLatin1Char('0'))},
                     {"codigo", i},
                     {"descripcion", kProducts[i]},
                     {"cantidad", 2.0},
                     {"precio", 750.0 * i},
                     {"importe", 1500.0 * i}});
}

}  // namespace

void fill(const QString& fileName, Database& database)
{
    const QString name = fileName.toLower();
    if (name == u"articulos.mdb") articles(database);
    else if (name == u"clientes.mdb") parties(database, u"clientes"_s, 50, true);
    else if (name == u"proveedores.mdb") parties(database, u"proveedores"_s, 20, false);
    else if (name == u"marcas.mdb") catalogueEntries(database, kBrands, false);
    else if (name == u"rubros.mdb") catalogueEntries(database, kCategories, false);
    else if (name == u"departamentos.mdb") catalogueEntries(database, kDepartments, true);
    else if (name == u"etiquetas.mdb") labels(database);
    else if (name == u"stock01.mdb") salesLines(database);
    else if (name == u"stock02.mdb") salesDocuments(database);
}

}  // namespace demo
