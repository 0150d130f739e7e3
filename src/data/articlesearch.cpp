#include "articlesearch.h"

#include <sqlite3.h>

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "engine.h"
#include "filereplace.h"
#include "filestate.h"
#include "internal/fileconnection.h"
#include "internal/sqliteutil.h"
#include "paths.h"

using namespace Qt::StringLiterals;

using sqliteutil::Statement;

namespace articlesearch {

struct Connection {
    static sqlite3* of(const Database& db) { return db.file_->db(); }
};

namespace {

// The index's layout and fold; an index of another format is rebuilt.
constexpr int kFormat = 1;
// A search of three characters or more first reads the articles of the first codes: a text found
// in most articles fills the list from them, as fast as the plain reading (each row taken
// through the index costs a seek). When the text is rarer, the rest comes from the index; when
// it is that common, reading on is still the faster way.
constexpr qint64 kLeadingCodes = 1000;
constexpr qint64 kReadOnPercent = 15;
// Rows handed to a new index's filler at a time, between two reports of progress.
constexpr qint64 kBuildBatch = 50000;

// ---------------------------------------------------------------- the fold

// The fold of one character, by Qt's case mapping and canonical decomposition.
std::string foldedWithQt(char32_t c)
{
    const QString upper = QString::fromUcs4(&c, 1).toUpper();
    QString folded;
    for (QChar part : upper) {
        if (part == u'Ñ') {
            folded += part;
            continue;
        }
        for (QChar piece : QString(part).normalized(QString::NormalizationForm_D))
            if (piece.category() != QChar::Mark_NonSpacing) folded += piece;
    }
    return folded.toStdString();
}

// The folds of the Latin letters (below U+0250), worked out once: nearly every description
// folds from this table and ASCII alone.
constexpr char32_t kTabled = 0x250;
const std::array<std::string, kTabled>& latinFolds()
{
    static const std::array<std::string, kTabled> table = [] {
        std::array<std::string, kTabled> folds;
        for (char32_t c = 0x80; c < kTabled; ++c) folds[c] = foldedWithQt(c);
        return folds;
    }();
    return table;
}

// Folds UTF-8 text into `out`. Bytes that are not UTF-8 are kept as they are.
void foldUtf8(std::string_view text, std::string& out)
{
    out.clear();
    out.reserve(text.size());
    const auto& table = latinFolds();
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            out += char(lead >= 'a' && lead <= 'z' ? lead - 32 : lead);
            ++i;
            continue;
        }
        const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        char32_t c = lead & (0x7F >> length);
        bool valid = length > 1 && i + length <= text.size();
        for (size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            c = c << 6 | (next & 0x3F);
        }
        if (!valid) {
            out += text[i];
            ++i;
            continue;
        }
        if (c < kTabled) out += table[c];
        else if (c < 0x10000) out += foldedWithQt(c);
        else out.append(text.substr(i, length));
        i += length;
    }
}

