#pragma once
// The IVA fill-in pass: every article without an IVA rate (0 or Null) gets the rate 21.

#include <optional>

#include "badinput.h"
#include "data/errors.h"

class Database;

namespace articles {

// Runs the pass on the open `Articulos.mdb` as one unit. Only `iva` changes; other rates,
// `net` and the list prices stay. Returns the engine error that stopped it, in which case no
// article changed. Recordsets keep their places, so the article on the form stays the
// current record.
std::optional<EngineError> fillInIva(Database& articulosFile);

// The box that says the pass is done.
Message ivaPassDone();

}  // namespace articles
