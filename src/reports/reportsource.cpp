#include "reportsource.h"

#include <sqlite3.h>

#include <QFileInfo>
#include <iterator>

#include "errors.h"
#include "meta.h"
#include "passwords.h"
#include "paths.h"
#include "reportdefs.h"
#include "schema.h"
#include "sqliteutil.h"

using namespace Qt::StringLiterals;
using sqliteutil::Statement;

namespace reports {

namespace {


}  // namespace

ReportSource::ReportSource(const ReportDef& def, const QString& password)
    : fileName_(paths::inBases(def.fileName))
{
    const QString native = paths::toNative(fileName_);
    const QFileInfo info(native);
    if (!info.exists()) throw EngineError(EngineErrorCode::FileNotFound, fileName_);
    if (info.isDir()) throw EngineError(EngineErrorCode::CannotOpenFile, fileName_);
    if (sqlite3_open_v2(native.toUtf8().constData(), &db_, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
        throw EngineError(EngineErrorCode::CannotOpenFile, fileName_);
    }
    try {
        sqliteutil::registerCollation(db_);
        sqlite3_busy_timeout(db_, 5000);
        sqlite3_extended_result_codes(db_, 1);
        meta::Values values;
        try {
            values = meta::read(db_);
        } catch (const EngineError&) {
            values.valid = false;
        }
        if (!values.valid) throw EngineError(EngineErrorCode::NotOurFormat, fileName_);
        if (!values.passwordHash.isEmpty() && !passwords::verify(password, values.passwordHash))
            throw EngineError(EngineErrorCode::InvalidPassword);

        Statement table(db_, u"SELECT name FROM sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE"_s);
        table.bindText(1, def.table);
        if (!table.step()) throw EngineError(EngineErrorCode::TableNotFound, def.table);
        table_ = table.columnText(0);

        QStringList present;
        Statement info(db_, u"SELECT name FROM pragma_table_info(?1)"_s);
        info.bindText(1, table_);
        while (info.step()) present << info.columnText(0);
        auto column = [&](const QString& field) {
            for (const QString& name : present)
                if (name.compare(field, Qt::CaseInsensitive) == 0) return quotedName(name);
            throw EngineError(EngineErrorCode::FieldNotFound, field);
        };
        for (const QString& field : def.fields()) columns_ << column(field);
        if (const ListDef* list = def.list(); list && !list->sortField.isEmpty())
            sortColumn_ = column(list->sortField);
    } catch (...) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
        throw;
    }
    prepareSql();
}

ReportSource::~ReportSource() { sqlite3_close_v2(db_); }

void ReportSource::prepareSql()
{
    const QString key = sortColumn_.isEmpty() ? u"rowid"_s : sortColumn_;
    select_ = u"SELECT rowid, %1, %2 FROM %3 "_s.arg(key, columns_.join(u", "_s), quotedName(table_));
    order_ = sortColumn_.isEmpty() ? u" ORDER BY rowid"_s : u" ORDER BY %1, rowid"_s.arg(sortColumn_);
}

void ReportSource::readTotals(const std::vector<int>& summed, qint64& count, std::vector<double>& sums)
{
    QStringList parts{u"count(*)"_s};
    for (int index : summed) parts << u"total(%1)"_s.arg(columns_[index]);
    Statement stmt(db_, u"SELECT %1 FROM %2"_s.arg(parts.join(u", "_s), quotedName(table_)));
    stmt.step();
    count = sqlite3_column_int64(stmt.get(), 0);
    sums.clear();
    for (size_t i = 0; i < summed.size(); ++i) sums.push_back(sqlite3_column_double(stmt.get(), int(i) + 1));
}

std::vector<Row> ReportSource::fetch(const QString& sql, const QVariantList& params, std::vector<Place>* places)
{
    Statement stmt(db_, sql);
    for (qsizetype i = 0; i < params.size(); ++i) stmt.bind(int(i) + 1, params[i]);
    std::vector<Row> rows;
    const int width = int(columns_.size());
    while (stmt.step()) {
        if (places) places->push_back({stmt.column(1), sqlite3_column_int64(stmt.get(), 0)});
        Row row;
        row.reserve(size_t(width));
        for (int i = 0; i < width; ++i) row.push_back(stmt.column(i + 2));
        rows.push_back(std::move(row));
    }
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
        rows = fetch(select_ + u"WHERE %1 IS NULL AND rowid >= ?1 ORDER BY rowid LIMIT ?2"_s.arg(sortColumn_),
                     {known->second.rowid, wanted}, &places);
        if (int(rows.size()) < wanted) {
            std::vector<Row> more = fetch(select_ + u"WHERE %1 IS NOT NULL"_s.arg(sortColumn_) + order_ +
                                              u" LIMIT ?1"_s,
                                          {wanted - int(rows.size())}, &places);
            std::move(more.begin(), more.end(), std::back_inserter(rows));
        }
    } else {
        rows = fetch(select_ + u"WHERE (%1, rowid) >= (?1, ?2)"_s.arg(sortColumn_) + order_ + u" LIMIT ?3"_s,
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
    Statement stmt(db_, select_ + order_);
    const int width = int(columns_.size());
    Row row;
    row.resize(size_t(width));
    while (stmt.step()) {
        for (int i = 0; i < width; ++i) row[size_t(i)] = stmt.column(i + 2);
        if (!visit(row)) return;
    }
}

}  // namespace reports
