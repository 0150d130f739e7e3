#include "engine.h"

#include <QDateTime>
#include <cmath>
#include <limits>

#include "internal/fileconnection.h"
#include "internal/sqliteutil.h"
#include "numbertext.h"

using namespace Qt::StringLiterals;

using sqliteutil::Statement;

namespace {

// Every live recordset, for Operation::CancelPendingUpdates.
std::vector<Recordset*>& liveRecordsets()
{
    static std::vector<Recordset*> all;
    return all;
}

quint64 gCurrentOperation = 0;
quint64 gLastOperation = 0;

const QString kDateFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

QVariant toWholeNumber(const FieldDef& field, const QVariant& value, qint64 low, qint64 high)
{
    double number;
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString();
        if (text.trimmed().isEmpty()) return QVariant();
        const auto parsed = numbertext::parse(text);
        if (!parsed) throw EngineError(EngineErrorCode::TypeMismatch, field.name);
        number = *parsed;
    } else {
        bool ok = false;
        number = value.toDouble(&ok);
        if (!ok) throw EngineError(EngineErrorCode::TypeMismatch, field.name);
    }
    if (!std::isfinite(number) || number != std::trunc(number))
        throw EngineError(EngineErrorCode::TypeMismatch, field.name);
    if (number < double(low) || number > double(high))
        throw EngineError(EngineErrorCode::ValueOutOfRange, field.name);
    return QVariant(int(number));
}

QVariant toDouble(const FieldDef& field, const QVariant& value)
{
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString();
        if (text.trimmed().isEmpty()) return QVariant();
        const auto parsed = numbertext::parse(text);
        if (!parsed) throw EngineError(EngineErrorCode::TypeMismatch, field.name);
        return QVariant(*parsed);
    }
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok || !std::isfinite(number)) throw EngineError(EngineErrorCode::TypeMismatch, field.name);
    return QVariant(number);
}

QVariant toDate(const FieldDef& field, const QVariant& value)
{
    QDateTime when;
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed();
        if (text.isEmpty()) return QVariant();
        for (const char* format : {"dd/MM/yyyy HH:mm:ss", "dd/MM/yyyy", "yyyy-MM-dd HH:mm:ss"}) {
            when = QDateTime::fromString(text, QString::fromLatin1(format));
            if (when.isValid()) break;
        }
    } else if (value.typeId() == QMetaType::QDate) {
        when = value.toDate().startOfDay();
    } else {
        when = value.toDateTime();
    }
    if (!when.isValid()) throw EngineError(EngineErrorCode::TypeMismatch, field.name);
    return QVariant(when.toString(kDateFormat));
}

QVariant toText(const FieldDef& field, const QVariant& value)
{
    QString text;
    switch (value.typeId()) {
    case QMetaType::Double:
        text = numbertext::shortest(value.toDouble());
        break;
    case QMetaType::QDate:
        text = value.toDate().toString(u"dd/MM/yyyy"_s);
        break;
    case QMetaType::QDateTime:
        text = value.toDateTime().toString(u"dd/MM/yyyy HH:mm:ss"_s);
        break;
    default:
        text = value.toString();
        break;
    }
    if (text.size() > field.width) throw EngineError(EngineErrorCode::FieldTooSmall, field.name);
    return QVariant(text);
}

}  // namespace

QVariant convertForField(const FieldDef& field, const QVariant& value)
{
    if (value.isNull()) return QVariant();
    switch (field.type) {
    case FieldType::Text:
        return toText(field, value);
    case FieldType::Integer:
        return toWholeNumber(field, value, std::numeric_limits<qint32>::min(),
                             std::numeric_limits<qint32>::max());
    case FieldType::Short:
        return toWholeNumber(field, value, std::numeric_limits<qint16>::min(),
                             std::numeric_limits<qint16>::max());
    case FieldType::Double:
        return toDouble(field, value);
    case FieldType::Date:
        return toDate(field, value);
    case FieldType::Counter:
        break;
    }
    throw EngineError(EngineErrorCode::FieldNotUpdatable, field.name);
}

// ---------------------------------------------------------------- Database

Database::Database(std::shared_ptr<FileConnection> file) : file_(std::move(file)) {}

