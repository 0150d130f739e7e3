#pragma once
// The search of the articles by description, case and accents aside, kept fast on a large
// table by an FTS5 trigram index of the folded descriptions.
//
// The index lives in a file of its own beside the store's files (indexPath()): it is not a store
// file, so it never travels to the terminals and never goes into a backup, and the engine keeps
// refusing store files that hold a virtual table. It is attached to the connection of
// Articulos.mdb as soon as that file is opened (catalogue::open calls attachIfPresent), and
// triggers of that connection keep it in step in the same transaction as every insert, change
// of description or delete of an article, whatever window or command makes it.
//
// Whether the index matches the article file is told by a checksum of every article's code and
// stored description, kept by the same triggers and recomputed from the table when the article
// file's committed state (filestate.h) is not the one recorded beside the checksum: a file
// written by a program that does not keep the index (a terminal's copy put back, a restored
// backup, another tool) gives another checksum, and the index is rebuilt.

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

class Database;

namespace articlesearch {

// A text folded for searching: upper case, accents removed ("Azúcar" → "AZUCAR", "pingüino" →
// "PINGUINO"). Ñ stays itself: Spanish readers take it for a letter of its own, not an N with an
// accent, so "AÑO" and "ANO" are different words and one must not find the other.
QString fold(QStringView text);

// The native path of the index file: hidden (its name starts with a dot), beside Articulos.mdb.
QString indexPath();

// Attaches the index file, when there is one, to the fresh connection of the store's
// Articulos.mdb, with the triggers that keep it in step. A file that cannot be attached is left
// for prepare() to rebuild. Never throws.
void attachIfPresent(Database& articulos);

// Reports a rebuild: called first with done 0, then as the rows go in.
using Progress = std::function<void(qint64 done, qint64 total)>;

// Makes the index of `articulos` (the store's Articulos.mdb) ready to search. Returns true when it
// already matched the file; rebuilds it (reporting through `progress`) when it is missing or does
// not match, and returns false. Throws EngineError when the index cannot be written.
bool prepare(Database& articulos, const Progress& progress = {});

// The articles whose description contains `text`, case and accents aside (prepare() first), and
// is not empty, in code order, at most `limit`; each row holds `columns` in order. The same rows
// and order as Database::FindContaining, with the comparison folded.
QList<QVariantList> find(Database& articulos, const QString& text, const QStringList& columns,
                         int limit);

}  // namespace articlesearch
