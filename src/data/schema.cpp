#include "schema.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

QString quotedName(const QString& name)
{
    return u'"' + QString(name).replace(u'"', u"\"\""_s) + u'"';
}

namespace {

QString declaredType(const FieldDef& f)
{
    switch (f.type) {
    case FieldType::Text:
        return QStringLiteral("TEXT(%1) COLLATE ES_NOCASE").arg(f.width);
    case FieldType::Integer:
        return QStringLiteral("INTEGER");
    case FieldType::Short:
        return QStringLiteral("SMALLINT");
    case FieldType::Double:
        return QStringLiteral("DOUBLE");
    case FieldType::Date:
        return QStringLiteral("DATETIME");
    case FieldType::Counter:
        return QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
    }
    return QString();
}

}  // namespace

int TableDef::fieldIndex(QStringView fieldName) const
{
    for (size_t i = 0; i < fields.size(); ++i)
        if (fields[i].name.size() == fieldName.size() &&
            fields[i].name.compare(fieldName, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

const IndexDef* TableDef::findIndex(QStringView indexName) const
{
    for (const IndexDef& index : indexes)
        if (index.name.compare(indexName, Qt::CaseInsensitive) == 0) return &index;
    return nullptr;
}

std::vector<QString> createTableSql(const TableDef& table)
{
    QStringList columns;
    for (const FieldDef& f : table.fields) columns << quotedName(f.name) + u' ' + declaredType(f);
    std::vector<QString> sql{u"CREATE TABLE "_s + quotedName(table.name) + u" ("_s +
                             columns.join(u", "_s) + u")"_s};
    for (const IndexDef& index : table.indexes)
        sql.push_back(QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
                          .arg(index.unique ? QStringLiteral("UNIQUE ") : QString(),
                               quotedName(index.name), quotedName(table.name),
                               quotedName(index.field)));
    return sql;
}

bool parseDeclaredType(const QString& declared, bool autoIncrementKey, FieldDef& field)
{
    static const QRegularExpression text(QStringLiteral("^TEXT\\((\\d+)\\)"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QString type = declared.trimmed().toUpper();
    field.width = 0;
    if (const auto m = text.match(type); m.hasMatch()) {
        field.type = FieldType::Text;
        field.width = m.captured(1).toInt();
    } else if (type == u"INTEGER"_s) {
        field.type = autoIncrementKey ? FieldType::Counter : FieldType::Integer;
    } else if (type == u"SMALLINT"_s) {
        field.type = FieldType::Short;
    } else if (type == u"DOUBLE"_s) {
        field.type = FieldType::Double;
    } else if (type == u"DATETIME"_s) {
        field.type = FieldType::Date;
    } else {
        return false;
    }
    return true;
}
