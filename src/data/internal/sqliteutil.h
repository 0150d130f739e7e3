#pragma once
// Small RAII helpers over the SQLite C API, used inside the data library only.

#include <sqlite3.h>

#include <QString>
#include <QVariant>

#include "data/connectionsettings.h"
#include "data/errors.h"

namespace sqliteutil {

// Registers the collation that the store's text columns use: letters compare without regard
// to case, Spanish letters included (Ñ/ñ, Á/á, Ü/ü); accents still count.
void registerCollation(sqlite3* db);

// How long a connection waits for another connection's save to end before it reports the file
// locked.
constexpr int kBusyWaitMs = 5000;

// What a connection that writes a store file does with the file's journal.
enum class Journal {
    Store,    // the store's rollback journal and durability (writerSettingsSql)
    AsFound,  // left as the file has it, for code that must first see what it is
};

// Opens the store file at the native `path` the one way the program does: sqlite3_open_v2 with
// `flags`, then extended result codes, the busy wait and the collation of the text columns
// (without which the store's indexes cannot be read); a connection that may write also gets the
// store's journal settings unless `journal` says otherwise. A read-only connection writes no
// journal, so it is spared the read those settings cost. Returns sqlite3_open_v2's result: on
// failure *db is still to be closed with sqlite3_close_v2 and tells why. The journal settings
// throw as exec does.
int openStoreFile(const QString& path, int flags, sqlite3** db, int busyWaitMs = kBusyWaitMs,
                  Journal journal = Journal::Store);

// The journal and durability settings of a connection that writes a store file, for the
// database `schema` of the connection ("main", or the quoted alias of an attached file).
QString writerSettingsSql(const QString& schema = QStringLiteral("main"));

// Throws the engine error that matches a failed SQLite call; `subject` names the file,
// table or index in the message.
[[noreturn]] void throwError(sqlite3* db, int rc, const QString& subject);

// A prepared statement that is reset when the scope that stepped it ends. Owned statements
// are finalized; borrowed ones (from a connection's cache) are only reset.
class Statement {
public:
    Statement(sqlite3* db, const QString& sql);      // prepares and owns
    Statement(sqlite3* db, sqlite3_stmt* borrowed);  // resets on destruction
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void bind(int index, const QVariant& value);
    // Binds ?1, ?2... to `values` in order.
    void bindAll(const QVariantList& values);
    void bindText(int index, const QString& text);
    void bindInt64(int index, qint64 value);
    void bindDouble(int index, double value);
    // Steps once; true while a row is available. Errors throw.
    bool step();
    sqlite3_stmt* get() const { return stmt_; }
    QVariant column(int index) const;
    // Every column of the current row.
    QVariantList row() const;
    QString columnText(int index) const;

private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
    bool owned_;
    QString subject_;
};

// Runs statements that return no rows.
void exec(sqlite3* db, const QString& sql);

// A transaction that is rolled back when its scope ends without commit(), however it ends.
class Transaction {
public:
    // `begin` is "BEGIN", "BEGIN IMMEDIATE"...
    explicit Transaction(sqlite3* db, const QString& begin = QStringLiteral("BEGIN"));
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    sqlite3* db_;
    bool open_ = true;
};

}  // namespace sqliteutil
