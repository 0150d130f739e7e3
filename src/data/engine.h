#pragma once
// The database engine as the forms use it: databases and recordsets with index seeks, moves,
// adds, edits and deletes, over the store's files. A file is opened through the catalogue
// (catalogue::open), which checks its password.
//
// A recordset never holds a statement or a lock between calls: it remembers its place as the
// key values of its current record, so any number of recordsets over one file can read and
// write interleaved, and each sees the others' changes at its next move or read.

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <variant>
#include <vector>

#include "errors.h"
#include "schema.h"

struct sqlite3_stmt;
class FileConnection;
namespace articlesearch {
struct Connection;
}
class Database;
class Recordset;

enum class RecordsetType { Table = 1, Dynaset = 2 };
enum class EditMode { None, Edit, AddNew };

class Database {
public:
    // The catalogue opens files (catalogue::open); `file` has passed its password check.
    explicit Database(std::shared_ptr<FileConnection> file);

    std::unique_ptr<Recordset> OpenRecordset(const QString& table,
                                             RecordsetType type = RecordsetType::Table);
    const TableDef* tableDef(const QString& table) const;
    int schemaVersion() const;

    // Runs SQL statements as one unit: all of them take effect or, on an error, none.
    // Returns the number of records the last statement changed.
    int Execute(const QString& sql);

    // Groups the following writes into one unit, made durable at CommitTrans; Rollback
    // discards them. Without BeginTrans every Update commits at once.
    void BeginTrans();
    void CommitTrans();
    void Rollback();

    // Runs one read-only SQL query with ?1, ?2... bound to `params` and returns its rows;
    // values come back as stored (whole numbers as qlonglong, numbers as double, text as
    // QString, Null as an invalid QVariant). For searches that a walk record by record
    // would make slow, such as the lookup dialogs' substring search.
    QList<QVariantList> Select(const QString& sql, const QVariantList& params = {});

    // The records of `table` whose `field` holds `text` (exact: case and accents count) and is
    // not empty, in table order, at most `limit`; each row holds `columns` in order. The lookup
    // dialogs' search: one query, since walking the records one by one would be slow.
    QList<QVariantList> FindContaining(const QString& table, const QString& field,
                                       const QString& text, const QStringList& columns, int limit);

    // A writer of new records into `table`: each call stores one row as it comes, one value per
    // field in the table's order, counters included, for records copied from elsewhere (the
    // importer). Values as Select returns them; only the file's own constraints check them.
    // Throws TableNotFound; each call throws what the file refuses.
    std::function<void(const std::vector<QVariant>&)> Inserter(const QString& table);

    // Runs `check` ("integrity_check") and returns its lines.
    QStringList pragmaLines(const QString& pragma);

    // Walks the rows of one read-only SQL query (?1, ?2... bound to `params`) without copying
    // them: `each` reads the current row through the view, which is valid during the call only.
    // For reading many rows quickly, where Select's QVariants would cost more than the query.
    class RowView;
    void ForEach(const QString& sql, const QVariantList& params,
                 const std::function<void(const RowView&)>& each);

    // A prepared writing statement (UPDATE, INSERT or DELETE with ?1, ?2...): each call binds
    // its values, runs it and returns the number of records it changed. Throws what the file
    // refuses; inside BeginTrans the writes stay pending until CommitTrans.
    std::function<int(const QVariantList&)> Writer(const QString& sql);
    // The same for a statement whose values are all numbers, bound as they are: for writing
    // many records, where making a QVariant of each value costs a fifth of the write.
    using Number = std::variant<qint64, double>;
    std::function<int(std::span<const Number>)> NumberWriter(const QString& sql);

    // Makes the tables of another open file readable and writable from this one's SQL as
    // `alias.table`, so that one transaction spans both files: with rollback journals SQLite
    // commits them together or not at all. Not inside a transaction. Detach ends it.
    void Attach(const Database& other, const QString& alias);
    void Detach(const QString& alias);

private:
    friend struct articlesearch::Connection;  // the article search's index lives on this connection
    std::shared_ptr<FileConnection> file_;
};

// The current row of Database::ForEach.
class Database::RowView {
public:
    explicit RowView(sqlite3_stmt* stmt) : stmt_(stmt) {}
    bool isNull(int column) const;
    // A number column; 0 for Null.
    double number(int column) const;
    qint64 whole(int column) const;
    QString text(int column) const;

private:
    sqlite3_stmt* stmt_;
};

// BeginTrans on a database for the length of a scope: rolled back when the scope ends without
// CommitTrans, so an exception never leaves a transaction open.
class Transaction {
public:
    explicit Transaction(Database& db) : db_(db) { db_.BeginTrans(); }
    ~Transaction()
    {
        if (!committed_) db_.Rollback();
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void CommitTrans()
    {
        db_.CommitTrans();
        committed_ = true;
    }

private:
    Database& db_;
    bool committed_ = false;
};

// One field of a recordset's current or pending record.
class Field {
public:
    Field(Recordset* recordset, int index) : rs_(recordset), index_(index) {}
    // Null reads as an invalid QVariant. Text reads as QString, whole numbers as int,
    // numbers as double, dates as QDateTime.
    QVariant Value() const;
    // The value of a number field as Value() gives it, without a QVariant; none for Null.
    // For reading many numbers quickly.
    std::optional<double> number() const;
    // The text of a text value as the file holds it (UTF-8), without making a QString; none
    // for Null, a number, or while editing. Valid until the record moves.
    std::optional<QByteArrayView> storedText() const;
    // Only while an AddNew or Edit is pending. A text assigned to a numeric field is read
    // with the decimal comma ("1234,5"); an empty text stores Null. A text that is not a
    // number, or longer than a text field, throws and leaves the pending value as it was.
    void setValue(const QVariant& value);
    const QString& Name() const;
    FieldType Type() const;
    int Size() const;

private:
    Recordset* rs_;
    int index_;
};

class Recordset {
public:
    Recordset(std::shared_ptr<FileConnection> file, const TableDef& table, RecordsetType type);
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    const TableDef& table() const { return table_; }

