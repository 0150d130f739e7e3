#include "dbcopy.h"

#include <sqlite3.h>

#include <QFile>
#include <QFileInfo>
#include <cerrno>
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
    if (const int injected = filereplace::takeFault(filereplace::FaultPoint::Read))
        throw fileSystemError(injected, source);
    if (QFileInfo::exists(target)) throw EngineError(EngineErrorCode::FileExists, target);
    if (const int injected = filereplace::takeFault(filereplace::FaultPoint::Create))
        throw fileSystemError(injected, target);
    try {
        const Connection from(source, SQLITE_OPEN_READONLY, source);
        // One read transaction holds the snapshot: the copy and the counts see the same state.
        sqliteutil::Transaction snapshot(from.db);
        const Counts counts = countRecords(from.db);

        const Connection to(target, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, target);
        // Nothing reads the new file before it is checked and flushed below, so it is written
        // without a journal or syncs of its own.
        sqliteutil::exec(to.db, u"PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF"_s);
        if (const int injected = filereplace::takeFault(filereplace::FaultPoint::Write);
            injected == ENOSPC)
            sqliteutil::exec(to.db, u"PRAGMA max_page_count=1"_s);
        sqlite3_backup* backup = sqlite3_backup_init(to.db, "main", from.db, "main");
        if (!backup) sqliteutil::throwError(to.db, sqlite3_extended_errcode(to.db), target);
        const int stepped = sqlite3_backup_step(backup, -1);
        sqlite3_backup_finish(backup);
        if (stepped != SQLITE_DONE) {
            // The system's own reason when a system call failed (a full disk, a read-only
            // share), else SQLite's.
            if (const int err = sqlite3_system_errno(to.db)) throw fileSystemError(err, target);
            if (const int err = sqlite3_system_errno(from.db)) throw fileSystemError(err, source);
            const int rc = sqlite3_extended_errcode(to.db);
            sqliteutil::throwError(to.db, rc != SQLITE_OK ? rc : stepped, target);
        }
        snapshot.commit();

        const QStringList problems = integrityProblems(to.db);
        if (!problems.isEmpty())
            throw EngineError(EngineErrorCode::NotOurFormat, target + u": "_s + problems.join(u"; "_s));
        if (countRecords(to.db) != counts)
            throw EngineError(EngineErrorCode::IoError, target);
    } catch (...) {
        filereplace::discard(target);
        throw;
    }
    try {
        filereplace::syncFile(target);
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
