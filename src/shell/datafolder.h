#pragma once
// The check before the login that the data folder and Opcion.mdb exist, and the first start
// that offers to create the store's empty files when they do not.

#include <QString>
#include <memory>

#include "data/folderlock.h"

// Empty when the folder and Opcion.mdb are there; otherwise what is missing and the folder.
// The same text, with the command that creates the files, is written to standard error so
// that it is seen even without a display.
QString checkDataFolder();

// Tells `problem` and asks whether to create the store's empty files with the user VUMRE.
// Yes creates every missing file as `valdrameno-admin inicializar` does (an existing file is
// never touched) and returns true: the login can open. No, or a failure (shown in the error
// box), returns false.
bool offerToCreateDataFiles(const QString& problem);

// Takes the data folder for this copy of the program. When another copy already works on it,
// says so in a box and returns nullptr: the program must end.
std::unique_ptr<FolderLock> lockDataFolder();
