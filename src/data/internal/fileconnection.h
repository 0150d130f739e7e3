#pragma once
// One open database file, shared by every Database and Recordset of the process that uses it.
// Internal to the data library.

#include <sqlite3.h>

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "data/schema.h"

class FileConnection {
public:
    // The connection to the file at `windowsPath`, shared with earlier openers that still hold
    // it. Throws FileNotFound, CannotOpenFile or NotOurFormat.
    static std::shared_ptr<FileConnection> open(const QString& windowsPath);

    ~FileConnection();
    FileConnection(const FileConnection&) = delete;
    FileConnection& operator=(const FileConnection&) = delete;

    sqlite3* db() const { return db_; }

    // A prepared statement kept for reuse; the caller resets it (sqliteutil::Statement).
    sqlite3_stmt* cached(const QString& sql);

    // Bumped at every write through the engine and at every look that finds a commit made by
    // another process (the admin tool, a restore), so recordsets know when rows they hold may
    // be stale.
    quint64 generation() const { return generation_; }
    void bumpGeneration() { ++generation_; }
    // Looks whether another process has committed since the last look (one small read of the
    // file's header); the moves and seeks call it before they use rows already read.
    void lookForOtherWriters();

    const TableDef* table(QStringView name) const;

    // Checks one of the program's file passwords against the file's; a file made without a
    // password accepts any. The password last verified is remembered, so reopening the file
    // does not hash it again (nor, across runs, passwords::verifyFilePassword).
    bool checkPassword(const QString& password);
    int schemaVersion() const { return schemaVersion_; }

private:
    FileConnection() = default;
    void load();

    sqlite3* db_ = nullptr;
    QString displayName_;  // the file name as the opener spelled it, for messages
    QString passwordHash_;
    QString verifiedPassword_;  // null until a password has been verified
    int schemaVersion_ = 0;
    quint64 generation_ = 0;
    sqlite3_file* osFile_ = nullptr;
    quint32 changeCounter_ = 0;
    QElapsedTimer sinceLook_;
    std::vector<TableDef> tables_;
    std::unordered_map<std::string, sqlite3_stmt*> statements_;
};
