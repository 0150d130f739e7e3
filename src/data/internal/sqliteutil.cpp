#include "sqliteutil.h"

#include <QChar>
#include <QFile>
#include <QFileInfo>

namespace sqliteutil {

namespace {

// Decodes one UTF-8 code point; malformed bytes stand for themselves.
char32_t nextCodePoint(const unsigned char*& p, const unsigned char* end)
{
    const unsigned char c = *p++;
    if (c < 0x80) return c;
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    char32_t cp = c & (0x3F >> extra);
    for (; extra > 0 && p < end && (*p & 0xC0) == 0x80; --extra) cp = (cp << 6) | (*p++ & 0x3F);
    return cp;
}

char32_t fold(char32_t cp)
{
    if (cp < 0x80) return (cp >= 'A' && cp <= 'Z') ? cp + 32 : cp;
    return QChar::toCaseFolded(cp);
}

int compareNoCase(void*, int lenA, const void* a, int lenB, const void* b)
{
    auto pa = static_cast<const unsigned char*>(a), pb = static_cast<const unsigned char*>(b);
    const auto endA = pa + lenA, endB = pb + lenB;
    while (pa < endA && pb < endB) {
        char32_t ca, cb;
        if (*pa < 0x80 && *pb < 0x80) {
            ca = fold(*pa++);
            cb = fold(*pb++);
        } else {
            ca = fold(nextCodePoint(pa, endA));
            cb = fold(nextCodePoint(pb, endB));
        }
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return (pa < endA) - (pb < endB);
}

}  // namespace

void registerCollation(sqlite3* db)
{
    sqlite3_create_collation(db, "ES_NOCASE", SQLITE_UTF8, nullptr, compareNoCase);
}

QString writerSettingsSql(const QString& schema)
{
    // The file must stay one file that can be copied whole to the terminals, so the journal is
    // the rollback journal, deleted at each commit, not a write-ahead log beside the file.
    // synchronous=FULL syncs the journal before the file is changed and the file before the
    // commit; EXTRA also flushes the folder after the journal is deleted, without which a power
    // cut can bring the journal back and roll an acknowledged commit away.
    return QStringLiteral("PRAGMA %1.journal_mode=DELETE; PRAGMA %1.synchronous=EXTRA;")
        .arg(schema);
}

void configureConnection(sqlite3* db)
{
    registerCollation(db);
    sqlite3_busy_timeout(db, kBusyWaitMs);
    sqlite3_extended_result_codes(db, 1);
    exec(db, writerSettingsSql());
}

int openStoreFile(const QString& path, int flags, sqlite3** db, int busyWaitMs, Journal journal)
{
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), db, flags, nullptr);
    if (rc != SQLITE_OK) return rc;
    registerCollation(*db);
    sqlite3_busy_timeout(*db, busyWaitMs);
    sqlite3_extended_result_codes(*db, 1);
    if (!(flags & SQLITE_OPEN_READONLY) && journal == Journal::Store)
        exec(*db, writerSettingsSql());
    return rc;
}

[[noreturn]] void throwError(sqlite3* db, int rc, const QString& subject)
{
    const QString message = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    // A read-only connection cannot roll back the journal of a save that was cut short.
    if (rc == SQLITE_READONLY_ROLLBACK) throw EngineError(EngineErrorCode::UnfinishedSave, subject);
    switch (rc & 0xFF) {
    case SQLITE_FULL:
        throw EngineError(EngineErrorCode::DiskFull);
    case SQLITE_READONLY:
        throw EngineError(EngineErrorCode::ReadOnlyFile, subject);
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        throw EngineError(EngineErrorCode::FileLocked, subject);
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        throw EngineError(EngineErrorCode::NotOurFormat, subject);
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        throw EngineError(EngineErrorCode::CannotOpenFile, subject);
    case SQLITE_IOERR:
        if (rc == SQLITE_IOERR_NOMEM) break;
        throw EngineError(EngineErrorCode::IoError, subject);
    case SQLITE_CONSTRAINT:
        throw EngineError(EngineErrorCode::DuplicateKey, subject);
    default:
        break;
    }
    throw EngineError(EngineErrorCode::Internal, message);
}