size_t characterCount(std::string_view utf8)
{
    size_t count = 0;
    for (char byte : utf8) count += (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
    return count;
}

// ---------------------------------------------------------------- the checksum

// An article's share of the checksum: its code and stored description (Null apart from empty).
// The shares are summed modulo 2^64, so a row's share is added or taken away on its own.
quint64 shareOf(qint64 rowid, const unsigned char* text, int bytes, bool null)
{
    quint64 hash = 14695981039346656037ull;  // FNV-1a
    for (int i = 0; i < bytes; ++i) hash = (hash ^ text[i]) * 1099511628211ull;
    if (null) hash ^= 0x9E3779B97F4A7C15ull;
    quint64 z = hash ^ (quint64(rowid) * 0xBF58476D1CE4E5B9ull);  // splitmix64's finish
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

quint64 shareOf(sqlite3_value* rowid, sqlite3_value* text)
{
    const bool null = sqlite3_value_type(text) == SQLITE_NULL;
    const unsigned char* bytes = null ? nullptr : sqlite3_value_text(text);
    return shareOf(sqlite3_value_int64(rowid), bytes, null ? 0 : sqlite3_value_bytes(text), null);
}

std::string_view textOf(sqlite3_value* value)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
    return text ? std::string_view(text, size_t(sqlite3_value_bytes(value))) : std::string_view();
}

// ---------------------------------------------------------------- SQL functions

// busqueda_plegar(text): the folded text; Null stays Null.
void sqlFold(sqlite3_context* context, int, sqlite3_value** args)
{
    if (sqlite3_value_type(args[0]) == SQLITE_NULL) return sqlite3_result_null(context);
    std::string folded;
    foldUtf8(textOf(args[0]), folded);
    sqlite3_result_text(context, folded.data(), int(folded.size()), SQLITE_TRANSIENT);
}

// busqueda_contiene(text, folded): whether the folded text holds `folded`, already folded.
void sqlContains(sqlite3_context* context, int, sqlite3_value** args)
{
    if (sqlite3_value_type(args[0]) == SQLITE_NULL) return sqlite3_result_int(context, 0);
    const std::string_view text = textOf(args[0]);
    const std::string_view wanted = textOf(args[1]);
    // Found as it is stored, it is found folded: UTF-8 matches whole characters, and each
    // character of a folded text folds to itself.
    if (text.find(wanted) != std::string_view::npos) return sqlite3_result_int(context, 1);
    // Most descriptions are typed in upper case without accents: already folded.
    const bool folds = std::any_of(text.begin(), text.end(), [](char byte) {
        return (byte >= 'a' && byte <= 'z') || static_cast<unsigned char>(byte) >= 0x80;
    });
    if (!folds) return sqlite3_result_int(context, 0);
    thread_local std::string folded;
    foldUtf8(text, folded);
    sqlite3_result_int(context, folded.find(wanted) != std::string::npos);
}

// busqueda_mas(sum, rowid, text) and busqueda_menos(...): the checksum with one row's share
// added or taken away.
void sqlAdd(sqlite3_context* context, int, sqlite3_value** args)
{
    sqlite3_result_int64(context,
                         qint64(quint64(sqlite3_value_int64(args[0])) + shareOf(args[1], args[2])));
}

void sqlSubtract(sqlite3_context* context, int, sqlite3_value** args)
{
    sqlite3_result_int64(context,
                         qint64(quint64(sqlite3_value_int64(args[0])) - shareOf(args[1], args[2])));
}

// ---------------------------------------------------------------- the connection

const char* const kAlias = "busqueda";

bool isAttached(sqlite3* db) { return sqlite3_db_filename(db, kAlias) != nullptr; }

QString mainPath(sqlite3* db) { return QString::fromUtf8(sqlite3_db_filename(db, "main")); }

qint64 wholeValue(sqlite3* db, const QString& sql)
{
    Statement stmt(db, sql);
    return stmt.step() ? sqlite3_column_int64(stmt.get(), 0) : 0;
}

// The connections whose functions are registered. A connection leaves the set as it closes:
// SQLite then destroys the data of its functions, and busqueda_contiene's data is the connection.
std::mutex preparedMutex;
std::set<sqlite3*> preparedConnections;

void forgetConnection(void* db)
{
    const std::lock_guard lock(preparedMutex);
    preparedConnections.erase(static_cast<sqlite3*>(db));
}

// Registers the functions once per connection, with the temporary table that keeps the article
// file's data_version at the moment the index was last found to match: while it stays the same,
// every commit to the file since was this connection's own, made with the triggers in place.
void prepareConnection(sqlite3* db)
{
    {
        const std::lock_guard lock(preparedMutex);
        if (preparedConnections.count(db)) return;
    }
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function_v2(db, "busqueda_plegar", 1, flags, nullptr, sqlFold, nullptr, nullptr,
                               nullptr);
    sqlite3_create_function_v2(db, "busqueda_mas", 3, flags, nullptr, sqlAdd, nullptr, nullptr,
                               nullptr);
    sqlite3_create_function_v2(db, "busqueda_menos", 3, flags, nullptr, sqlSubtract, nullptr,
                               nullptr, nullptr);
    sqliteutil::exec(db, u"CREATE TEMP TABLE IF NOT EXISTS busqueda_vista (version INTEGER)"_s);
    // Last: the connection counts as prepared once this is in place.
    if (sqlite3_create_function_v2(db, "busqueda_contiene", 2, flags, db, sqlContains, nullptr,
                                   nullptr, forgetConnection) != SQLITE_OK)
        sqliteutil::throwError(db, sqlite3_extended_errcode(db), u"busqueda_contiene"_s);
    const std::lock_guard lock(preparedMutex);
    preparedConnections.insert(db);
}

qint64 dataVersion(sqlite3* db) { return wholeValue(db, u"PRAGMA main.data_version"_s); }

// Whether the index matched the file when it was last looked at and nothing but this connection
// has written the file since. Asked through one of the connection's kept statements: a search
// asks it each time.
bool inStep(Database& articulos)
{
    return isAttached(Connection::of(articulos)) &&
           articulos
               .Select(
                   u"SELECT version = (SELECT data_version FROM pragma_data_version) FROM "
                   u"temp.busqueda_vista"_s)
               .value(0)
               .value(0)
               .toBool();
}

void markInStep(sqlite3* db, qint64 version)
{
    Statement mark(db, u"INSERT INTO temp.busqueda_vista (version) VALUES (?1)"_s);
    sqliteutil::exec(db, u"DELETE FROM temp.busqueda_vista"_s);
    mark.bindInt64(1, version);
    mark.step();
}

// The triggers that keep the attached index in step with the table, in the same transaction as
// each write. Temporary triggers may write another attached file; the index's tables are named
// without their file, as a trigger must, with names no store file uses.
const QString kTriggers =
    uR"(
CREATE TEMP TRIGGER busqueda_alta AFTER INSERT ON main.articulos BEGIN
  INSERT INTO busqueda_articulos (rowid, texto)
    VALUES (new.rowid, busqueda_plegar(new.descripcion));
  UPDATE busqueda_estado SET suma = busqueda_mas(suma, new.rowid, new.descripcion);
END;
CREATE TEMP TRIGGER busqueda_baja AFTER DELETE ON main.articulos BEGIN
  INSERT INTO busqueda_articulos (busqueda_articulos, rowid, texto)
    VALUES ('delete', old.rowid, busqueda_plegar(old.descripcion));
  UPDATE busqueda_estado SET suma = busqueda_menos(suma, old.rowid, old.descripcion);
END;
CREATE TEMP TRIGGER busqueda_cambio AFTER UPDATE OF codigo, descripcion ON main.articulos
WHEN old.rowid <> new.rowid OR old.descripcion IS NOT new.descripcion COLLATE BINARY BEGIN
  INSERT INTO busqueda_articulos (busqueda_articulos, rowid, texto)
    VALUES ('delete', old.rowid, busqueda_plegar(old.descripcion));
  INSERT INTO busqueda_articulos (rowid, texto)
    VALUES (new.rowid, busqueda_plegar(new.descripcion));
  UPDATE busqueda_estado SET suma = busqueda_mas(busqueda_menos(suma, old.rowid, old.descripcion),
                                                 new.rowid, new.descripcion);
END;)"_s;