std::unique_ptr<Recordset> Database::OpenRecordset(const QString& table, RecordsetType type)
{
    const TableDef* def = file_->table(table);
    if (!def) throw EngineError(EngineErrorCode::TableNotFound, table);
    return std::make_unique<Recordset>(file_, *def, type);
}

const TableDef* Database::tableDef(const QString& table) const { return file_->table(table); }

int Database::schemaVersion() const { return file_->schemaVersion(); }

int Database::Execute(const QString& sql)
{
    sqlite3* db = file_->db();
    sqliteutil::exec(db, QStringLiteral("SAVEPOINT execute"));
    try {
        sqliteutil::exec(db, sql);
        const int changed = sqlite3_changes(db);
        sqliteutil::exec(db, QStringLiteral("RELEASE execute"));
        file_->bumpGeneration();
        return changed;
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK TO execute; RELEASE execute", nullptr, nullptr, nullptr);
        file_->bumpGeneration();
        throw;
    }
}

void Database::BeginTrans() { sqliteutil::exec(file_->db(), QStringLiteral("BEGIN IMMEDIATE")); }

void Database::CommitTrans()
{
    sqliteutil::exec(file_->db(), QStringLiteral("COMMIT"));
    file_->bumpGeneration();
}

void Database::Rollback()
{
    if (!sqlite3_get_autocommit(file_->db()))
        sqlite3_exec(file_->db(), "ROLLBACK", nullptr, nullptr, nullptr);
    file_->bumpGeneration();
}

QList<QVariantList> Database::FindContaining(const QString& table, const QString& field,
                                             const QString& text, const QStringList& columns,
                                             int limit)
{
    QStringList quoted;
    for (const QString& column : columns) quoted << quotedName(column);
    const QString searched = quotedName(field);
    return Select(
        u"SELECT %1 FROM %2 WHERE instr(%3, ?1) > 0 AND %3 <> '' COLLATE BINARY "
        u"ORDER BY rowid LIMIT ?2"_s.arg(quoted.join(u", "_s), quotedName(table), searched),
        {text, limit});
}

QList<QVariantList> Database::Select(const QString& sql, const QVariantList& params)
{
    Statement stmt(file_->db(), file_->cached(sql));
    if (!sqlite3_stmt_readonly(stmt.get())) throw EngineError(EngineErrorCode::NotSupported);
    stmt.bindAll(params);
    QList<QVariantList> rows;
    while (stmt.step()) rows.push_back(stmt.row());
    return rows;
}

std::function<void(const std::vector<QVariant>&)> Database::Inserter(const QString& table)
{
    const TableDef* def = file_->table(table);
    if (!def) throw EngineError(EngineErrorCode::TableNotFound, table);
    QStringList columns, params;
    for (size_t i = 0; i < def->fields.size(); ++i) {
        columns << quotedName(def->fields[i].name);
        params << u"?%1"_s.arg(i + 1);
    }
    sqlite3_stmt* insert = file_->cached(u"INSERT INTO %1 (%2) VALUES (%3)"_s.arg(
        quotedName(def->name), columns.join(u", "_s), params.join(u", "_s)));
    return [file = file_, insert](const std::vector<QVariant>& row) {
        Statement stmt(file->db(), insert);
        for (size_t i = 0; i < row.size(); ++i) stmt.bind(int(i) + 1, row[i]);
        stmt.step();
        file->bumpGeneration();
    };
}

void Database::ForEach(const QString& sql, const QVariantList& params,
                       const std::function<void(const RowView&)>& each)
{
    Statement stmt(file_->db(), file_->cached(sql));
    if (!sqlite3_stmt_readonly(stmt.get())) throw EngineError(EngineErrorCode::NotSupported);
    stmt.bindAll(params);
    const RowView row(stmt.get());
    while (stmt.step()) each(row);
}

namespace {

// Runs a kept writing statement once, its values bound by `bind`; the records it changed.
template <typename Bind>
int runWrite(FileConnection& file, sqlite3_stmt* prepared, const Bind& bind)
{
    Statement stmt(file.db(), prepared);
    bind(stmt);
    stmt.step();
    file.bumpGeneration();
    return sqlite3_changes(file.db());
}

}  // namespace

