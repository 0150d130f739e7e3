#pragma once
// Creating the store's files: what `valdrameno-admin inicializar` and the program's first
// start both do.

#include <QString>
#include <functional>

class Database;

namespace storefiles {

// The user that a new Opcion.mdb holds, with the same text as password.
inline const QString kInitialUser = QStringLiteral("VUMRE");

// Adds the initial user, with its salted password, to a new Opcion.mdb.
void addInitialUser(Database& opcion);

// The user the login marked active in Opcion.mdb; empty when none is, or the file cannot be
// read (a record of who did something then names nobody rather than failing).
QString activeUser();

// Creates the data folder and every file of the catalogue that is missing there, empty but
// for the initial user in Opcion.mdb; `fill` may add records to each new file (in the file's
// one transaction). An existing file is never opened or changed. `report` hears of every file
// in catalogue order: its native path and whether it was created. Returns how many files were
// created. Throws EngineError; the files created before the error stay, complete.
int createMissing(const std::function<void(const QString& fileName, Database&)>& fill = {},
                  const std::function<void(const QString& nativePath, bool created)>& report = {});

}  // namespace storefiles
