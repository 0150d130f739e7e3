#pragma once
// `valdrameno-admin precios`: the bulk price change from the command line, so that a store can
// script its monthly update.

#include <QStringList>
#include <QTextStream>

namespace admin {

// Runs `args` (after "precios"): a change, "historial" or "deshacer NUMERO". Returns 0 when
// the change or undo was stored or the trial ran, 1 with the reason on `err` otherwise.
// Throws EngineError.
int prices(const QStringList& args, QTextStream& out, QTextStream& err);

// True when `args` would write the store (a change without --prueba, or an undo).
bool pricesWrite(const QStringList& args);

}  // namespace admin
