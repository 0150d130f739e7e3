#include "catalogue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "articlesearch.h"
#include "engine.h"
#include "filereplace.h"
#include "internal/fileconnection.h"
#include "internal/meta.h"
#include "internal/sqliteutil.h"
#include "passwords.h"
#include "paths.h"

using namespace Qt::StringLiterals;

namespace catalogue {

namespace {

FieldDef text(const char* name, int width)
{
    return {QString::fromLatin1(name), FieldType::Text, width};
}
FieldDef number(const char* name) { return {QString::fromLatin1(name), FieldType::Double, 0}; }
FieldDef whole(const char* name) { return {QString::fromLatin1(name), FieldType::Integer, 0}; }
FieldDef date(const char* name) { return {QString::fromLatin1(name), FieldType::Date, 0}; }
IndexDef index(const char* name, bool unique)
{
    return {QString::fromLatin1(name), QString::fromLatin1(name), unique};
}

TableDef usuarios()
{
    return {QStringLiteral("Usuarios"),
            {text("usuario", 30), text("contrasena", 255), text("estado", 10)},
            {index("usuario", true)}};
}

TableDef articulos()
{
    return {QStringLiteral("articulos"),
            {{QStringLiteral("codigo"), FieldType::Counter, 0},
             text("descripcion", 255),
             text("codbarra", 50),
             text("codp", 10),
             text("desp", 50),
             text("codm", 10),
             text("desm", 50),
             text("codr", 10),
             text("desr", 50),
             number("net"),
             number("iva"),
             number("cos"),
             text("uni", 10),
             number("dep1"),
             number("dep2"),
             number("dep3"),
             number("dept"),
             number("min"),
             number("ped"),
             number("rec1"),
             number("rec2"),
             number("rec3"),
             number("lis1"),
             number("lis2"),
             number("lis3"),
             date("fea"),
             date("fec")},
            {index("codigo", true), index("codbarra", false)}};
}

TableDef clientes()
{
    return {QStringLiteral("clientes"),
            {text("RAZON_SOC", 30), text("CONTACTO", 30), text("DOMICILIO", 30), text("CIUDAD", 15),
             text("PROVINCIA", 15), text("TEL_1", 30), text("TEL_2", 30), text("TIPO_IVA", 15),
             text("COD_POSTAL", 5), number("SALDO"), text("MAIL", 50), text("CUIT", 13),
             text("COD_CLIENT", 8), text("ESTADO", 12), text("SERVICIO", 10)},
            {index("COD_CLIENT", true), index("CONTACTO", false)}};
}

TableDef proveedores()
{
    return {QStringLiteral("proveedores"),
            {text("RAZON_SOC", 30), text("CONTACTO", 30), text("DOMICILIO", 30), text("CIUDAD", 15),
             text("PROVINCIA", 15), text("TEL_1", 30), text("TEL_2", 30), text("TIPO_IVA", 15),
             text("COD_POSTAL", 5), text("MAIL", 50), text("CUIT", 13), text("COD_PROV", 4)},
            {index("COD_PROV", true)}};
}

TableDef rubros(bool withLetterCode)
{
    TableDef table{QStringLiteral("rubros"),
                   {text("DESCRI", 30), text("COD_RUB", 4)},
                   {index("COD_RUB", true)}};
    if (withLetterCode) table.fields.push_back(text("COD_LET", 5));
    return table;
}

TableDef etiquetas()
{
    return {QStringLiteral("articulos"),
            {whole("codigo"),
             text("codbarra", 50),
             text("descripcion", 255),
             number("neto1"),
             text("desrubro", 50),
             text("talle", 5),
             text("codprov", 5),
             text("desprov", 50),
             text("pack", 15),
             text("unidad", 15),
             text("fechaact", 15),
             number("costo"),
             number("flete"),
             number("otros"),
             number("va1"),
             number("iva1"),
             number("va2"),
             number("iva2"),
             number("neto2"),
             {QStringLiteral("stock"), FieldType::Short, 0}},
            {}};
}

// Sales documents: the document lines of Stock01.mdb and the documents of Stock02.mdb.
TableDef salesLines()
{
    return {QStringLiteral("articulo"),
            {text("numerocomp", 20), whole("codigo"), text("descripcion", 255), number("cantidad"),
             number("precio"), number("importe")},
            {index("numerocomp", false)}};
}

TableDef salesDocuments()
{
    return {QStringLiteral("Stock01"),
            {text("numerocomp", 20), date("fecha"), text("cliente", 50), number("total"),
             text("facturado", 2)},
            {index("numerocomp", true)}};
}

// One row per bulk price change (or undo of one), and one per article it changed, with the
// values before and after: enough to show it, and to put the old values back.
TableDef priceChanges()
{
    return {QStringLiteral("actualizaciones"),
            {{QStringLiteral("numero"), FieldType::Counter, 0},
             date("fecha"),
             text("usuario", 50),
             text("condiciones", 255),
             text("regla", 255),
             whole("articulos"),
             whole("deshace"),
             whole("deshecha")},
            {index("numero", true)}};
}

TableDef priceChangeLines()
{
    return {QStringLiteral("cambios"),
            {whole("numero"), whole("orden"), whole("codigo"), number("cos_antes"),
             number("cos_nuevo"), number("net_antes"), number("net_nuevo"), number("rec1_antes"),
             number("rec1_nuevo"), number("rec2_antes"), number("rec2_nuevo"), number("rec3_antes"),
             number("rec3_nuevo"), number("lis1_antes"), number("lis1_nuevo"), number("lis2_antes"),
             number("lis2_nuevo"), number("lis3_antes"), number("lis3_nuevo")},
            {{QStringLiteral("cambios_numero"), QStringLiteral("numero"), false}}};
}

}  // namespace

const FileDef& priceHistory()
{
    static const FileDef history{QStringLiteral("Precios.mdb"),
                                 QStringLiteral("Vek_Pr_26"),
                                 priceChanges(),
                                 {priceChangeLines()}};
    return history;
}

const std::vector<FileDef>& files()
{
    static const std::vector<FileDef> all = {
        {QStringLiteral("Opcion.mdb"), QStringLiteral("Vek_Qz83"), usuarios()},
        {QStringLiteral("Articulos.mdb"), QStringLiteral("Vek_Lom_26"), articulos()},
        {QStringLiteral("Clientes.mdb"), QStringLiteral("Vek_Dn83"), clientes()},
        {QStringLiteral("Proveedores.mdb"), QStringLiteral("Vek_Dn83"), proveedores()},
        {QStringLiteral("Marcas.mdb"), QStringLiteral("Vek_Hs83"), rubros(false)},
        {QStringLiteral("Rubros.mdb"), QStringLiteral("Vek_Hs83"), rubros(false)},
        {QStringLiteral("Departamentos.mdb"), QStringLiteral("Vek_Hs83"), rubros(true)},
        {QStringLiteral("Etiquetas.mdb"), QStringLiteral("Vek_Lom_26"), etiquetas()},
        {QStringLiteral("Stock01.mdb"), QStringLiteral("Vek_Wc83"), salesLines()},
        {QStringLiteral("Stock02.mdb"), QStringLiteral("Vek_Wc83"), salesDocuments()},
    };
    return all;
}

const FileDef* find(QStringView fileName)
{
    for (const FileDef& def : files())
        if (def.fileName.compare(fileName, Qt::CaseInsensitive) == 0) return &def;
    if (priceHistory().fileName.compare(fileName, Qt::CaseInsensitive) == 0) return &priceHistory();
    return nullptr;
}

std::shared_ptr<Database> open(QStringView fileName)
{
    const FileDef* def = find(fileName);
    if (!def) throw EngineError(EngineErrorCode::FileNotFound, paths::inBases(fileName.toString()));
    auto database = openAt(*def, paths::inBases(def->fileName));
    // Every write to the store's articles keeps their search index in step.
    if (def->fileName == u"Articulos.mdb") articlesearch::attachIfPresent(*database);
    return database;
}

std::shared_ptr<Database> openAt(const FileDef& def, const QString& path)
{
    auto file = FileConnection::open(path);
    if (!file->checkPassword(def.password)) throw EngineError(EngineErrorCode::InvalidPassword);
    return std::make_shared<Database>(std::move(file));
}

void createFile(const FileDef& def, const QString& nativePath,
                const std::function<void(Database&)>& fill)
{
    const QFileInfo target(nativePath);
    if (target.exists()) throw EngineError(EngineErrorCode::FileExists, nativePath);
    if (!QDir().mkpath(target.absolutePath()))
        throw EngineError(EngineErrorCode::PathNotValid, target.absolutePath());
    const QString temp = filereplace::temporaryFor(nativePath);
    sqlite3* db = nullptr;
    try {
        if (sqliteutil::openStoreFile(temp, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, &db) !=
            SQLITE_OK)
            throw EngineError(EngineErrorCode::CannotOpenFile, nativePath);
        {
            sqliteutil::Transaction create(db);
            meta::create(db, def.password.isEmpty()
                                 ? QString()
                                 : passwords::hash(def.password, passwords::kFileIterations));
            for (const QString& sql : createTableSql(def.table)) sqliteutil::exec(db, sql);
            for (const TableDef& table : def.moreTables)
                for (const QString& sql : createTableSql(table)) sqliteutil::exec(db, sql);
            create.commit();
        }
        if (sqlite3_close(db) != SQLITE_OK) throw EngineError(EngineErrorCode::IoError, nativePath);
        db = nullptr;
        if (fill) {
            auto database = openAt(def, temp);
            Transaction filling(*database);
            fill(*database);
            filling.CommitTrans();
        }
    } catch (...) {
        sqlite3_close_v2(db);
        filereplace::discard(temp);
        throw;
    }
    filereplace::putInPlace(temp, nativePath, filereplace::Mode::NeverReplace);
}

QString schemaDifference(const Database& db, const FileDef& def)
{
    const TableDef* table = db.tableDef(def.table.name);
    if (!table) return u"falta la tabla "_s + def.table.name;
    if (table->fields.size() != def.table.fields.size()) return u"la tabla tiene otros campos"_s;
    for (size_t i = 0; i < def.table.fields.size(); ++i) {
        const FieldDef &want = def.table.fields[i], &have = table->fields[i];
        if (want.name != have.name || want.type != have.type || want.width != have.width)
            return u"el campo "_s + want.name + u" no coincide"_s;
    }
    for (const IndexDef& want : def.table.indexes) {
        const IndexDef* have = table->findIndex(want.name);
        if (!have || have->field != want.field || have->unique != want.unique)
            return u"el índice "_s + want.name + u" no coincide"_s;
    }
    return QString();
}

}  // namespace catalogue
