#pragma once
// The ten database files of the store: folder, file names, passwords, tables and indexes.

#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "schema.h"

class Database;

namespace catalogue {

struct FileDef {
    QString fileName;  // "Articulos.mdb"
    QString password;
    TableDef table;  // the table the forms bind
    std::vector<TableDef> moreTables = {};
};

// All ten files, in the order of the system's file list.
const std::vector<FileDef>& files();
// The history of bulk price changes, "Precios.mdb": beside the ten, in the backup, but never
// sent to the terminals, which have no use for it. Created on first use.
const FileDef& priceHistory();
// The file of that name (one of the ten or the price history), found without regard to case;
// nullptr when it is not one of ours.
const FileDef* find(QStringView fileName);

// Opens the file `fileName` ("Articulos.mdb", any case) of the database folder with its own
// password. The file stays open while someone holds the returned handle. Throws EngineError:
// FileNotFound when the name is not one of ours or the file is missing, CannotOpenFile,
// NotOurFormat, NewerVersion, InvalidPassword when the file refuses its password.
std::shared_ptr<Database> open(QStringView fileName);
// The same for a copy of `def`'s file at another path (a temporary, a backup, a terminal's copy):
// a Windows path of the system or a native one.
std::shared_ptr<Database> openAt(const FileDef& def, const QString& path);

// How the table of the open file `db` differs from `def`'s (a missing table, other fields or
// indexes), in words for the user; empty when they agree.
QString schemaDifference(const Database& db, const FileDef& def);

// Creates `def` as a new file at the native path `nativePath`, with its empty table, then
// lets `fill` add records in one transaction. The file is written under a temporary name in
// the same folder and put in place only when complete; an existing file is never replaced.
// Throws EngineError.
void createFile(const FileDef& def, const QString& nativePath,
                const std::function<void(Database&)>& fill = {});

}  // namespace catalogue