void detachIndex(sqlite3* db)
{
    if (!isAttached(db)) return;
    sqliteutil::exec(
        db,
        u"DROP TRIGGER IF EXISTS temp.busqueda_alta; DROP TRIGGER IF EXISTS temp.busqueda_baja; "
        u"DROP TRIGGER IF EXISTS temp.busqueda_cambio; DETACH DATABASE busqueda"_s);
}

// Attaches the index file at `path` with its triggers; false, with nothing attached, when the
// file is not an index of this format.
bool attachIndex(sqlite3* db, const QString& path)
{
    try {
        Statement attach(db, u"ATTACH DATABASE ?1 AS busqueda"_s);
        attach.bindText(1, path);
        attach.step();
        // The index is made again from the table whenever it does not match, so it needs no
        // journal on disk nor waits for the disk: a save writes the article file as it would
        // without it, and a crash halfway leaves an index that no longer matches.
        sqliteutil::exec(db,
                         u"PRAGMA busqueda.journal_mode=MEMORY; PRAGMA busqueda.synchronous=OFF"_s);
        const bool ours =
            wholeValue(db, u"SELECT formato FROM busqueda.busqueda_estado"_s) == kFormat;
        // Reads the full-text table's own settings, which a damaged file fails.
        wholeValue(db, u"SELECT count(*) FROM busqueda.busqueda_articulos_config"_s);
        if (!ours) throw EngineError(EngineErrorCode::NotOurFormat, path);
        sqliteutil::exec(db, kTriggers);
    } catch (const EngineError&) {
        detachIndex(db);
        return false;
    }
    return true;
}

