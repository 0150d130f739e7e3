#pragma once
// Read-only access to the old system's Jet (.mdb) files through libmdb. Values come from their
// stored bytes: numbers and dates are never read back from a text rendering.

#include <QString>
#include <QStringList>
#include <memory>
#include <stdexcept>
#include <vector>

struct S_MdbTableDef;

namespace legacy {

// A file or table that cannot be read; the text says why, in Spanish, for the report.
class ReadError : public std::runtime_error {
public:
    explicit ReadError(const QString& reason)
        : std::runtime_error(reason.toStdString()), reason_(reason)
    {
    }
    const QString& reason() const { return reason_; }

private:
    QString reason_;
};

// One stored value. Dates keep the engine's day count (days since 30/12/1899, the time of day
// as the fraction).
struct Value {
    enum class Kind { Null, Text, Whole, Number, Date, Unsupported };
    Kind kind = Kind::Null;
    QString text;
    qint64 whole = 0;
    double number = 0;
    // Why the stored value cannot be carried over whole (a memo the reader cannot read, a NUL
    // or half a UTF-16 character inside a text); empty when it can.
    QString damage;
};

struct Column {
    QString name;
    int type = 0;      // libmdb's column type (MDB_TEXT, MDB_DOUBLE...)
    int width = 0;     // characters, for text columns
    QString typeName;  // as the old system names it, for the report ("Texto", "Doble"...)
    bool supported = true;
};

class Table;

class File {
public:
    // Opens `path` read-only. Throws ReadError when it is not a Jet file or cannot be read.
    explicit File(const QString& path);
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    QStringList tableNames() const;
    // The user table of that name, found without regard to case; throws ReadError when absent
    // (the reason tells a damaged file from a file without that table).
    std::unique_ptr<Table> table(const QString& name);

private:
    void* mdb_ = nullptr;  // libmdb's MdbHandle
    QString path_;
    qint64 size_ = 0;
};

class Table {
public:
    Table(void* mdb, S_MdbTableDef* def);
    ~Table();
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    const std::vector<Column>& columns() const { return columns_; }
    // Rows the table's header declares; a damaged file may hold fewer.
    qint64 declaredRows() const;
    // Moves to the next row in file order; false at the end.
    bool next();
    Value value(int column) const;

private:
    bool storedNull(int column) const;

    void* mdb_;  // libmdb's MdbHandle, owned by the File
    S_MdbTableDef* def_;
    std::vector<Column> columns_;
    bool jet4_ = true;
};

// "yyyy-MM-dd HH:mm:ss" of an engine day count, rounded to the second; empty when the day
// count is outside the years 100 to 9999 (or not a number).
QString dateText(double days);

}  // namespace legacy