std::function<int(const QVariantList&)> Database::Writer(const QString& sql)
{
    sqlite3_stmt* prepared = file_->cached(sql);
    return [file = file_, prepared](const QVariantList& values) {
        return runWrite(*file, prepared, [&](Statement& stmt) { stmt.bindAll(values); });
    };
}

std::function<int(std::span<const Database::Number>)> Database::NumberWriter(const QString& sql)
{
    sqlite3_stmt* prepared = file_->cached(sql);
    return [file = file_, prepared](std::span<const Number> values) {
        return runWrite(*file, prepared, [&](Statement& stmt) {
            for (size_t i = 0; i < values.size(); ++i) {
                if (const auto* whole = std::get_if<qint64>(&values[i]))
                    stmt.bindInt64(int(i) + 1, *whole);
                else stmt.bindDouble(int(i) + 1, std::get<double>(values[i]));
            }
        });
    };
}

void Database::Attach(const Database& other, const QString& alias)
{
    sqlite3* db = file_->db();
    Statement attach(db, u"ATTACH DATABASE ?1 AS "_s + quotedName(alias));
    attach.bindText(1, QString::fromUtf8(sqlite3_db_filename(other.file_->db(), "main")));
    attach.step();
    // The attached file keeps the store's journal and durability settings; a write-ahead log
    // would break the commit across files.
    sqliteutil::exec(db, sqliteutil::writerSettingsSql(quotedName(alias)));
}

void Database::Detach(const QString& alias)
{
    sqliteutil::exec(file_->db(), u"DETACH DATABASE "_s + quotedName(alias));
}

bool Database::RowView::isNull(int column) const
{
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

double Database::RowView::number(int column) const { return sqlite3_column_double(stmt_, column); }

qint64 Database::RowView::whole(int column) const { return sqlite3_column_int64(stmt_, column); }

QString Database::RowView::text(int column) const
{
    const auto* utf8 = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    return QString::fromUtf8(utf8, sqlite3_column_bytes(stmt_, column));
}

QStringList Database::pragmaLines(const QString& pragma)
{
    Statement stmt(file_->db(), u"PRAGMA "_s + pragma);
    QStringList lines;
    while (stmt.step()) lines << stmt.columnText(0);
    return lines;
}

// ---------------------------------------------------------------- Field

QVariant Field::Value() const { return rs_->value(index_); }
std::optional<double> Field::number() const { return rs_->number(index_); }
std::optional<QByteArrayView> Field::storedText() const { return rs_->storedText(index_); }
void Field::setValue(const QVariant& value) { rs_->setPendingValue(index_, value); }
const QString& Field::Name() const { return rs_->table_.fields[size_t(index_)].name; }
FieldType Field::Type() const { return rs_->table_.fields[size_t(index_)].type; }
int Field::Size() const { return rs_->table_.fields[size_t(index_)].width; }

// ---------------------------------------------------------------- Recordset

Recordset::Recordset(std::shared_ptr<FileConnection> file, const TableDef& table,
                     RecordsetType type)
    : file_(std::move(file)), table_(table), type_(type)
{
    selectList_ = QStringLiteral("rowid");
    for (const FieldDef& f : table_.fields) selectList_ += u", "_s + quotedName(f.name);
    liveRecordsets().push_back(this);
    try {
        MoveFirst();
    } catch (...) {
        std::erase(liveRecordsets(), this);
        throw;
    }
}

Recordset::~Recordset() { std::erase(liveRecordsets(), this); }

Recordset::Operation::Operation() : id_(++gLastOperation), outer_(gCurrentOperation)
{
    gCurrentOperation = id_;
}

Recordset::Operation::~Operation() { gCurrentOperation = outer_; }

void Recordset::Operation::CancelPendingUpdates()
{
    for (Recordset* rs : liveRecordsets())
        if (rs->mode_ != EditMode::None && rs->operation_ == id_) rs->CancelUpdate();
}

Field Recordset::Fields(QStringView name)
{
    const int index = table_.fieldIndex(name);
    if (index < 0) throw EngineError(EngineErrorCode::FieldNotFound, name.toString());
    return Field(this, index);
}

Field Recordset::Fields(int index)
{
    if (index < 0 || index >= fieldCount())
        throw EngineError(EngineErrorCode::FieldNotFound, QString::number(index));
    return Field(this, index);
}

void Recordset::setIndex(const QString& indexName)
{
    if (type_ != RecordsetType::Table) throw EngineError(EngineErrorCode::NotSupported);
    if (indexName.isEmpty()) {
        indexName_.clear();
        keyField_ = -1;
    } else {
        const IndexDef* index = table_.findIndex(indexName);
        if (!index) throw EngineError(EngineErrorCode::NotAnIndex, indexName);
        indexName_ = index->name;
        keyField_ = table_.fieldIndex(index->field);
    }
    statements_.fill(nullptr);
    ahead_.clear();
    aheadDirection_ = 0;
    if (hasCurrent_ && !refreshCurrent()) noCurrent();
}

QString Recordset::orderColumn() const
{
    return keyField_ < 0 ? QStringLiteral("rowid")
                         : quotedName(table_.fields[size_t(keyField_)].name);
}

Recordset::Row Recordset::readRow(sqlite3_stmt* stmt) const
{
    Row row;
    row.rowid = sqlite3_column_int64(stmt, 0);
    const int count = int(table_.fields.size());
    row.cells.resize(size_t(count));
    for (int i = 0; i < count; ++i) {
        Cell& cell = row.cells[size_t(i)];
        cell.storage = sqlite3_column_type(stmt, i + 1);
        switch (cell.storage) {
        case SQLITE_INTEGER:
            cell.whole = sqlite3_column_int64(stmt, i + 1);
            break;
        case SQLITE_FLOAT:
            cell.number = sqlite3_column_double(stmt, i + 1);
            break;
        case SQLITE_NULL:
            break;
        default: {
            cell.storage = SQLITE_TEXT;
            const auto text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i + 1));
            const int size = sqlite3_column_bytes(stmt, i + 1);
            cell.text = {quint32(row.text.size()), quint32(size)};
            row.text.append(text, size_t(size));
        }
        }
    }
    return row;
}