// The checksum of the table as it stands.
quint64 tableChecksum(sqlite3* db)
{
    Statement rows(db, u"SELECT rowid, descripcion FROM main.articulos"_s);
    quint64 sum = 0;
    while (rows.step()) {
        sqlite3_stmt* row = rows.get();
        const bool null = sqlite3_column_type(row, 1) == SQLITE_NULL;
        const unsigned char* text = null ? nullptr : sqlite3_column_text(row, 1);
        sum += shareOf(sqlite3_column_int64(row, 0), text, null ? 0 : sqlite3_column_bytes(row, 1),
                       null);
    }
    return sum;
}

// Whether the attached index matches the table: the file's committed state is the one recorded,
// or else the checksum agrees (the state is then recorded for the next look). Marks the
// connection in step when it does.
bool matches(sqlite3* db)
{
    QString state;
    qint64 version = 0;
    {
        // The read keeps every writer out while the state and the rows are read.
        sqliteutil::Transaction reading(db);
        wholeValue(db, u"SELECT count(*) FROM main.sqlite_master"_s);
        version = dataVersion(db);
        state = filestate::committedState(mainPath(db));
        Statement recorded(db, u"SELECT suma, articulos FROM busqueda.busqueda_estado"_s);
        if (!recorded.step()) return false;
        const bool sameState = !state.isEmpty() && recorded.columnText(1) == state;
        if (!sameState && quint64(sqlite3_column_int64(recorded.get(), 0)) != tableChecksum(db))
            return false;
    }
    Statement record(db, u"UPDATE busqueda.busqueda_estado SET articulos = ?1"_s);
    record.bindText(1, state);
    record.step();
    markInStep(db, version);
    return true;
}

// A new index file at `path`, filled on a thread of its own while the caller reads and folds the
// articles: the full-text table's own work (cutting trigrams, merging its lists), most of a
// build, runs beside the reading. At most a few batches wait between the two, so memory stays
// flat whatever the size of the table.
class IndexFiller {
public:
    // One batch of rows: each row's code and its folded text (none for a Null description),
    // the texts one after another in `texts`.
    struct Batch {
        struct Row {
            qint64 rowid;
            qsizetype at, length;  // length -1: Null
        };
        std::vector<Row> rows;
        std::string texts;
    };

