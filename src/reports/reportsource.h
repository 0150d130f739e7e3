#pragma once
// What a report reads: its own read-only connection to its file, opened with the file's
// password, and the records of its table in the report's order, fetched a page at a time.
// Nothing is held between reads, so the forms that write the file are never kept waiting,
// and every read sees what was committed when it ran.

#include <QString>
#include <QVariant>
#include <functional>
#include <map>
#include <vector>

#include "data/readonlyfile.h"

namespace reports {

struct ReportDef;
using Row = std::vector<QVariant>;

class ReportSource {
public:
    // Opens the report's file. Throws EngineError: file missing, not one of the store's
    // files, password refused, table or field missing.
    ReportSource(const ReportDef& def, const QString& password);

    struct Totals {
        qint64 count = 0;
        std::vector<double> sums;     // of the summed fields, in their order
        std::vector<QVariant> sizes;  // of the sized fields' widest values, Null for an empty field
    };
    // Read in one pass: the records in the table, the sums of the `summed` fields (by position
    // in the report's fields) and, when `numeric` names every field as a number or not, the
    // size of each field's widest value: a number's largest magnitude (a negative one counted
    // ten times, for its sign) or a text's most characters.
    Totals readTotals(const std::vector<int>& summed, const std::vector<bool>& numeric = {});

    // Field by field, the texts of at least four fifths of `longest` characters (none where
    // `longest` is 0): in a proportional font one a little shorter than the longest may be the
    // widest. From at most `limit` records.
    std::vector<QStringList> longTexts(const std::vector<qint64>& longest, int limit);

    // Up to `limit` records from position `first` (0-based) in the report's order.
    std::vector<Row> rows(qint64 first, int limit);

    // Every record in order, in one pass (export and printing of the whole report).
    // `visit` returns false to stop.
    void forEach(const std::function<bool(Row&)>& visit);

private:
    struct Place {
        QVariant key;  // the sort field's value (Null sorts first)
        qint64 rowid;
    };
    void prepareSql();
    std::vector<Row> fetch(const QString& sql, const QVariantList& params,
                           std::vector<Place>* places);

    ReadOnlyFile file_;
    QString table_;        // as the file spells it
    QStringList columns_;  // quoted, as the file spells them
    QString sortColumn_;   // quoted; empty for the table's own order
    QString select_;       // "SELECT rowid, key, cols FROM t"
    QString order_;
    // Where known rows start, so that the next page continues from the last one instead of
    // counting its way there again.
    std::map<qint64, Place> starts_;
};

}  // namespace reports
