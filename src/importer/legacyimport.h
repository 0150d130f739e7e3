#pragma once
// valdrameno-admin importar: moves a store from the old system's Jet files into the program's
// files. Every row that is not imported, and every value that is imported although it looks
// wrong, is reported with its key, column, value and reason.

#include <QString>
#include <QStringList>
#include <QTextStream>
#include <QVariant>
#include <functional>
#include <optional>
#include <vector>

#include "data/catalogue.h"
#include "legacyfile.h"

namespace legacyimport {

// What became of one old file.
struct FileReport {
    QString fileName;  // the program's name ("Articulos.mdb")
    QString failure;   // why the file could not be read; empty when it was
    qint64 rowsRead = 0;
    qint64 rowsStored = 0;  // rows imported, or that a dry run would import
    qint64 skipped = 0;
    qint64 warnings = 0;
    qint64 lostValues = 0;  // values of columns the program has no place for
    QStringList lines;      // one per problem, in file order, then the column notes

    bool losesData() const { return !failure.isEmpty() || skipped > 0 || lostValues > 0; }
};

// Receives each row to import, its values in the order of the file's table fields, already in
// the form the program stores.
using RowSink = std::function<void(const std::vector<QVariant>&)>;
// Told the rows read so far of a big table.
using Progress = std::function<void(qint64 done, qint64 total)>;

// Reads the old file at `path` as the program's file `def`. A file that cannot be read comes
// back with `failure` set.
FileReport readFile(const QString& path, const catalogue::FileDef& def, const RowSink& store = {},
                    const Progress& progress = {});

// Builds the program's file `def` at `target` (which must not exist) from the old file at
// `path`: written under a temporary name beside it, checked (integrity, row count, the engine
// opens it with its password) and then renamed into place. Throws EngineError when the new file
// cannot be written; a file that cannot be read comes back with `failure` and nothing written.
FileReport buildFile(const QString& path, const catalogue::FileDef& def, const QString& target,
                     const Progress& progress = {});

// Converts one old value to what `field` stores (Null stays Null). Returns the reason, for the
// report, when it cannot: a text longer than the field, a value of another kind, a number out
// of the field's range, a date out of range.
std::optional<QString> convert(const FieldDef& field, const legacy::Value& value, QVariant& result);

struct Options {
    bool dryRun = false;   // --prueba: report only, write nothing
    bool replace = false;  // --reemplazar: the data folder may hold files; they are kept aside
};

// The command. Returns 0 when nothing was (or would be) lost, 1 when rows were skipped, a file
// could not be read or the import was refused.
int run(const QString& legacyFolder, const Options& options, QTextStream& out, QTextStream& err);

}  // namespace legacyimport