    // Creates the file with the index's tables and starts the thread. Throws EngineError.
    explicit IndexFiller(const QString& path) : path_(path)
    {
        // Not opened as a store file (sqliteutil::openStoreFile): the index is no store file. It
        // keeps no journal and asks for no durability, since a crash only leaves it to be
        // rebuilt, and it holds a virtual table, which the store's files refuse.
        const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db_,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        try {
            if (rc != SQLITE_OK) throw EngineError(EngineErrorCode::CannotOpenFile, path);
            sqlite3_extended_result_codes(db_, 1);
            // detail=none keeps rowids only: half the size and time of positions. The search
            // then asks for every trigram of the text and checks the rows found for the text
            // itself. During the build FTS5 gathers up to 16 MB of rows before it writes them
            // (1 MB by default), so it writes fewer and larger segments and merges far less.
            sqliteutil::exec(db_,
                             uR"(
PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;
CREATE VIRTUAL TABLE busqueda_articulos USING fts5(texto,
  tokenize = 'trigram case_sensitive 1', detail = none, columnsize = 0, content = '');
CREATE TABLE busqueda_estado (formato INTEGER, suma INTEGER, articulos TEXT);
BEGIN;
INSERT INTO busqueda_articulos (busqueda_articulos, rank) VALUES ('hashsize', 16777216);)"_s);
            thread_ = std::thread([this] { fill(); });
        } catch (...) {
            sqlite3_close_v2(db_);
            throw;
        }
    }

    ~IndexFiller()
    {
        stop();
        sqlite3_close_v2(db_);
    }
    IndexFiller(const IndexFiller&) = delete;
    IndexFiller& operator=(const IndexFiller&) = delete;

    // Hands a batch to the thread, waiting while enough are queued. Throws the thread's error
    // once it has failed.
    void add(Batch&& batch)
    {
        std::unique_lock lock(mutex_);
        taken_.wait(lock, [&] { return queued_.size() < kQueued || failure_; });
        if (failure_) std::rethrow_exception(failure_);
        queued_.push_back(std::move(batch));
        added_.notify_one();
    }

    // Rows written so far.
    qint64 written() const { return written_; }

    // Waits for every row handed over, records the table's checksum and committed state, and
    // closes the file. Throws EngineError.
    void finish(quint64 checksum, const QString& state)
    {
        stop();
        if (failure_) std::rethrow_exception(failure_);
        // One segment, as merges would leave it in time, so that the saves' small segments merge
        // among themselves and not into a copy of the whole index; and FTS5's own 1 MB of
        // pending rows again for the saves.
        sqliteutil::exec(db_,
                         uR"(
INSERT INTO busqueda_articulos (busqueda_articulos) VALUES ('optimize');
INSERT INTO busqueda_articulos (busqueda_articulos, rank) VALUES ('hashsize', 1048576);)"_s);
        {
            Statement record(db_, u"INSERT INTO busqueda_estado VALUES (?1, ?2, ?3)"_s);
            record.bindInt64(1, kFormat);
            record.bindInt64(2, qint64(checksum));
            record.bindText(3, state);
            record.step();
        }
        sqliteutil::exec(db_, u"COMMIT"_s);
        const int rc = sqlite3_close(std::exchange(db_, nullptr));
        if (rc != SQLITE_OK) throw EngineError(EngineErrorCode::IoError, path_);
    }

private:
    static constexpr size_t kQueued = 3;

    void fill()
    {
        try {
            Statement insert(db_,
                             u"INSERT INTO busqueda_articulos (rowid, texto) VALUES (?1, ?2)"_s);
            sqlite3_stmt* statement = insert.get();
            for (;;) {
                Batch batch;
                {
                    std::unique_lock lock(mutex_);
                    added_.wait(lock, [&] { return !queued_.empty() || closed_; });
                    if (queued_.empty()) return;
                    batch = std::move(queued_.front());
                    queued_.pop_front();
                    taken_.notify_one();
                }
                for (const Batch::Row& row : batch.rows) {
                    sqlite3_bind_int64(statement, 1, row.rowid);
                    if (row.length < 0) sqlite3_bind_null(statement, 2);
                    else
                        sqlite3_bind_text(statement, 2, batch.texts.data() + row.at,
                                          int(row.length), SQLITE_STATIC);
                    const int rc = sqlite3_step(statement);
                    sqlite3_reset(statement);
                    if (rc != SQLITE_DONE) sqliteutil::throwError(db_, rc, path_);
                }
                written_ += qint64(batch.rows.size());
            }
        } catch (...) {
            const std::lock_guard lock(mutex_);
            failure_ = std::current_exception();
            taken_.notify_all();
        }
    }

