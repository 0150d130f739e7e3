#include "dbcopy.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <thread>
#include <utility>
#include <vector>

#include "errors.h"
#include "internal/sqliteutil.h"

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

// The database file a connection has open, read through the connection's own handle. A second
// descriptor of the file would not do: closing it drops every lock this process holds on the
// file, those of the program's other connections included.
sqlite3_file* fileOf(sqlite3* db)
{
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file ||
        !file->pMethods)
        throw EngineError(EngineErrorCode::Internal, u"file pointer"_s);
    return file;
}

constexpr qint64 kChunk = qint64(1) << 20;

// Reads `size` bytes at `offset` of the connection's file; false on a read error.
bool readAt(sqlite3_file* file, QByteArray& buffer, qint64 size, qint64 offset)
{
    buffer.resize(size);
    return file->pMethods->xRead(file, buffer.data(), int(size), offset) == SQLITE_OK;
}

// Copies the bytes of the file `db` has open into the new file `target`, flushed.
void copyThrough(sqlite3* db, const QString& source, const QString& target)
{
    sqlite3_file* file = fileOf(db);
    sqlite3_int64 size = 0;
    if (file->pMethods->xFileSize(file, &size) != SQLITE_OK) throw fileSystemError(EIO, source);
    if (const int injected = filereplace::takeFault(filereplace::FaultPoint::Create))
        throw fileSystemError(injected, target);
    const QByteArray name = QFile::encodeName(target);
    const int out = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (out < 0) throw fileSystemError(errno, target);
    // Each failure keeps its errno before the descriptor is closed.
    auto fail = [&](int err, const QString& subject) {
        ::close(out);
        throw fileSystemError(err, subject);
    };
    QByteArray buffer;
    for (qint64 offset = 0; offset < size; offset += kChunk) {
        const qint64 length = std::min(kChunk, size - offset);
        if (!readAt(file, buffer, length, offset)) fail(EIO, source);
        if (const int injected = filereplace::takeFault(filereplace::FaultPoint::Write)) fail(injected, target);
        for (qint64 done = 0; done < length;) {
            const ssize_t put = ::pwrite(out, buffer.constData() + done, size_t(length - done), offset + done);
            if (put < 0 && errno != EINTR) fail(errno, target);
            if (put > 0) done += put;
        }
    }
    if (const int injected = filereplace::takeFault(filereplace::FaultPoint::Sync)) fail(injected, target);
    if (::fsync(out) != 0) fail(errno, target);
    if (::close(out) != 0) throw fileSystemError(errno, target);
}

// True when `target` holds the same bytes as the file `db` has open.
bool sameContents(sqlite3* db, const QString& target)
{
    sqlite3_file* file = fileOf(db);
    sqlite3_int64 size = 0;
    QFile copy(target);
    if (file->pMethods->xFileSize(file, &size) != SQLITE_OK || !copy.open(QIODevice::ReadOnly) ||
        copy.size() != size)
        return false;
    QByteArray buffer;
    for (qint64 offset = 0; offset < size; offset += kChunk) {
        const qint64 length = std::min(kChunk, size - offset);
        if (!readAt(file, buffer, length, offset) || copy.read(length) != buffer) return false;
    }
    return true;
}

}  // namespace

bool isDatabaseFile(const QString& path)
{
    // Read through SQLite, which keeps its descriptors (and the locks on them) to itself.
    sqlite3* db = nullptr;
    bool database = false;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_file* file = nullptr;
        QByteArray header(16, '\0');
        database = sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &file) == SQLITE_OK && file &&
                   file->pMethods && file->pMethods->xRead(file, header.data(), 16, 0) == SQLITE_OK &&
                   header == QByteArrayView("SQLite format 3\0", 16);
    }
    sqlite3_close_v2(db);
    return database;
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
                if (const int injected = filereplace::takeFault(filereplace::FaultPoint::Read))
                    throw fileSystemError(injected, source);
                copyThrough(from.db, source, target);
                // The copy is the snapshot, byte for byte.
                copied = sameContents(from.db, target);
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
