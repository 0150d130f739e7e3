#pragma once
// The program's own settings: what the store may change and the program must remember
// (terminal host names, when each terminal was last updated, the label printer's offset).
// Kept per user in $XDG_CONFIG_HOME/valdrameno/valdrameno.conf (~/.config when unset), an INI
// file; tests point XDG_CONFIG_HOME at a temporary folder. QSettings saves it the safe way on
// its own (QSaveFile: written under a temporary name beside it, then renamed over it), so it
// does not go through filereplace.

#include <QSettings>
#include <memory>

namespace settings {

// The settings file, opened afresh: values written through it are on disk when it is destroyed
// (or after sync()).
std::unique_ptr<QSettings> open();

}  // namespace settings