    // Lets the thread end once the queue is empty, and waits for it.
    void stop()
    {
        {
            const std::lock_guard lock(mutex_);
            closed_ = true;
            added_.notify_one();
        }
        if (thread_.joinable()) thread_.join();
    }

    QString path_;
    sqlite3* db_ = nullptr;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable added_, taken_;
    std::deque<Batch> queued_;
    bool closed_ = false;
    std::exception_ptr failure_;
    std::atomic<qint64> written_{0};
};

// Writes a new index of the table under a temporary name, then puts it in place of the old one
// and attaches it.
void rebuild(sqlite3* db, const QString& path, const Progress& progress)
{
    detachIndex(db);
    const QString temporary = filereplace::temporaryFor(path);
    qint64 version = 0;
    try {
        IndexFiller filler(temporary);
        // The read keeps every writer out until the checksum and the state are recorded.
        sqliteutil::Transaction reading(db);
        version = dataVersion(db);
        const qint64 total = wholeValue(db, u"SELECT count(*) FROM main.articulos"_s);
        if (progress) progress(0, total);
        Statement rows(db, u"SELECT rowid, descripcion FROM main.articulos"_s);
        sqlite3_stmt* row = rows.get();
        quint64 checksum = 0;
        IndexFiller::Batch batch;
        std::string folded;
        auto handOver = [&] {
            filler.add(std::move(batch));
            batch = {};
            if (progress) progress(filler.written(), total);
        };
        while (rows.step()) {
            const qint64 rowid = sqlite3_column_int64(row, 0);
            const bool null = sqlite3_column_type(row, 1) == SQLITE_NULL;
            const unsigned char* text = null ? nullptr : sqlite3_column_text(row, 1);
            const int bytes = null ? 0 : sqlite3_column_bytes(row, 1);
            checksum += shareOf(rowid, text, bytes, null);
            if (null) {
                batch.rows.push_back({rowid, 0, -1});
            } else {
                foldUtf8({reinterpret_cast<const char*>(text), size_t(bytes)}, folded);
                batch.rows.push_back(
                    {rowid, qsizetype(batch.texts.size()), qsizetype(folded.size())});
                batch.texts += folded;
            }
            if (qint64(batch.rows.size()) == kBuildBatch) handOver();
        }
        if (!batch.rows.empty()) handOver();
        filler.finish(checksum, filestate::committedState(mainPath(db)));
        if (progress && total > 0) progress(total, total);
        reading.commit();
    } catch (...) {
        filereplace::discard(temporary);
        throw;
    }
    filereplace::putInPlace(temporary, path, filereplace::Mode::Replace);
    if (!attachIndex(db, path)) throw EngineError(EngineErrorCode::NotOurFormat, path);
    markInStep(db, version);
}

// "AZU" AND "ZUC" AND ...: every trigram of the folded text, as FTS5 strings.
QString trigramQuery(const QString& folded)
{
    const QList<uint> characters = folded.toUcs4();
    QStringList terms;
    for (qsizetype i = 0; i + 3 <= characters.size(); ++i) {
        QString term =
            QString::fromUcs4(reinterpret_cast<const char32_t*>(characters.constData() + i), 3);
        term.replace(u'"', u"\"\""_s);
        term = u'"' + term + u'"';
        if (!terms.contains(term)) terms << term;
    }
    return terms.join(u" AND "_s);
}

}  // namespace

QString fold(QStringView text)
{
    const QByteArray utf8 = text.toUtf8();
    std::string folded;
    foldUtf8(std::string_view(utf8.constData(), size_t(utf8.size())), folded);
    return QString::fromStdString(folded);
}