QVariant Recordset::cellValue(const Row& row, int index) const
{
    const Cell& cell = row.cells[size_t(index)];
    if (cell.storage == SQLITE_NULL) return QVariant();
    const auto text = [&] {
        if (cell.storage == SQLITE_TEXT)
            return QString::fromUtf8(row.text.data() + cell.text.offset, qsizetype(cell.text.size));
        return cell.storage == SQLITE_INTEGER ? QString::number(cell.whole)
                                              : numbertext::shortest(cell.number);
    };
    const auto number = [&] {
        if (cell.storage == SQLITE_FLOAT) return cell.number;
        if (cell.storage == SQLITE_INTEGER) return double(cell.whole);
        return numbertext::parse(text()).value_or(0.0);
    };
    switch (table_.fields[size_t(index)].type) {
    case FieldType::Integer:
    case FieldType::Short:
    case FieldType::Counter:
        return QVariant(int(number()));
    case FieldType::Double:
        return QVariant(number());
    case FieldType::Date:
        return QVariant(QDateTime::fromString(text(), kDateFormat));
    case FieldType::Text:
        break;
    }
    return QVariant(text());
}

sqlite3_stmt* Recordset::statement(Where where, int direction)
{
    const int slot = int(where) * 2 + (direction > 0 ? 1 : 0);
    if (sqlite3_stmt* stmt = statements_[size_t(slot)]) return stmt;
    const QString k = orderColumn();
    QString condition;
    switch (where) {
    case Where::All:
        break;
    case Where::RowidAfter:
        condition = direction > 0 ? u"rowid > ?2"_s : u"rowid < ?2"_s;
        break;
    case Where::NullKeyAfter:
        condition =
            k + (direction > 0 ? u" IS NULL AND rowid > ?2"_s : u" IS NULL AND rowid < ?2"_s);
        break;
    case Where::KeyNotNull:
        condition = k + u" IS NOT NULL"_s;
        break;
    case Where::KeyIsNull:
        condition = k + u" IS NULL"_s;
        break;
    case Where::KeyAfter:
        condition = direction > 0 ? k + u" >= ?1 AND ("_s + k + u" > ?1 OR rowid > ?2)"_s
                                  : k + u" <= ?1 AND ("_s + k + u" < ?1 OR rowid < ?2)"_s;
        break;
    case Where::KeyEquals:
        condition = k + u" = ?1"_s;
        break;
    }
    const QString desc = direction > 0 ? QString() : QStringLiteral(" DESC");
    const QString order = keyField_ < 0 ? u"rowid"_s + desc : k + desc + u", rowid"_s + desc;
    const QString sql = QStringLiteral("SELECT %1 FROM %2%3 ORDER BY %4 LIMIT ?3")
                            .arg(selectList_, quotedName(table_.name),
                                 condition.isEmpty() ? QString() : u" WHERE "_s + condition, order);
    return statements_[size_t(slot)] = file_->cached(sql);
}

