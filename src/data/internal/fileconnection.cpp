#include "fileconnection.h"

#include <QFileInfo>
#include <map>
#include <mutex>

#include "data/errors.h"
#include "data/passwords.h"
#include "data/paths.h"
#include "meta.h"
#include "sqliteutil.h"

using namespace Qt::StringLiterals;

using sqliteutil::Statement;

namespace {

// Open files by canonical path; a connection lives while some opener holds it. A file may be
// opened on another thread (the login opens its users file while its window is built), so
// the table is used under registryMutex.
std::map<QString, std::weak_ptr<FileConnection>>& registry()
{
    static std::map<QString, std::weak_ptr<FileConnection>> files;
    return files;
}

std::mutex registryMutex;

}  // namespace

std::shared_ptr<FileConnection> FileConnection::open(const QString& windowsPath)
{
    const QString native = paths::toNative(windowsPath);
    const QFileInfo info(native);
    if (!info.exists()) throw EngineError(EngineErrorCode::FileNotFound, windowsPath);
    if (info.isDir()) throw EngineError(EngineErrorCode::CannotOpenFile, windowsPath);
    const QString key = info.canonicalFilePath();
    {
        const std::lock_guard lock(registryMutex);
        if (auto existing = registry()[key].lock()) return existing;
    }

    std::shared_ptr<FileConnection> file(new FileConnection);
    file->displayName_ = windowsPath;
    try {
        if (sqliteutil::openStoreFile(native, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                                      &file->db_) != SQLITE_OK)
            throw EngineError(EngineErrorCode::CannotOpenFile, windowsPath);
        file->load();
        sqlite3_file_control(file->db_, "main", SQLITE_FCNTL_FILE_POINTER, &file->osFile_);
        file->lookForOtherWriters();
    } catch (const EngineError& e) {
        // Anything that is not one of our files reads as an unknown format.
        if (e.code() == EngineErrorCode::Internal || e.code() == EngineErrorCode::TableNotFound)
            throw EngineError(EngineErrorCode::NotOurFormat, windowsPath);
        if (e.code() == EngineErrorCode::NotOurFormat)
            throw EngineError(EngineErrorCode::NotOurFormat, windowsPath);
        throw;
    }
    const std::lock_guard lock(registryMutex);
    // Opened meanwhile on another thread: that connection is kept, this one closes.
    if (auto existing = registry()[key].lock()) return existing;
    registry()[key] = file;
    return file;
}

FileConnection::~FileConnection()
{
    for (auto& [sql, stmt] : statements_) sqlite3_finalize(stmt);
    sqlite3_close_v2(db_);
    const std::lock_guard lock(registryMutex);
    for (auto it = registry().begin(); it != registry().end();)
        it = it->second.expired() ? registry().erase(it) : std::next(it);
}

void FileConnection::lookForOtherWriters()
{
    // Looks closer together than a millisecond belong to one walk: a commit landing between
    // them is seen a moment later, as if it had landed just after the move, which no one could
    // tell apart. A walk would otherwise spend a third of its time here.
    if (sinceLook_.isValid() && sinceLook_.nsecsElapsed() < 1'000'000) return;
    sinceLook_.start();
    // Bytes 24-27 of the header count the file's commits, whoever made them: one pread, ten
    // times cheaper than a PRAGMA data_version. A counter seen while another process is still
    // committing is harmless: the read that follows waits for the commit.
    unsigned char bytes[4] = {};
    if (!osFile_ || osFile_->pMethods->xRead(osFile_, bytes, 4, 24) != SQLITE_OK) return;
    const quint32 counter =
        quint32(bytes[0]) << 24 | quint32(bytes[1]) << 16 | quint32(bytes[2]) << 8 | bytes[3];
    if (counter != changeCounter_) {
        changeCounter_ = counter;
        ++generation_;
    }
}

void FileConnection::load()
{
    const meta::Values values = meta::read(db_);
    if (!values.valid) throw EngineError(EngineErrorCode::NotOurFormat, displayName_);
    // A newer release may have changed the layout in ways this one would damage.
    if (values.schemaVersion > meta::kSchemaVersion)
        throw EngineError(EngineErrorCode::NewerVersion, displayName_);
    passwordHash_ = values.passwordHash;
    schemaVersion_ = values.schemaVersion;

    Statement tables(db_,
                     QStringLiteral("SELECT name, sql FROM sqlite_master WHERE type='table' "
                                    "AND name NOT LIKE 'sqlite_%' AND name <> '%1' ORDER BY rowid")
                         .arg(meta::kTable));
    while (tables.step()) {
        TableDef table;
        table.name = tables.columnText(0);
        const bool autoIncrement =
            tables.columnText(1).contains(u"AUTOINCREMENT"_s, Qt::CaseInsensitive);
        Statement columns(db_, QStringLiteral("SELECT name, type, pk FROM pragma_table_info(?1)"));
        columns.bindText(1, table.name);
        while (columns.step()) {
            FieldDef field;
            field.name = columns.columnText(0);
            const bool key = sqlite3_column_int(columns.get(), 2) == 1;
            if (!parseDeclaredType(columns.columnText(1), key && autoIncrement, field))
                throw EngineError(EngineErrorCode::NotOurFormat, displayName_);
            table.fields.push_back(field);
        }
        Statement indexes(
            db_,
            QStringLiteral("SELECT l.name, l.\"unique\", i.name FROM pragma_index_list(?1) l, "
                           "pragma_index_info(l.name) i WHERE l.origin = 'c' ORDER BY l.seq DESC"));
        indexes.bindText(1, table.name);
        while (indexes.step())
            table.indexes.push_back({indexes.columnText(0), indexes.columnText(2),
                                     sqlite3_column_int(indexes.get(), 1) != 0});
        tables_.push_back(std::move(table));
    }
}

sqlite3_stmt* FileConnection::cached(const QString& sql)
{
    std::string key = sql.toStdString();
    if (auto it = statements_.find(key); it != statements_.end()) return it->second;
    sqlite3_stmt* stmt = nullptr;
    const int rc = sqlite3_prepare_v3(db_, key.c_str(), int(key.size()), SQLITE_PREPARE_PERSISTENT,
                                      &stmt, nullptr);
    if (rc != SQLITE_OK) sqliteutil::throwError(db_, sqlite3_extended_errcode(db_), displayName_);
    statements_.emplace(std::move(key), stmt);
    return stmt;
}

const TableDef* FileConnection::table(QStringView name) const
{
    for (const TableDef& t : tables_)
        if (t.name.compare(name, Qt::CaseInsensitive) == 0) return &t;
    return nullptr;
}

bool FileConnection::checkPassword(const QString& password)
{
    if (passwordHash_.isEmpty() || (!verifiedPassword_.isNull() && password == verifiedPassword_))
        return true;
    if (!passwords::verifyFilePassword(password, passwordHash_)) return false;
    verifiedPassword_ = password;
    return true;
}