QString indexPath()
{
    const QFileInfo articles(paths::toNative(paths::inBases(u"Articulos.mdb"_s)));
    return articles.absolutePath() + u"/.Articulos.busqueda"_s;
}

void attachIfPresent(Database& articulos)
{
    sqlite3* db = Connection::of(articulos);
    try {
        prepareConnection(db);
        // An attach needs a connection outside any transaction; prepare() tries again later.
        if (isAttached(db) || !sqlite3_get_autocommit(db) || !QFileInfo::exists(indexPath()))
            return;
        attachIndex(db, indexPath());
    } catch (const EngineError&) {
        // The search then reads the table until prepare() rebuilds the index.
    }
}

bool prepare(Database& articulos, const Progress& progress)
{
    sqlite3* db = Connection::of(articulos);
    prepareConnection(db);
    if (!sqlite3_get_autocommit(db)) return false;
    const QString path = indexPath();
    if (!isAttached(db) && QFileInfo::exists(path)) attachIndex(db, path);
    if (inStep(articulos)) {
        // Every commit since the last look was made here, with the triggers: the index still
        // matches. The file's state is recorded for the next start of the program.
        const QString state = filestate::committedState(mainPath(db));
        Statement record(
            db, u"UPDATE busqueda.busqueda_estado SET articulos = ?1 WHERE articulos IS NOT ?1"_s);
        record.bindText(1, state);
        record.step();
        return true;
    }
    if (isAttached(db) && matches(db)) return true;
    rebuild(db, path, progress);
    return false;
}

QList<QVariantList> find(Database& articulos, const QString& text, const QStringList& columns,
                         int limit)
{
    if (text.isEmpty())
        return articulos.FindContaining(u"articulos"_s, u"descripcion"_s, text, columns, limit);
    sqlite3* db = Connection::of(articulos);
    prepareConnection(db);
    const QString folded = fold(text);
    QStringList quoted;
    for (const QString& column : columns) quoted << u"a."_s + quotedName(column);
    const QString select = u"SELECT "_s + quoted.join(u", "_s);
    const QString found =
        u"busqueda_contiene(a.descripcion, ?1) AND a.descripcion <> '' COLLATE BINARY"_s;
    if (characterCount(folded.toStdString()) < 3)
        return articulos.Select(
            select + u" FROM articulos a WHERE "_s + found + u" ORDER BY a.rowid LIMIT ?2"_s,
            {folded, limit});
    const QString leading = u" a.rowid < (SELECT min(rowid) FROM articulos) + ?3 AND "_s;
    const QString rest = u" a.rowid >= (SELECT min(rowid) FROM articulos) + ?3 AND "_s;
    QList<QVariantList> rows = articulos.Select(
        select + u" FROM articulos a WHERE"_s + leading + found + u" ORDER BY a.rowid LIMIT ?2"_s,
        {folded, limit, kLeadingCodes});
    if (rows.size() >= limit) return rows;
    // Whether the index matches is asked only now: a word found often enough among the first
    // codes is read on without it.
    if (rows.size() * 100 >= kLeadingCodes * kReadOnPercent || !inStep(articulos))
        rows += articulos.Select(
            select + u" FROM articulos a WHERE"_s + rest + found + u" ORDER BY a.rowid LIMIT ?2"_s,
            {folded, limit - rows.size(), kLeadingCodes});
    else
        rows += articulos.Select(
            select +
                u" FROM busqueda_articulos b JOIN articulos a ON a.rowid = b.rowid "
                u"WHERE b.busqueda_articulos MATCH ?4 AND"_s +
                rest + found + u" ORDER BY b.rowid LIMIT ?2"_s,
            {folded, limit - rows.size(), kLeadingCodes, trigramQuery(folded)});
    return rows;
}

}  // namespace articlesearch
