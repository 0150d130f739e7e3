#pragma once
// A store file read on a connection of its own, read-only, for a reader that does not share
// the program's open files and recordsets (the report runtime). Nothing is held between reads:
// writers are never kept waiting, and each read sees what was committed when it ran.

#include <QString>
#include <QVariant>
#include <functional>

struct sqlite3;

class ReadOnlyFile {
public:
    // Opens the file at `path` (a Windows path of the system) with `password`, one of the
    // program's own file passwords (see passwords::verifyFilePassword). Throws
    // EngineError: FileNotFound, CannotOpenFile, NotOurFormat, InvalidPassword.
    ReadOnlyFile(const QString& path, const QString& password);
    ~ReadOnlyFile();
    Q_DISABLE_COPY_MOVE(ReadOnlyFile)

    // Runs one query with ?1, ?2... bound to `params`; `visit` gets each row in turn (values
    // as Database::Select returns them) and returns false to stop. Throws EngineError.
    void select(const QString& sql, const QVariantList& params,
                const std::function<bool(const QVariantList&)>& visit);

private:
    sqlite3* db_ = nullptr;
};