void Recordset::fetchWhere(Where where, const QVariant& key, qint64 rowid, int direction, int limit,
                           std::vector<Row>& rows)
{
    Statement stmt(file_->db(), statement(where, direction));
    if (where == Where::KeyAfter || where == Where::KeyEquals) stmt.bind(1, key);
    stmt.bindInt64(2, rowid);
    stmt.bindInt64(3, limit);
    while (stmt.step()) rows.push_back(readRow(stmt.get()));
}

void Recordset::fetch(int direction, int limit, std::vector<Row>& rows)
{
    rows.clear();
    const bool forward = direction > 0;
    const bool fromEnd =
        (forward && place_ == Place::BeforeFirst) || (!forward && place_ == Place::AfterLast);
    if (fromEnd) {
        fetchWhere(Where::All, {}, 0, direction, limit, rows);
        return;
    }
    if ((forward && place_ == Place::AfterLast) || (!forward && place_ == Place::BeforeFirst))
        return;

    const qint64 rowid = current_.rowid;
    if (keyField_ < 0) {
        fetchWhere(Where::RowidAfter, {}, rowid, direction, limit, rows);
        return;
    }
    // Index order: NULL keys come first, then keys in order; ties by insertion order.
    const QVariant key = cellValue(current_, keyField_);
    if (key.isNull()) {
        fetchWhere(Where::NullKeyAfter, {}, rowid, direction, limit, rows);
        if (forward && int(rows.size()) < limit)
            fetchWhere(Where::KeyNotNull, {}, 0, direction, limit - int(rows.size()), rows);
        return;
    }
    fetchWhere(Where::KeyAfter, key, rowid, direction, limit, rows);
    if (!forward && int(rows.size()) < limit)
        fetchWhere(Where::KeyIsNull, {}, 0, direction, limit - int(rows.size()), rows);
}

void Recordset::setCurrent(Row row)
{
    current_ = std::move(row);
    hasCurrent_ = true;
    currentGeneration_ = file_->generation();
    place_ = Place::At;
    bof_ = eof_ = false;
}

void Recordset::noCurrent() { hasCurrent_ = false; }

void Recordset::step(int direction)
{
    if (mode_ != EditMode::None) CancelUpdate();
    file_->lookForOtherWriters();
    if (!ahead_.empty() && aheadDirection_ == direction &&
        aheadGeneration_ == file_->generation()) {
        setCurrent(std::move(ahead_.front()));
        ahead_.pop_front();
        return;
    }
    // Go on from where the current record stands now: an Update may have changed its key. A
    // record deleted meanwhile leaves its old place to go on from.
    if (hasCurrent_ && place_ == Place::At) refreshCurrent();
    // Read a batch; consecutive moves one way read larger batches.
    batch_ = aheadDirection_ == direction ? std::min(batch_ * 2, 256) : 8;
    std::vector<Row> rows;
    fetch(direction, batch_, rows);
    ahead_.clear();
    aheadDirection_ = direction;
    aheadGeneration_ = file_->generation();
    if (rows.empty()) {
        noCurrent();
        place_ = direction > 0 ? Place::AfterLast : Place::BeforeFirst;
        (direction > 0 ? eof_ : bof_) = true;
        if (tableIsEmpty()) bof_ = eof_ = true;
        return;
    }
    for (size_t i = 1; i < rows.size(); ++i) ahead_.push_back(std::move(rows[i]));
    setCurrent(std::move(rows[0]));
}

