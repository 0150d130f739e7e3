#include "dbcopy.h"

#include <sqlite3.h>

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <exception>
#include <thread>
#include <utility>
#include <vector>

#include "errors.h"
#include "sqliteutil.h"

using namespace Qt::StringLiterals;

namespace dbcopy {

namespace {

// An open SQLite connection, closed when the scope ends.
struct Connection {
    sqlite3* db = nullptr;
    Connection(const QString& path, int flags, const QString& subject)
    {
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr) != SQLITE_OK) {
            const int rc = sqlite3_extended_errcode(db), err = sqlite3_system_errno(db);
            sqlite3_close_v2(db);
            db = nullptr;
            if (err) throw fileSystemError(err, subject);
            sqliteutil::throwError(nullptr, rc, subject);
        }
        sqlite3_extended_result_codes(db, 1);
        sqlite3_busy_timeout(db, 5000);
        // The indexes of text fields use it; an integrity check compares with it.
        sqliteutil::registerCollation(db);
    }
    ~Connection() { sqlite3_close_v2(db); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
};

using Counts = std::vector<std::pair<QString, qint64>>;

Counts countRecords(sqlite3* db)
{
    QStringList tables;
    {
        sqliteutil::Statement list(
            db, u"SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"_s);
        while (list.step()) tables << list.columnText(0);
    }
    Counts counts;
    for (const QString& table : tables) {
        QString quoted = table;
        quoted.replace(u'"', u"\"\""_s);
        sqliteutil::Statement count(db, u"SELECT count(*) FROM \""_s + quoted + u'"');
        count.step();
        counts.emplace_back(table, sqlite3_column_int64(count.get(), 0));
    }
    return counts;
}

QStringList integrityProblems(sqlite3* db)
{
    QStringList lines;
    sqliteutil::Statement check(db, u"PRAGMA integrity_check"_s);
    while (check.step()) lines << check.columnText(0);
    if (lines == QStringList{u"ok"_s}) lines.clear();
    return lines;
}

// SQLite's quick integrity check: every page, record and b-tree, without matching each index
// entry to its row (the costly part of the full check). Mapped, the pages are read without a
// system call each.
QStringList quickCheck(sqlite3* db)
{
    sqliteutil::exec(db, u"PRAGMA mmap_size=1073741824"_s);
    QStringList lines;
    sqliteutil::Statement check(db, u"PRAGMA quick_check"_s);
    while (check.step()) lines << check.columnText(0);
    if (lines == QStringList{u"ok"_s}) lines.clear();
    return lines;
}

bool sameContents(const QString& a, const QString& b)
{
    QFile first(a), second(b);
    if (!first.open(QIODevice::ReadOnly) || !second.open(QIODevice::ReadOnly)) return false;
    if (first.size() != second.size()) return false;
    if (first.size() == 0) return true;
    const uchar* x = first.map(0, first.size());
    const uchar* y = second.map(0, second.size());
    return x && y && std::memcmp(x, y, size_t(first.size())) == 0;
}

}  // namespace

bool isDatabaseFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    return file.read(16) == QByteArrayView("SQLite format 3\0", 16);
}

QStringList check(const QString& path)
{
    if (!QFileInfo::exists(path)) throw EngineError(EngineErrorCode::FileNotFound, path);
    const Connection db(path, SQLITE_OPEN_READONLY, path);
    try {
        return integrityProblems(db.db);
    } catch (const EngineError& e) {
        // Damage bad enough to stop the check is itself the finding.
        if (e.code() != EngineErrorCode::NotOurFormat) throw;
        return {e.text()};
    }
}

void snapshotInto(const QString& source, const QString& target)
{
    if (!QFileInfo(source).isFile()) throw EngineError(EngineErrorCode::FileNotFound, source);
    if (QFileInfo::exists(target)) throw EngineError(EngineErrorCode::FileExists, target);
    try {
        Counts counts;
        QStringList problems;
        {
            const Connection from(source, SQLITE_OPEN_READONLY, source);
            // The read transaction's lock keeps every writer out until the copy is made and
            // compared, so the bytes copied are one committed state, the one counted and checked.
            sqliteutil::Transaction snapshot(from.db);
            counts = countRecords(from.db);
            // The check reads while the kernel copies: a second reader on its own connection,
            // which the lock above keeps on the same state.
            std::exception_ptr checkFailed;
            std::thread checker([&] {
                try {
                    const Connection reader(source, SQLITE_OPEN_READONLY, source);
                    problems = quickCheck(reader.db);
                } catch (...) {
                    checkFailed = std::current_exception();
                }
            });
            bool copied = false;
            try {
                filereplace::copyContents(source, target);
                // The copy is the snapshot, byte for byte.
                copied = sameContents(source, target);
            } catch (...) {
                checker.join();
                throw;
            }
            checker.join();
            if (checkFailed) std::rethrow_exception(checkFailed);
            if (!problems.isEmpty())
                throw EngineError(EngineErrorCode::NotOurFormat, source + u": "_s + problems.join(u"; "_s));
            if (!copied) throw EngineError(EngineErrorCode::IoError, target);
            snapshot.commit();
        }
        const Connection copy(target, SQLITE_OPEN_READONLY, target);
        if (countRecords(copy.db) != counts) throw EngineError(EngineErrorCode::IoError, target);
    } catch (...) {
        filereplace::discard(target);
        throw;
    }
}

void copyDatabase(const QString& source, const QString& target, filereplace::Mode mode)
{
    const QString folder = QFileInfo(target).absolutePath();
    if (!QFileInfo(folder).isDir()) throw EngineError(EngineErrorCode::PathNotValid, folder, ENOENT);
    if (mode == filereplace::Mode::NeverReplace && QFileInfo::exists(target))
        throw EngineError(EngineErrorCode::FileExists, target);
    const QString temporary = filereplace::temporaryFor(target);
    snapshotInto(source, temporary);
    filereplace::putInPlace(temporary, target, mode);
}

}  // namespace dbcopy
