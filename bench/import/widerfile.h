#pragma once
// An old system's article file of any size, made from one of a given size: nothing here writes
// the old Jet format, so the table's data pages are copied after the file's end as often as the
// size needs, each copy with its codes moved past the last one's and its barcodes changed in
// their first two characters (so that neither repeats), and the table's page map and row count
// are rewritten to hold them. Rows beyond the size asked for are marked deleted. The copies keep
// everything else as the source has it: the same texts, prices and memos, read the same way.

#include <QString>

// Writes the article file `source` widened (or narrowed) to `rows` articles at `target`.
// Returns an empty string, or why it cannot.
QString writeWiderArticles(const QString& source, qint64 rows, const QString& target);
