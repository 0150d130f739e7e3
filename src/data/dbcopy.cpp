#include "dbcopy.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <exception>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "errors.h"
#include "internal/filestateof.h"
#include "internal/sqliteutil.h"
#include "sha256.h"

using namespace Qt::StringLiterals;

namespace dbcopy {

namespace {

// An open SQLite connection, closed when the scope ends. A writer finds the file's journal as
// it is (replaceDatabase must see a write-ahead log before it ends it).
struct Connection {
    sqlite3* db = nullptr;
    Connection(const QString& path, int flags, const QString& subject,
               int busyWait = sqliteutil::kBusyWaitMs)
    {
        if (sqliteutil::openStoreFile(path, flags, &db, busyWait, sqliteutil::Journal::AsFound) !=
            SQLITE_OK) {
            const int rc = sqlite3_extended_errcode(db), err = sqlite3_system_errno(db);
            sqlite3_close_v2(db);
            db = nullptr;
            if (err)
                throw(flags & SQLITE_OPEN_READONLY) ? readError(err, subject)
                                                    : fileSystemError(err, subject);
            sqliteutil::throwError(nullptr, rc, subject);
        }
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

// Big enough to map any store file whole; a larger file is read in part through read().
constexpr qint64 kMapSize = qint64(1) << 30;

// Maps the file a connection has open, when it is on a local disk. On a network or user-space
// file system a read error is routine (a share that drops), and through a mapping it would end
// the program with SIGBUS instead of failing the read; there the pages are read.
void mapWhenLocal(sqlite3* db, const QString& path)
{
    struct statfs fs;
    if (::statfs(QFile::encodeName(path).constData(), &fs) != 0) return;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0x6969:      // NFS
    case 0x517B:      // SMB
    case 0xFF534D42:  // CIFS
    case 0xFE534D42:  // SMB2
    case 0x65735546:  // FUSE
    case 0x01021997:  // 9P
        return;
    default:
        sqliteutil::exec(db, u"PRAGMA mmap_size=%1"_s.arg(kMapSize));
    }
}

// SQLite's quick integrity check: every page, record and b-tree, without matching each index
// entry to its row (the costly part of the full check). Mapped, the pages are read without a
// system call each.
QStringList quickCheck(sqlite3* db, const QString& path)
{
    mapWhenLocal(db, path);
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

constexpr qint64 kChunk = qint64(4) << 20;

// The committed state of each source file last found sound, with the SHA-256 of its bytes once a
// copy has taken it (empty before), by the file's canonical path, for the life of the process:
// terminal pushes and backups of a file nobody has saved into since share one check and one
// digest. Only sound states are kept, one per file.
class SoundStates {
public:
    // The digest of `path` in `state` (empty when not taken yet) when that state was found sound.
    std::optional<QByteArray> digestOf(const QString& path, const QString& state)
    {
        const std::lock_guard lock(mutex_);
        const auto found = states_.find(path);
        if (state.isEmpty() || found == states_.end() || found->second.first != state)
            return std::nullopt;
        return found->second.second;
    }
    void keep(const QString& path, const QString& state, const QByteArray& digest)
    {
        const std::lock_guard lock(mutex_);
        if (!state.isEmpty()) states_[path] = {state, digest};
    }

private:
    std::mutex mutex_;
    std::map<QString, std::pair<QString, QByteArray>> states_;
};

SoundStates& soundStates()
{
    static SoundStates states;
    return states;
}

// The bytes of the file a connection has open, a chunk at a time: straight from SQLite's own
// mapping of the file where it has one (no copy into a buffer), else through its read call.
class SnapshotBytes {
public:
    explicit SnapshotBytes(sqlite3* db) : file_(fileOf(db))
    {
        if (file_->pMethods->xFileSize(file_, &size_) != SQLITE_OK) size_ = -1;
    }
    // -1 when the size cannot be read.
    qint64 size() const { return size_; }
    // Calls use(bytes) with the `length` bytes at `offset` and returns what it returns; false on a
    // read error.
    template <class Use>
    bool with(qint64 offset, qint64 length, Use use)
    {
        const sqlite3_io_methods* io = file_->pMethods;
        void* mapped = nullptr;
        if (io->iVersion >= 3 && io->xFetch &&
            io->xFetch(file_, offset, int(length), &mapped) == SQLITE_OK && mapped) {
            // The chunk's pages are made present in one call rather than faulted in one at a
            // time while the write reads them; where the system cannot, they are faulted in.
            ::madvise(mapped, size_t(length), MADV_POPULATE_READ);
            const bool done = use(static_cast<const char*>(mapped));
            io->xUnfetch(file_, offset, mapped);
            return done;
        }
        buffer_.resize(length);
        return io->xRead(file_, buffer_.data(), int(length), offset) == SQLITE_OK &&
               use(buffer_.constData());
    }

private:
    sqlite3_file* file_;
    sqlite3_int64 size_ = 0;
    QByteArray buffer_;
};

// Copies the bytes of the file `db` has open into the new file `target`, adding them to `digest`
// when given, checks the copy's size and first page against them and flushes it. Returns false
// when the copy differs; throws on a failure.
bool copyThrough(sqlite3* db, const QString& source, const QString& target, Sha256* digest)
{
    SnapshotBytes bytes(db);
    const qint64 size = bytes.size();
    if (size < 0) throw fileSystemError(EIO, source);
    if (const int injected = filereplace::takeFault(filereplace::FaultPoint::Create))
        throw fileSystemError(injected, target);
    const QByteArray name = QFile::encodeName(target);
    const int out = ::open(name.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (out < 0) throw fileSystemError(errno, target);
    // Each failure keeps its errno before the descriptor is closed.
    auto fail = [&](int err, const QString& subject) {
        ::close(out);
        throw fileSystemError(err, subject);
    };
    int writeError = 0;
    for (qint64 offset = 0; offset < size; offset += kChunk) {
        const qint64 length = std::min(kChunk, size - offset);
        if (const int injected = filereplace::takeFault(filereplace::FaultPoint::Write))
            fail(injected, target);
        const bool read = bytes.with(offset, length, [&](const char* data) {
            if (digest) digest->add(data, length);
            for (qint64 done = 0; done < length;) {
                const ssize_t put =
                    ::pwrite(out, data + done, size_t(length - done), offset + done);
                if (put < 0 && errno != EINTR) {
                    writeError = errno;
                    return true;
                }
                if (put > 0) done += put;
            }
            return true;
        });
        if (!read) fail(EIO, source);
        if (writeError) fail(writeError, target);
        // The disk starts on this chunk while the next one is copied; the flush below waits.
        ::sync_file_range(out, offset, length, SYNC_FILE_RANGE_WRITE);
    }
    // Every write above returned all its bytes, so the copy holds them; reading the whole copy
    // back would only read the cache those writes just filled. What is read back is what a file
    // system that cut the copy short or dropped it would show: its size and its first page (the
    // header, with the page count and change counter). Read, not mapped: a read error on a share
    // is an error to report, where a mapping would end the program.
    struct stat written {};
    if (::fstat(out, &written) != 0) fail(errno, target);
    const qint64 head = std::min<qint64>(size, 4096);
    QByteArray back(qsizetype(head), Qt::Uninitialized);
    for (qint64 done = 0; done < head;) {
        const ssize_t got = ::pread(out, back.data() + done, size_t(head - done), done);
        if (got < 0 && errno != EINTR) fail(errno, target);
        if (got == 0) fail(EIO, target);
        if (got > 0) done += got;
    }
    const bool same = qint64(written.st_size) == size && bytes.with(0, head, [&](const char* data) {
        return std::memcmp(back.constData(), data, size_t(head)) == 0;
    });
    if (const int injected = filereplace::takeFault(filereplace::FaultPoint::Sync))
        fail(injected, target);
    if (::fsync(out) != 0) fail(errno, target);
    if (::close(out) != 0) throw fileSystemError(errno, target);
    return same;
}

}  // namespace

bool isDatabaseFile(const QString& path)
{
    // Read through SQLite, which keeps its descriptors (and the locks on them) to itself.
    sqlite3* db = nullptr;
    bool database = false;
    if (sqliteutil::openStoreFile(path, SQLITE_OPEN_READONLY, &db) == SQLITE_OK) {
        sqlite3_file* file = nullptr;
        QByteArray header(16, '\0');
        database =
            sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &file) == SQLITE_OK &&
            file && file->pMethods &&
            file->pMethods->xRead(file, header.data(), 16, 0) == SQLITE_OK &&
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

// The copy's state between its two steps.
struct SnapshotCopy::State {
    QString source, target;
    std::optional<Connection> from;
    std::optional<sqliteutil::Transaction> snapshot;
    QStringList problems;
    std::exception_ptr checkFailed;
    std::atomic<bool> checked{false};
    std::thread checker;
    bool sameCopy = false;
    bool digestWanted = false;
    // The source's committed state under the snapshot's lock; empty when it cannot be told.
    QString sourceState, canonical;
    // The SHA-256 of the copy, in hex.
    QByteArray digest;

    // Ends the check and the read transaction; the copy stays.
    void stop()
    {
        if (checker.joinable()) checker.join();
        snapshot.reset();
        from.reset();
    }
};

SnapshotCopy::SnapshotCopy(const QString& source, const QString& target, Digest digest)
    : d_(std::make_unique<State>())
{
    d_->source = source;
    d_->target = target;
    d_->digestWanted = digest == Digest::Take;
    if (!QFileInfo(source).isFile()) throw EngineError(EngineErrorCode::FileNotFound, source);
    if (QFileInfo::exists(target)) throw EngineError(EngineErrorCode::FileExists, target);
    try {
        d_->from.emplace(source, SQLITE_OPEN_READONLY, source);
        sqlite3* db = d_->from->db;
        // Mapped, the copy is written from SQLite's mapping of the file without a read() each.
        mapWhenLocal(db, source);
        // The read transaction's lock keeps every writer out until the copy is made and
        // checked, so the bytes copied are one committed state, the one counted and checked.
        // Its first read takes the lock, before the checker below starts.
        d_->snapshot.emplace(db);
        sqliteutil::exec(db, u"SELECT count(*) FROM sqlite_master"_s);
        d_->sourceState = filestate::stateOf(db, QFile::encodeName(source));
        // A state already found sound needs neither the check nor the record counts again. The
        // state (change counter, size, time to the nanosecond, inode, read under this lock and
        // only while the name still leads to the file open) changes with every commit and with
        // any write or replacement of the file by other means, so the bytes under the lock are
        // the bytes that were checked. The copy is written from them as read through SQLite's own
        // handle and its size and header are read back, so it holds that sound state, and its
        // record counts are the snapshot's without counting them.
        d_->canonical = QFileInfo(source).canonicalFilePath();
        const auto known = soundStates().digestOf(d_->canonical, d_->sourceState);
        // The digest is taken on the way only when wanted and not known for this state already.
        std::optional<Sha256> taking;
        if (d_->digestWanted && (!known || known->isEmpty())) taking.emplace();
        auto copyBytes = [&] {
            const bool same = copyThrough(db, source, target, taking ? &*taking : nullptr);
            if (taking) d_->digest = taking->hex();
            return same;
        };
        if (known) {
            d_->checked = true;
            d_->digest = *known;
            if (const int injected = filereplace::takeFault(filereplace::FaultPoint::Read))
                throw readError(injected, source);
            d_->sameCopy = copyBytes();
            return;
        }
        // The check, the longest step, reads while the copy is made: a second reader on its own
        // connection, which the lock above keeps on the same state.
        d_->checker = std::thread([state = d_.get()] {
            try {
                const Connection reader(state->source, SQLITE_OPEN_READONLY, state->source);
                state->problems = quickCheck(reader.db, state->source);
            } catch (...) {
                state->checkFailed = std::current_exception();
            }
            state->checked = true;
        });
        const Counts counts = countRecords(db);
        if (const int injected = filereplace::takeFault(filereplace::FaultPoint::Read))
            throw readError(injected, source);
        // The copy reads back with the snapshot's size and header, and read as a database it
        // holds the snapshot's records.
        if (copyBytes()) {
            const Connection copy(target, SQLITE_OPEN_READONLY, target);
            mapWhenLocal(copy.db, target);
            d_->sameCopy = countRecords(copy.db) == counts;
        }
    } catch (...) {
        d_->stop();
        filereplace::discard(target);
        throw;
    }
}

SnapshotCopy::~SnapshotCopy()
{
    if (!d_) return;
    d_->stop();
    filereplace::discard(d_->target);
}

SnapshotCopy::SnapshotCopy(SnapshotCopy&&) noexcept = default;

bool SnapshotCopy::checked() const { return d_->checked; }

QByteArray SnapshotCopy::finish()
{
    const std::unique_ptr<State> state = std::move(d_);
    try {
        state->stop();
        if (state->checkFailed) std::rethrow_exception(state->checkFailed);
        if (!state->problems.isEmpty())
            throw EngineError(EngineErrorCode::NotOurFormat,
                              state->source + u": "_s + state->problems.join(u"; "_s));
        if (!state->sameCopy) throw EngineError(EngineErrorCode::IoError, state->target);
        soundStates().keep(state->canonical, state->sourceState, state->digest);
        return state->digestWanted ? state->digest : QByteArray();
    } catch (...) {
        filereplace::discard(state->target);
        throw;
    }
}

void snapshotInto(const QString& source, const QString& target)
{
    SnapshotCopy(source, target).finish();
}

namespace {

// The files SQLite keeps beside a database while it saves: a rollback journal, or a write-ahead
// log and its index.
const std::array kCompanions = {u"-journal"_s, u"-wal"_s, u"-shm"_s};

void removeCompanions(const QString& database)
{
    for (const QString& suffix : kCompanions) QFile::remove(database + suffix);
}

// How long a push waits for a program saving into the old file before it gives up.
constexpr int kWriterWaitMs = 3000;

// Puts the checked copy `temporary` in place of the database `target`, never beside a journal or
// log of the old file. SQLite takes a journal (or log) it finds beside a database for that
// database's unfinished save and plays it into whatever file has the name by then: a journal
// left by a terminal killed mid-save would write old pages into the new copy. So the old file is
// opened first as a terminal's program would open it: a hot journal is rolled back into the old
// file, which is what SQLite's locking expects of the next opener, and a log is checkpointed
// into it and ended by leaving WAL mode. An exclusive lock then keeps every writer out while the
// new file takes the name, and it finds no companion beside it. A program that had the old file
// open cannot write into it afterwards: SQLite refuses writes to a file whose name has moved
// (SQLITE_READONLY_DBMOVED), so it leaves no journal beside the new file either.
void replaceDatabase(const QString& temporary, const QString& target)
{
    try {
        if (!QFileInfo::exists(target)) {
            // No database, so no save in progress: a companion left alone would become the
            // new file's.
            removeCompanions(target);
            filereplace::putInPlace(temporary, target, filereplace::Mode::Replace);
            return;
        }
        const Connection old(target, SQLITE_OPEN_READWRITE, target, kWriterWaitMs);
        std::optional<sqliteutil::Transaction> exclusive;
        try {
            // The first read rolls a hot journal back, or opens a log: only then is the
            // file's journal mode known.
            sqliteutil::exec(old.db, u"SELECT count(*) FROM sqlite_master"_s);
            bool wal = false;
            {
                sqliteutil::Statement mode(old.db, u"PRAGMA journal_mode"_s);
                wal = mode.step() && mode.columnText(0).compare(u"wal"_s, Qt::CaseInsensitive) == 0;
            }
            if (wal) sqliteutil::exec(old.db, u"PRAGMA journal_mode=DELETE"_s);
            exclusive.emplace(old.db, u"BEGIN EXCLUSIVE"_s);
            // On a file this process may not write, SQLite takes BEGIN EXCLUSIVE for a read: the
            // lock then keeps a writer from committing, not from starting a save (and its
            // journal). So a writer that has started one makes the push refuse here too.
            if (sqlite3_db_readonly(old.db, "main") == 1) {
                sqlite3_file* file = fileOf(old.db);
                int reserved = 0;
                if (file->pMethods->xCheckReservedLock(file, &reserved) != SQLITE_OK || reserved)
                    throw EngineError(EngineErrorCode::FileLocked, target);
            }
        } catch (const EngineError& e) {
            // An old file that is not a database has no save to finish: its companions are
            // nobody's.
            if (e.code() != EngineErrorCode::NotOurFormat) throw;
        }
        // What is left beside the file now holds nothing of a save: the lock keeps writers out
        // and any unfinished save has been rolled back.
        removeCompanions(target);
        filereplace::putInPlace(temporary, target, filereplace::Mode::Replace);
    } catch (const EngineError& e) {
        filereplace::discard(temporary);
        if (e.code() == EngineErrorCode::FileLocked)
            throw EngineError(EngineErrorCode::FileLocked, target);
        throw;
    }
}

}  // namespace

void copyDatabase(const QString& source, const QString& target, filereplace::Mode mode)
{
    const QString folder = QFileInfo(target).absolutePath();
    if (!QFileInfo(folder).isDir())
        throw EngineError(EngineErrorCode::PathNotValid, folder, ENOENT);
    if (mode == filereplace::Mode::NeverReplace && QFileInfo::exists(target))
        throw EngineError(EngineErrorCode::FileExists, target);
    const QString temporary = filereplace::temporaryFor(target);
    snapshotInto(source, temporary);
    if (mode == filereplace::Mode::Replace) replaceDatabase(temporary, target);
    else filereplace::putInPlace(temporary, target, mode);
}

}  // namespace dbcopy
