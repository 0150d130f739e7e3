#pragma once
// For code that reaches a store file with the SQLite library itself instead of the engine (the
// benchmarks' baselines): the settings every connection of the system uses, the collation of
// the text columns included, without which the store's tables cannot be queried.

struct sqlite3;

namespace sqliteutil {

void configureConnection(sqlite3* db);

}  // namespace sqliteutil
