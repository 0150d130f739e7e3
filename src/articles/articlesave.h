#pragma once
// Storing an article, proposing a new one's code and deleting one with its log: what the
// article form's Grabar, Nuevo and Eliminar do to the files, without widgets. The form shows
// the outcome (a refusal's box, an engine error's box) and moves the focus.

#include <QDateTime>
#include <QString>
#include <optional>

#include "badinput.h"
#include "data/errors.h"

class Database;
class Recordset;

namespace articles {

class ArticleModel;

// The fields Grabar needs filled, checked in this order: "Cod Interno:", "Cod.Barra:" and
// COSTO. A refusal names the first one empty.
Outcome checkFilled(const ArticleModel& model);

// Stores the article on `model` into `articulos` (the table-type recordset of
// `Articulos.mdb`): a new record when `editing` is empty, otherwise the record whose `codigo`
// is `*editing`. Runs ControloVacios, CargoBaseDatos and Update. A refusal (returned) or an
// engine error (thrown; NoCurrentRecord when the article is gone) stores nothing and leaves
// the model's texts as they were.
Outcome saveArticle(ArticleModel& model, Recordset& articulos, std::optional<qint64> editing);

// The code the store gives the next new article in the articles file `articulosFile`: one past
// the highest ever given, a deleted article's included, since codes are never reused. Throws
// EngineError.
qint64 nextCode(Database& articulosFile);
// That code as Nuevo proposes it in "Cod Interno:": six digits.
QString proposedCode(Database& articulosFile);

// Eliminar: writes the deletion log of the article `code` on which `articulos` (the keyed
// recordset of `Articulos.mdb`) stands, then deletes it; the recordset then stands on the first
// article, if any. Throws EngineError, and deletes nothing, when the recordset stands on another
// article or none (another window removed it: NoCurrentRecord) or the log cannot be written.
void deleteArticle(Recordset& articulos, qint64 code, const QDateTime& when);

// The deletion log of one article: the file "code-barcode" in "c:\norvik\tempo\".
// Characters that cannot stand in a file name ('/', '\', NUL) become '_', so the file never
// lands outside that folder.
QString deletionLogName(const QString& code, const QString& barcode);
// The file's one line, enclosed in double quotes and ended by CR LF.
QByteArray deletionLogLine(const QString& code, const QString& barcode, const QDateTime& when);
// Writes the file, creating the folder when missing, and flushes it to disk. Returns the
// error, naming the file, when it cannot be written.
std::optional<EngineError> writeDeletionLog(const QString& code, const QString& barcode,
                                            const QDateTime& when);

}  // namespace articles
