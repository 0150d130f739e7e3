// The label queue of many articles at once (articles::queueLabelsFor, one label each, chosen
// by supplier) against the SQLite C API in the same run, on the same files:
//   insert  the raw library inserting the same label rows, already in memory, with one
//           prepared INSERT in one transaction (target <= 2);
//   read    the raw library reading the same articles and inserting their labels in one
//           transaction: the same work (shown, no target).
// Every iteration starts from an empty queue, emptied outside the timing. Both commit to disk,
// so elapsed time is compared.
//
//   bench_labels [--rows=20000] [google benchmark flags]

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QCoreApplication>
#include <QFile>
#include <cstdio>
#include <string>
#include <vector>

#include "articles/priceupdate.h"
#include "benchsupport.h"
#include "data/catalogue.h"
#include "data/connectionsettings.h"
#include "data/engine.h"
#include "tempstore.h"

using namespace Qt::StringLiterals;

namespace {

int gRows = 20000;
const char* const kChosen =
    "SELECT codigo, codbarra, descripcion, lis1 FROM articulos WHERE codp = '0001' ORDER BY codigo";
const char* const kInsert =
    "INSERT INTO articulos (codigo, codbarra, descripcion, neto1) VALUES (?1, ?2, ?3, ?4)";

// A raw connection with the store's settings, closed with the scope.
class RawFile {
public:
    explicit RawFile(const QString& fileName)
    {
        sqlite3_open_v2(QFile::encodeName(fixture::DataFolder::nativePath(fileName)).constData(),
                        &db, SQLITE_OPEN_READWRITE, nullptr);
        sqliteutil::configureConnection(db);
    }
    ~RawFile() { sqlite3_close_v2(db); }
    RawFile(const RawFile&) = delete;
    RawFile& operator=(const RawFile&) = delete;
    sqlite3* db = nullptr;
};

struct LabelRow {
    sqlite3_int64 codigo;
    std::string codbarra, descripcion;
    double lis1;
};

std::string column(sqlite3_stmt* stmt, int i)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
    return text ? std::string(text, size_t(sqlite3_column_bytes(stmt, i))) : std::string();
}

// Empties the queue, outside the timing.
void emptyQueue(benchmark::State& state, RawFile& labels)
{
    state.PauseTiming();
    sqlite3_exec(labels.db, "DELETE FROM articulos", nullptr, nullptr, nullptr);
    state.ResumeTiming();
}

void checkQueued(benchmark::State& state, RawFile& labels)
{
    sqlite3_stmt* count = nullptr;
    sqlite3_prepare_v2(labels.db, "SELECT count(*) FROM articulos", -1, &count, nullptr);
    sqlite3_step(count);
    if (sqlite3_column_int(count, 0) != gRows) state.SkipWithError("not every label was queued");
    sqlite3_finalize(count);
}

// Inserts `rows` through a prepared statement in one transaction.
void insertRaw(sqlite3* db, const std::vector<LabelRow>& rows)
{
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, kInsert, -1, &insert, nullptr);
    for (const LabelRow& row : rows) {
        sqlite3_bind_int64(insert, 1, row.codigo);
        sqlite3_bind_text(insert, 2, row.codbarra.c_str(), int(row.codbarra.size()), SQLITE_STATIC);
        sqlite3_bind_text(insert, 3, row.descripcion.c_str(), int(row.descripcion.size()),
                          SQLITE_STATIC);
        sqlite3_bind_double(insert, 4, row.lis1);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
}

std::vector<LabelRow> readRaw(sqlite3* db)
{
    std::vector<LabelRow> rows;
    sqlite3_stmt* select = nullptr;
    sqlite3_prepare_v2(db, kChosen, -1, &select, nullptr);
    while (sqlite3_step(select) == SQLITE_ROW)
        rows.push_back({sqlite3_column_int64(select, 0), column(select, 1), column(select, 2),
                        sqlite3_column_double(select, 3)});
    sqlite3_finalize(select);
    return rows;
}

void QueueOurs(benchmark::State& state)
{
    RawFile labels(u"Etiquetas.mdb"_s);
    const std::shared_ptr<Database> articulos = catalogue::open(u"Articulos.mdb"_s);
    const std::shared_ptr<Database> etiquetas = catalogue::open(u"Etiquetas.mdb"_s);
    articles::PriceSelection selection;
    selection.supplier = u"0001"_s;
    for (auto _ : state) {
        emptyQueue(state, labels);
        if (articles::queueLabelsFor(*articulos, *etiquetas, selection, 1) != gRows)
            state.SkipWithError("not every article was chosen");
    }
    checkQueued(state, labels);
}

void QueueInsert(benchmark::State& state)
{
    RawFile articulos(u"Articulos.mdb"_s), labels(u"Etiquetas.mdb"_s);
    const std::vector<LabelRow> rows = readRaw(articulos.db);
    for (auto _ : state) {
        emptyQueue(state, labels);
        insertRaw(labels.db, rows);
    }
    checkQueued(state, labels);
}

void QueueRead(benchmark::State& state)
{
    RawFile articulos(u"Articulos.mdb"_s), labels(u"Etiquetas.mdb"_s);
    for (auto _ : state) {
        emptyQueue(state, labels);
        insertRaw(labels.db, readRaw(articulos.db));
    }
    checkQueued(state, labels);
}

}  // namespace

int main(int argc, char* argv[])
{
    gRows = std::max(1, benchsupport::takeRows(argc, argv, gRows));
    QCoreApplication app(argc, argv);
    fixture::DataFolder folder;
    benchsupport::writeArticles(fixture::DataFolder::nativePath(u"Articulos.mdb"_s), gRows);
    folder.create(u"Etiquetas.mdb"_s);

    const int repetitions = 5;
    using Function = void (*)(benchmark::State&);
    for (auto [name, function] : {std::pair<const char*, Function>{"queue_ours", QueueOurs},
                                  {"queue_insert", QueueInsert},
                                  {"queue_read", QueueRead}})
        benchmark::RegisterBenchmark(name, function)
            ->Repetitions(repetitions)
            ->ReportAggregatesOnly(true)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    benchmark::Initialize(&argc, argv);
    benchsupport::MedianReporter reporter([](const std::string&) { return true; });
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const double ours = reporter.medians["queue_ours"];
    const double insert = reporter.medians["queue_insert"];
    const double read = reporter.medians["queue_read"];
    std::printf("\nLabel queue of %d articles / raw SQLite, median of %d repetitions (elapsed)\n",
                gRows, repetitions);
    const double vsInsert = insert > 0 ? ours / insert : 0, vsRead = read > 0 ? ours / read : 0;
    std::printf(
        "  vs raw INSERT          ratio %5.2f  (target <= 2.0)  ours %8.2f ms  raw %8.2f ms\n",
        vsInsert, ours, insert);
    std::printf(
        "  vs raw SELECT+INSERT   ratio %5.2f                   ours %8.2f ms  raw %8.2f ms\n",
        vsRead, ours, read);
    std::printf("%s\n", vsInsert <= 2.0 ? "target met" : "TARGET MISSED");
    return 0;
}
