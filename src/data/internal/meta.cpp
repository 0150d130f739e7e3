#include "meta.h"

#include "sqliteutil.h"

using namespace Qt::StringLiterals;

using sqliteutil::Statement;

namespace meta {

Values read(sqlite3* db)
{
    Values values;
    Statement exists(
        db, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='table' AND name=?1"));
    exists.bindText(1, QString::fromUtf16(kTable));
    if (!exists.step() || sqlite3_column_int(exists.get(), 0) == 0) return values;
    Statement rows(db, QStringLiteral("SELECT key, value FROM %1").arg(QString::fromUtf16(kTable)));
    while (rows.step()) {
        const QString key = rows.columnText(0);
        if (key == u"schema_version"_s) values.schemaVersion = rows.columnText(1).toInt();
        if (key == u"password"_s) values.passwordHash = rows.columnText(1);
    }
    values.valid = values.schemaVersion > 0;
    return values;
}

void create(sqlite3* db, const QString& passwordHash)
{
    const QString table = QString::fromUtf16(kTable);
    sqliteutil::exec(
        db, QStringLiteral("CREATE TABLE %1 (key TEXT PRIMARY KEY, value TEXT)").arg(table));
    Statement insert(db, QStringLiteral("INSERT INTO %1 (key, value) VALUES (?1, ?2)").arg(table));
    insert.bindText(1, QStringLiteral("schema_version"));
    insert.bindText(2, QString::number(kSchemaVersion));
    insert.step();
    sqlite3_reset(insert.get());
    insert.bindText(1, QStringLiteral("password"));
    insert.bindText(2, passwordHash);
    insert.step();
}

}  // namespace meta
