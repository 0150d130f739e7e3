#include "readonlyfile.h"

#include <sqlite3.h>

#include <QFileInfo>

#include "errors.h"
#include "internal/meta.h"
#include "internal/sqliteutil.h"
#include "passwords.h"
#include "paths.h"

ReadOnlyFile::ReadOnlyFile(const QString& path, const QString& password)
{
    const QString native = paths::toNative(path);
    const QFileInfo info(native);
    if (!info.exists()) throw EngineError(EngineErrorCode::FileNotFound, path);
    if (info.isDir()) throw EngineError(EngineErrorCode::CannotOpenFile, path);
    if (sqliteutil::openStoreFile(native, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, &db_) !=
        SQLITE_OK) {
        sqlite3_close_v2(db_);
        throw EngineError(EngineErrorCode::CannotOpenFile, path);
    }
    try {
        meta::Values values;
        try {
            values = meta::read(db_);
        } catch (const EngineError&) {
            values.valid = false;
        }
        if (!values.valid) throw EngineError(EngineErrorCode::NotOurFormat, path);
        if (!values.passwordHash.isEmpty() &&
            !passwords::verifyFilePassword(password, values.passwordHash))
            throw EngineError(EngineErrorCode::InvalidPassword);
    } catch (...) {
        sqlite3_close_v2(db_);
        throw;
    }
}

ReadOnlyFile::~ReadOnlyFile() { sqlite3_close_v2(db_); }

void ReadOnlyFile::select(const QString& sql, const QVariantList& params,
                          const std::function<bool(const QVariantList&)>& visit)
{
    sqliteutil::Statement stmt(db_, sql);
    stmt.bindAll(params);
    while (stmt.step())
        if (!visit(stmt.row())) return;
}
