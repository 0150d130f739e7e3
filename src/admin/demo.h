#pragma once
// A small sample store for trying the program: articles, customers, suppliers, catalogues,
// queued labels and a few sales documents.

#include <QString>

class Database;

namespace demo {

// Fills the freshly created file `fileName` (one of the catalogue's files) with sample records.
void fill(const QString& fileName, Database& database);

}  // namespace demo
