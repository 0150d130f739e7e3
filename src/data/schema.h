#pragma once
// Table layouts as the engine and the file catalogue describe them.

#include <QString>
#include <vector>

enum class FieldType {
    Text,     // text(width)
    Integer,  // 32-bit signed whole number
    Short,    // 16-bit signed whole number
    Double,   // double-precision number
    Date,     // date and time
    Counter,  // 32-bit number assigned by the engine at the first store, never reused
};

struct FieldDef {
    QString name;
    FieldType type = FieldType::Text;
    int width = 0;  // characters, for text fields
};

struct IndexDef {
    QString name;
    QString field;
    bool unique = false;
};

struct TableDef {
    QString name;
    std::vector<FieldDef> fields;
    std::vector<IndexDef> indexes;

    // Position of a field or index found without regard to case; -1 when absent.
    int fieldIndex(QStringView fieldName) const;
    const IndexDef* findIndex(QStringView indexName) const;
};

// `name` as an SQL identifier ("a""b" for a"b): the one quoting every statement uses.
QString quotedName(const QString& name);

// The SQL that creates a table and its indexes in a new file.
std::vector<QString> createTableSql(const TableDef& table);

// Parses a declared column type back ("TEXT(30)", "DOUBLE"...). Returns false for a type
// this system does not write.
bool parseDeclaredType(const QString& declared, bool autoIncrementKey, FieldDef& field);
