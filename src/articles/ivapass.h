#pragma once
// The IVA fill-in pass: every article without an IVA rate (0 or Null) gets the rate 21.

class Database;
class QWidget;

namespace articles {

// Runs the pass on the open `Articulos.mdb` as one unit, then says so in a message box. Only
// `iva` changes; other rates, `net` and the list prices stay. On an engine error the error box
// shows, no article changes, and the result is false. Recordsets keep their places, so the
// article on the form stays the current record.
bool fillInIva(Database& articulosFile, QWidget* parent = nullptr);

}  // namespace articles