    // The current index (table-type only). Moves then follow its order; before one is set, or
    // after an empty name is set, they follow the table's own (insertion) order.
    const QString& Index() const { return indexName_; }
    void setIndex(const QString& indexName);

    // Makes current the first record, in index order, whose key equals `key` (whole field;
    // text without regard to case, numbers as numbers). NoMatch() tells a miss.
    void Seek(const QVariant& key);
    bool NoMatch() const { return noMatch_; }

    void MoveFirst();
    void MoveLast();
    void MoveNext();
    void MovePrevious();
    // EOF and BOF; EOF is a C library macro, hence the spelling.
    bool Eof() const { return eof_; }
    bool Bof() const { return bof_; }

    void AddNew();
    void Edit();
    void Update();
    void CancelUpdate();
    void Delete();
    EditMode editMode() const { return mode_; }

    // One user operation (an event the program handles), from construction to destruction;
    // operations nest. The recordsets an operation writes to (AddNew, Edit, a value, Update)
    // become its own. When it fails, the error handler calls CancelPendingUpdates, which
    // cancels their pending AddNew or Edit, so nothing half-typed is stored later, and leaves
    // every other recordset alone: another window's change in progress stays as it was.
    class Operation {
    public:
        Operation();
        ~Operation();
        Operation(const Operation&) = delete;
        Operation& operator=(const Operation&) = delete;
        void CancelPendingUpdates();

    private:
        quint64 id_, outer_;
    };

    Field Fields(QStringView name);
    Field Fields(int index);
    int fieldCount() const { return int(table_.fields.size()); }

private:
    friend class Field;
    // A record as read: the stored values with the text of all its text fields in one
    // buffer, turned into QVariants only for the fields that are read.
    struct Cell {
        int storage = 0;  // SQLITE_NULL, SQLITE_INTEGER, SQLITE_FLOAT or SQLITE_TEXT
        union {
            qint64 whole;
            double number;
            struct {
                quint32 offset, size;
            } text;
        };
    };
    struct Row {
        qint64 rowid = 0;
        std::vector<Cell> cells;
        std::string text;
    };
    QVariant cellValue(const Row& row, int index) const;
    enum class Place { BeforeFirst, At, AfterLast };

    QVariant value(int index);
    std::optional<double> number(int index);
    std::optional<QByteArrayView> storedText(int index);
    void setPendingValue(int index, const QVariant& value);

    // The record filters the moves and the seek use; ?1 is a key, ?2 a rowid, ?3 the limit.
    enum class Where { All, RowidAfter, NullKeyAfter, KeyNotNull, KeyIsNull, KeyAfter, KeyEquals };
    static constexpr int kWhereCount = 7;

    QString orderColumn() const;
    sqlite3_stmt* statement(Where where, int direction);
    // Fills `rows` with up to `limit` records after (direction 1) or before (-1) the place.
    void fetch(int direction, int limit, std::vector<Row>& rows);
    void fetchWhere(Where where, const QVariant& key, qint64 rowid, int direction, int limit,
                    std::vector<Row>& rows);
    Row readRow(sqlite3_stmt* stmt) const;
    void step(int direction);
    void moveToEnd(int direction);
    void setCurrent(Row row);
    void noCurrent();
    bool refreshCurrent();
    void requireCurrent();
    bool tableIsEmpty();
    [[noreturn]] void rethrowWrite(const EngineError& error);

    std::shared_ptr<FileConnection> file_;
    TableDef table_;
    RecordsetType type_;
    QString selectList_;
    // Prepared statements of the current order, owned by the file's cache.
    std::array<sqlite3_stmt*, kWhereCount * 2> statements_{};
    QString indexName_;
    int keyField_ = -1;  // field of the current index, -1 for the table's own order

    Place place_ = Place::BeforeFirst;
    Row current_;
    bool hasCurrent_ = false;
    quint64 currentGeneration_ = 0;
    bool bof_ = true, eof_ = true, noMatch_ = false;

    // Records already read beyond the current one in the direction of the last move.
    std::deque<Row> ahead_;
    int aheadDirection_ = 0;
    quint64 aheadGeneration_ = 0;
    int batch_ = 8;

    EditMode mode_ = EditMode::None;
    quint64 operation_ = 0;  // the operation that last wrote to the pending record
    std::vector<QVariant> pending_;
    std::vector<bool> touched_;
    qint64 editRowid_ = 0;
};

// Converts a value to what `field` stores, or throws the engine error for it.
QVariant convertForField(const FieldDef& field, const QVariant& value);
