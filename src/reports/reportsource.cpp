#include "reportsource.h"

#include <algorithm>
#include <iterator>

#include "data/errors.h"
#include "data/paths.h"
#include "data/schema.h"
#include "reportdefs.h"

using namespace Qt::StringLiterals;

namespace reports {

ReportSource::ReportSource(const ReportDef& def, const QString& password)
    : file_(paths::inBases(def.fileName), password)
{
    file_.select(
        u"SELECT name FROM sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE"_s,
        {def.table}, [&](const QVariantList& row) {
            table_ = row[0].toString();
            return false;
        });
    if (table_.isEmpty()) throw EngineError(EngineErrorCode::TableNotFound, def.table);

    QStringList present;
    file_.select(u"SELECT name FROM pragma_table_info(?1)"_s, {table_},
                 [&](const QVariantList& row) {
                     present << row[0].toString();
                     return true;
                 });
    auto column = [&](const QString& field) {
        for (const QString& name : present)
            if (name.compare(field, Qt::CaseInsensitive) == 0) return quotedName(name);
        throw EngineError(EngineErrorCode::FieldNotFound, field);
    };
    for (const QString& field : def.fields()) columns_ << column(field);
    if (const ListDef* list = def.list(); list && !list->sortField.isEmpty())
        sortColumn_ = column(list->sortField);
    prepareSql();
}

void ReportSource::prepareSql()
{
    const QString key = sortColumn_.isEmpty() ? u"rowid"_s : sortColumn_;
    select_ =
        u"SELECT rowid, %1, %2 FROM %3 "_s.arg(key, columns_.join(u", "_s), quotedName(table_));
    order_ =
        sortColumn_.isEmpty() ? u" ORDER BY rowid"_s : u" ORDER BY %1, rowid"_s.arg(sortColumn_);
}

ReportSource::Totals ReportSource::readTotals(const std::vector<int>& summed,
                                              const std::vector<bool>& numeric)
{
    QStringList parts{u"count(*)"_s};
    for (int index : summed) parts << u"total(%1)"_s.arg(columns_[index]);
    for (size_t i = 0; i < numeric.size(); ++i)
        parts << (numeric[i] ? u"max(CASE WHEN %1 < 0 THEN -10 * %1 ELSE %1 END)"_s
                             : u"max(length(%1))"_s)
                     .arg(columns_[qsizetype(i)]);
    Totals totals;
    file_.select(u"SELECT %1 FROM %2"_s.arg(parts.join(u", "_s), quotedName(table_)), {},
                 [&](const QVariantList& row) {
                     totals.count = row[0].toLongLong();
                     qsizetype at = 1;
                     for (size_t i = 0; i < summed.size(); ++i)
                         totals.sums.push_back(row[at++].toDouble());
                     for (size_t i = 0; i < numeric.size(); ++i) totals.sizes.push_back(row[at++]);
                     return false;
                 });
    return totals;
}

std::vector<QStringList> ReportSource::longTexts(const std::vector<qint64>& longest, int limit)
{
    std::vector<QStringList> texts(longest.size());
    QStringList near;
    QVariantList least;
    for (size_t i = 0; i < longest.size(); ++i) {
        if (longest[i] <= 0) continue;
        least << (longest[i] * 4 + 4) / 5;
        near << u"length(%1) >= ?%2"_s.arg(columns_[qsizetype(i)]).arg(least.size());
    }
    if (near.isEmpty()) return texts;
    least << limit;
    const QString sql = u"SELECT %1 FROM %2 WHERE %3 LIMIT ?"_s.arg(
                            columns_.join(u", "_s), quotedName(table_), near.join(u" OR "_s)) +
                        QString::number(least.size());
    file_.select(sql, least, [&](const QVariantList& row) {
        for (size_t i = 0; i < longest.size(); ++i) {
            const QString text = row[qsizetype(i)].toString();
            if (longest[i] > 0 && text.size() * 5 >= longest[i] * 4) texts[i] << text;
        }
        return true;
    });
    return texts;
}

std::vector<Row> ReportSource::fetch(const QString& sql, const QVariantList& params,
                                     std::vector<Place>* places)
{
    std::vector<Row> rows;
    file_.select(sql, params, [&](const QVariantList& read) {
        if (places) places->push_back({read[1], read[0].toLongLong()});
        rows.emplace_back(read.begin() + 2, read.end());
        return true;
    });
    return rows;
}

std::vector<Row> ReportSource::rows(qint64 first, int limit)
{
    if (limit <= 0) return {};
    // One more than asked: where the next page starts.
    const int wanted = limit + 1;
    std::vector<Place> places;
    std::vector<Row> rows;
    const auto known = starts_.find(first);
    if (known == starts_.end()) {
        rows = fetch(select_ + order_ + u" LIMIT ?1 OFFSET ?2"_s, {wanted, first}, &places);
    } else if (sortColumn_.isEmpty()) {
        rows = fetch(select_ + u"WHERE rowid >= ?1"_s + order_ + u" LIMIT ?2"_s,
                     {known->second.rowid, wanted}, &places);
    } else if (known->second.key.isNull()) {
        // The records without a code come first, in the table's order.
        rows = fetch(select_ + u"WHERE %1 IS NULL AND rowid >= ?1 ORDER BY rowid LIMIT ?2"_s.arg(
                                   sortColumn_),
                     {known->second.rowid, wanted}, &places);
        if (int(rows.size()) < wanted) {
            std::vector<Row> more = fetch(
                select_ + u"WHERE %1 IS NOT NULL"_s.arg(sortColumn_) + order_ + u" LIMIT ?1"_s,
                {wanted - int(rows.size())}, &places);
            std::move(more.begin(), more.end(), std::back_inserter(rows));
        }
    } else {
        rows = fetch(
            select_ + u"WHERE (%1, rowid) >= (?1, ?2)"_s.arg(sortColumn_) + order_ + u" LIMIT ?3"_s,
            {known->second.key, known->second.rowid, wanted}, &places);
    }
    if (!places.empty()) starts_[first] = places.front();
    if (int(rows.size()) == wanted) {
        starts_[first + limit] = places.back();
        rows.pop_back();
    }
    return rows;
}

void ReportSource::forEach(const std::function<bool(Row&)>& visit)
{
    Row row(columns_.size());
    file_.select(select_ + order_, {}, [&](const QVariantList& read) {
        std::copy(read.begin() + 2, read.end(), row.begin());
        return visit(row);
    });
}

}  // namespace reports
