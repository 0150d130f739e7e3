#pragma once
// The ten database files of the store: folder, file names, passwords, tables and indexes.

#include <QString>
#include <functional>
#include <vector>

#include "schema.h"

class Database;

namespace catalogue {

struct FileDef {
    QString fileName;  // "Articulos.mdb"
    QString password;
    TableDef table;  // the table the forms bind
};

// All ten files, in the order of the system's file list.
const std::vector<FileDef>& files();
// The file of that name, found without regard to case; nullptr when it is not one of ours.
const FileDef* find(QStringView fileName);

// ";PWD=" + password: what every opener passes.
QString connectString(const QString& password);

// The password the customer lookup is written with; the file's own password is what opens
// Clientes.mdb, so the lookup uses that one.
inline const QString kCustomerLookupPassword = QStringLiteral("Vek_Tb83");

// Creates `def` as a new file at the native path `nativePath`, with its empty table, then
// lets `fill` add records in one transaction. The file is written under a temporary name in
// the same folder and put in place only when complete; an existing file is never replaced.
// Throws EngineError.
void createFile(const FileDef& def, const QString& nativePath,
                const std::function<void(Database&)>& fill = {});

}  // namespace catalogue