void Recordset::moveToEnd(int direction)
{
    place_ = direction > 0 ? Place::BeforeFirst : Place::AfterLast;
    aheadDirection_ = 0;
    ahead_.clear();
    step(direction);
}

void Recordset::MoveFirst() { moveToEnd(1); }
void Recordset::MoveLast() { moveToEnd(-1); }

void Recordset::MoveNext()
{
    if (eof_) throw EngineError(EngineErrorCode::NoCurrentRecord);
    step(1);
}

void Recordset::MovePrevious()
{
    if (bof_) throw EngineError(EngineErrorCode::NoCurrentRecord);
    step(-1);
}

bool Recordset::tableIsEmpty()
{
    Statement stmt(
        file_->db(),
        file_->cached(QStringLiteral("SELECT 1 FROM %1 LIMIT 1").arg(quotedName(table_.name))));
    return !stmt.step();
}

void Recordset::Seek(const QVariant& key)
{
    if (type_ != RecordsetType::Table) throw EngineError(EngineErrorCode::NotSupported);
    if (keyField_ < 0) throw EngineError(EngineErrorCode::NoIndexSet);
    if (mode_ != EditMode::None) CancelUpdate();
    ahead_.clear();
    aheadDirection_ = 0;
    file_->lookForOtherWriters();

    QVariant value;
    try {
        FieldDef keyField = table_.fields[size_t(keyField_)];
        if (keyField.type == FieldType::Counter) keyField.type = FieldType::Integer;
        value = convertForField(keyField, key);
    } catch (const EngineError&) {
        value = QVariant();  // a value the key cannot hold ("abc" for a number) matches nothing
    }
    std::vector<Row> rows;
    if (!value.isNull()) fetchWhere(Where::KeyEquals, value, 0, 1, 1, rows);
    noMatch_ = rows.empty();
    if (noMatch_) noCurrent();
    else setCurrent(std::move(rows[0]));
}

bool Recordset::refreshCurrent()
{
    if (currentGeneration_ == file_->generation()) return true;
    const QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?1")
                            .arg(selectList_, quotedName(table_.name));
    Statement stmt(file_->db(), file_->cached(sql));
    stmt.bindInt64(1, current_.rowid);
    if (!stmt.step()) return false;
    current_ = readRow(stmt.get());
    currentGeneration_ = file_->generation();
    return true;
}

void Recordset::requireCurrent()
{
    if (!hasCurrent_) throw EngineError(EngineErrorCode::NoCurrentRecord);
    if (!refreshCurrent()) {
        hasCurrent_ = false;
        throw EngineError(EngineErrorCode::RecordDeleted);
    }
}

QVariant Recordset::value(int index)
{
    if (mode_ != EditMode::None) return pending_[size_t(index)];
    requireCurrent();
    return cellValue(current_, index);
}

std::optional<double> Recordset::number(int index)
{
    if (mode_ == EditMode::None) {
        requireCurrent();
        const Cell& cell = current_.cells[size_t(index)];
        if (table_.fields[size_t(index)].type == FieldType::Double) {
            // A stored number read straight; text goes through Value().
            if (cell.storage == SQLITE_NULL) return std::nullopt;
            if (cell.storage == SQLITE_FLOAT) return cell.number;
            if (cell.storage == SQLITE_INTEGER) return double(cell.whole);
        }
    }
    const QVariant v = value(index);
    if (!v.isValid() || v.isNull()) return std::nullopt;
    return v.toDouble();
}

std::optional<QByteArrayView> Recordset::storedText(int index)
{
    if (mode_ != EditMode::None) return std::nullopt;
    requireCurrent();
    const Cell& cell = current_.cells[size_t(index)];
    if (cell.storage != SQLITE_TEXT) return std::nullopt;
    return QByteArrayView(current_.text.data() + cell.text.offset, qsizetype(cell.text.size));
}