Statement::Statement(sqlite3* db, const QString& sql) : db_(db), owned_(true)
{
    const QByteArray utf8 = sql.toUtf8();
    const int rc = sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &stmt_, nullptr);
    if (rc != SQLITE_OK) throwError(db, rc, QString::fromUtf8(sqlite3_db_filename(db, "main")));
}

Statement::Statement(sqlite3* db, sqlite3_stmt* borrowed) : db_(db), stmt_(borrowed), owned_(false)
{
}

Statement::~Statement()
{
    if (owned_) {
        sqlite3_finalize(stmt_);
    } else {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }
}

void Statement::bind(int index, const QVariant& value)
{
    if (value.isNull()) {
        sqlite3_bind_null(stmt_, index);
        return;
    }
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Short:
        sqlite3_bind_int64(stmt_, index, value.toLongLong());
        break;
    case QMetaType::Double:
        sqlite3_bind_double(stmt_, index, value.toDouble());
        break;
    default:
        bindText(index, value.toString());
        break;
    }
}

void Statement::bindAll(const QVariantList& values)
{
    for (qsizetype i = 0; i < values.size(); ++i) bind(int(i) + 1, values[i]);
}

void Statement::bindText(int index, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(stmt_, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

void Statement::bindInt64(int index, qint64 value) { sqlite3_bind_int64(stmt_, index, value); }

void Statement::bindDouble(int index, double value) { sqlite3_bind_double(stmt_, index, value); }

bool Statement::step()
{
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    const int code = sqlite3_extended_errcode(db_);
    sqlite3_reset(stmt_);
    throwError(db_, code,
               QFileInfo(QString::fromUtf8(sqlite3_db_filename(db_, "main"))).fileName());
}

QVariant Statement::column(int index) const
{
    switch (sqlite3_column_type(stmt_, index)) {
    case SQLITE_NULL:
        return QVariant();
    case SQLITE_INTEGER:
        return QVariant(qint64(sqlite3_column_int64(stmt_, index)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(stmt_, index));
    default:
        return QVariant(columnText(index));
    }
}

QVariantList Statement::row() const
{
    const int columns = sqlite3_column_count(stmt_);
    QVariantList values;
    values.reserve(columns);
    for (int c = 0; c < columns; ++c) {
        // Each sqlite3_column_* call checks the statement and its row again; the value read once
        // is taken apart directly, which made the lookups' empty search a tenth faster. The value
        // is unprotected, which matters only to a connection used by two threads at once: the
        // store's connections are opened without a mutex and used by one thread each.
        sqlite3_value* value = sqlite3_column_value(stmt_, c);
        switch (sqlite3_value_type(value)) {
        case SQLITE_NULL:
            values.emplace_back();
            break;
        case SQLITE_INTEGER:
            values.emplace_back(qint64(sqlite3_value_int64(value)));
            break;
        case SQLITE_FLOAT:
            values.emplace_back(sqlite3_value_double(value));
            break;
        default: {
            const auto text = reinterpret_cast<const char*>(sqlite3_value_text(value));
            values.emplace_back(QString::fromUtf8(text, sqlite3_value_bytes(value)));
        }
        }
    }
    return values;
}

QString Statement::columnText(int index) const
{
    const auto text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, index));
    return QString::fromUtf8(text, sqlite3_column_bytes(stmt_, index));
}

void exec(sqlite3* db, const QString& sql)
{
    char* error = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error);
    sqlite3_free(error);
    if (rc != SQLITE_OK)
        throwError(db, sqlite3_extended_errcode(db),
                   QFileInfo(QString::fromUtf8(sqlite3_db_filename(db, "main"))).fileName());
}

Transaction::Transaction(sqlite3* db, const QString& begin) : db_(db) { exec(db, begin); }

Transaction::~Transaction()
{
    if (open_ && !sqlite3_get_autocommit(db_))
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::commit()
{
    exec(db_, QStringLiteral("COMMIT"));
    open_ = false;
}

}  // namespace sqliteutil