void Recordset::setPendingValue(int index, const QVariant& value)
{
    if (mode_ == EditMode::None) throw EngineError(EngineErrorCode::UpdateWithoutAddNew);
    pending_[size_t(index)] = convertForField(table_.fields[size_t(index)], value);
    touched_[size_t(index)] = true;
    operation_ = gCurrentOperation;
}

void Recordset::AddNew()
{
    if (mode_ != EditMode::None) CancelUpdate();
    pending_.assign(table_.fields.size(), QVariant());
    touched_.assign(table_.fields.size(), false);
    mode_ = EditMode::AddNew;
    operation_ = gCurrentOperation;
}

void Recordset::Edit()
{
    if (mode_ != EditMode::None) CancelUpdate();
    file_->lookForOtherWriters();
    requireCurrent();
    pending_.clear();
    for (int i = 0; i < fieldCount(); ++i) pending_.push_back(cellValue(current_, i));
    touched_.assign(table_.fields.size(), false);
    editRowid_ = current_.rowid;
    mode_ = EditMode::Edit;
    operation_ = gCurrentOperation;
}

void Recordset::CancelUpdate()
{
    if (mode_ == EditMode::None) throw EngineError(EngineErrorCode::UpdateWithoutAddNew);
    mode_ = EditMode::None;
    pending_.clear();
    touched_.clear();
}

void Recordset::rethrowWrite(const EngineError& error)
{
    if (error.code() != EngineErrorCode::DuplicateKey) throw error;
    QString index = table_.name;
    for (const IndexDef& def : table_.indexes)
        if (def.unique) {
            index = def.name;
            break;
        }
    throw EngineError(EngineErrorCode::DuplicateKey, index);
}

void Recordset::Update()
{
    if (mode_ == EditMode::None) throw EngineError(EngineErrorCode::UpdateWithoutAddNew);
    operation_ = gCurrentOperation;
    QStringList columns, params;
    std::vector<QVariant> values;
    for (size_t i = 0; i < table_.fields.size(); ++i) {
        if (!touched_[i]) continue;
        columns << quotedName(table_.fields[i].name);
        values.push_back(pending_[i]);
    }
    QString sql;
    if (mode_ == EditMode::AddNew) {
        for (size_t i = 0; i < values.size(); ++i) params << QStringLiteral("?%1").arg(i + 1);
        sql = values.empty()
                  ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quotedName(table_.name))
                  : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                        .arg(quotedName(table_.name), columns.join(u", "_s), params.join(u", "_s));
    } else {
        for (qsizetype i = 0; i < columns.size(); ++i)
            params << columns[i] + QStringLiteral(" = ?%1").arg(i + 1);
        if (params.isEmpty()) params << QStringLiteral("rowid = rowid");
        // One arg() call: a chained one would rewrite a "%1" standing in a name.
        sql = QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?%3")
                  .arg(quotedName(table_.name), params.join(u", "_s),
                       QString::number(values.size() + 1));
    }
    try {
        Statement stmt(file_->db(), file_->cached(sql));
        for (size_t i = 0; i < values.size(); ++i) stmt.bind(int(i) + 1, values[i]);
        if (mode_ == EditMode::Edit) stmt.bindInt64(int(values.size()) + 1, editRowid_);
        stmt.step();
    } catch (const EngineError& error) {
        rethrowWrite(error);
    }
    const bool edited = mode_ == EditMode::Edit;
    if (edited && sqlite3_changes(file_->db()) == 0) {
        CancelUpdate();
        throw EngineError(EngineErrorCode::RecordDeleted);
    }
    file_->bumpGeneration();
    mode_ = EditMode::None;
    pending_.clear();
    touched_.clear();
}

void Recordset::Delete()
{
    if (mode_ != EditMode::None) CancelUpdate();
    file_->lookForOtherWriters();
    requireCurrent();
    Statement stmt(
        file_->db(),
        file_->cached(
            QStringLiteral("DELETE FROM %1 WHERE rowid = ?1").arg(quotedName(table_.name))));
    stmt.bindInt64(1, current_.rowid);
    stmt.step();
    file_->bumpGeneration();
    noCurrent();
    ahead_.clear();
    if (tableIsEmpty()) bof_ = eof_ = true;
}
