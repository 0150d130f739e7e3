// The engine against the raw SQLite C API doing the same work on the same file, with the same
// durability settings and collation. Prints each figure as the median ratio ours / raw.
//
//   bench_engine [--rows=200000] [google benchmark flags]

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QCoreApplication>
#include <QFile>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>

#include "benchsupport.h"
#include "data/catalogue.h"
#include "data/connectionsettings.h"
#include "data/engine.h"
#include "tempstore.h"

using namespace Qt::StringLiterals;

namespace {

int gRows = 200000;
std::shared_ptr<Database> gDb;
sqlite3* gRaw = nullptr;
const QString kSearch = u"LECHE"_s;

using benchsupport::barcodeOf;

sqlite3* openRaw(const QString& path)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqliteutil::configureConnection(db);
    return db;
}

// ------------------------------------------------------------------ Seek

void SeekOurs(benchmark::State& state, const char* index, bool text)
{
    auto rs = gDb->OpenRecordset(u"articulos"_s);
    rs->setIndex(QString::fromLatin1(index));
    std::mt19937 random(1);
    for (auto _ : state) {
        const int i = int(random() % unsigned(gRows));
        const QVariant key =
            text ? QVariant(QString::fromStdString(barcodeOf(i))) : QVariant(i + 1);
        rs->Seek(key);
        benchmark::DoNotOptimize(rs->Fields(u"descripcion"_s).Value());
    }
}

void SeekRaw(benchmark::State& state, const char* index, bool text)
{
    const std::string sql = std::string("SELECT * FROM articulos WHERE ") + index +
                            " = ?1 ORDER BY " + index + ", rowid LIMIT 1";
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v3(gRaw, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
    std::mt19937 random(1);
    for (auto _ : state) {
        const int i = int(random() % unsigned(gRows));
        if (text) {
            const std::string key = barcodeOf(i);
            sqlite3_bind_text(stmt, 1, key.c_str(), int(key.size()), SQLITE_TRANSIENT);
        } else {
            sqlite3_bind_int(stmt, 1, i + 1);
        }
        if (sqlite3_step(stmt) == SQLITE_ROW)
            benchmark::DoNotOptimize(
                QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1))));
        sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
}

// ------------------------------------------------------------------ Walk

void WalkOurs(benchmark::State& state)
{
    for (auto _ : state) {
        auto rs = gDb->OpenRecordset(u"articulos"_s);
        rs->setIndex(u"codigo"_s);
        int n = 0;
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
            benchmark::DoNotOptimize(rs->Fields(u"descripcion"_s).Value());
            ++n;
        }
        if (n != gRows) state.SkipWithError("walk missed records");
    }
}

void WalkRaw(benchmark::State& state)
{
    for (auto _ : state) {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(gRaw, "SELECT * FROM articulos ORDER BY codigo", -1, &stmt, nullptr);
        while (sqlite3_step(stmt) == SQLITE_ROW)
            benchmark::DoNotOptimize(
                QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1))));
        sqlite3_finalize(stmt);
    }
}

// ------------------------------------------------------------------ AddNew

void AddNewOurs(benchmark::State& state)
{
    auto rs = gDb->OpenRecordset(u"articulos"_s);
    const char* numbers[] = {"net", "iva",  "cos",  "dep1", "dep2", "dep3", "dept", "min",
                             "ped", "rec1", "rec2", "rec3", "lis1", "lis2", "lis3"};
    const char* texts[] = {"descripcion", "codbarra", "codp", "desp", "codm",
                           "desm",        "codr",     "desr", "uni"};
    for (auto _ : state) {
        rs->AddNew();
        for (const char* f : texts) rs->Fields(QString::fromLatin1(f)).setValue(u"NUEVO"_s);
        for (const char* f : numbers) rs->Fields(QString::fromLatin1(f)).setValue(u"12,5"_s);
        rs->Fields(u"fea"_s).setValue(QDate(2026, 12, 10));
        rs->Update();
    }
}

void AddNewRaw(benchmark::State& state)
{
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(
        gRaw,
        "INSERT INTO articulos (descripcion, codbarra, codp, desp, codm, desm, codr, desr, uni, "
        "net, iva, cos, dep1, dep2, dep3, dept, min, ped, rec1, rec2, rec3, lis1, lis2, lis3, fea) "
        "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16, ?17, ?18, "
        "?19, ?20, ?21, ?22, ?23, ?24, ?25)",
        -1, &stmt, nullptr);
    for (auto _ : state) {
        for (int i = 1; i <= 9; ++i) sqlite3_bind_text(stmt, i, "NUEVO", -1, SQLITE_STATIC);
        for (int i = 10; i <= 24; ++i) sqlite3_bind_double(stmt, i, 12.5);
        sqlite3_bind_text(stmt, 25, "2026-12-10 00:00:00", -1, SQLITE_STATIC);
        sqlite3_step(stmt);
        sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
}

// ------------------------------------------------------------------ Substring scan

const char* kScanSql =
    "SELECT codigo, descripcion, codbarra, lis1 FROM articulos WHERE instr(descripcion, ?1) > 0 "
    "ORDER BY rowid LIMIT 999";

void ScanOurs(benchmark::State& state)
{
    const QString sql = QString::fromLatin1(kScanSql);
    for (auto _ : state) benchmark::DoNotOptimize(gDb->Select(sql, {kSearch}));
}

void ScanRaw(benchmark::State& state)
{
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v3(gRaw, kScanSql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
    for (auto _ : state) {
        sqlite3_bind_text(stmt, 1, "LECHE", -1, SQLITE_STATIC);
        QList<QVariantList> rows;
        while (sqlite3_step(stmt) == SQLITE_ROW)
            rows.push_back(
                {QVariant(qint64(sqlite3_column_int64(stmt, 0))),
                 QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1))),
                 QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 2))),
                 QVariant(sqlite3_column_double(stmt, 3))});
        benchmark::DoNotOptimize(rows);
        sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
}

long residentPeakKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

}  // namespace

int main(int argc, char* argv[])
{
    gRows = benchsupport::takeRows(argc, argv, gRows);
    QCoreApplication app(argc, argv);
    fixture::DataFolder folder;
    const QString path = fixture::DataFolder::nativePath(u"Articulos.mdb"_s);
    benchsupport::writeArticles(path, gRows);
    gDb = catalogue::open(u"Articulos.mdb"_s);
    gRaw = openRaw(path);

    // Peak memory of a whole walk, measured before anything else grows the process.
    std::ofstream("/proc/self/clear_refs") << "5";
    {
        auto rs = gDb->OpenRecordset(u"articulos"_s);
        rs->setIndex(u"codigo"_s);
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) rs->Fields(u"descripcion"_s).Value();
    }
    const long walkPeakKb = residentPeakKb();

    const int repetitions = 5;
    auto pair = [&](const char* name, auto ours, auto raw, int iterations = 0) {
        auto* a = benchmark::RegisterBenchmark((std::string(name) + "_ours").c_str(), ours);
        auto* b = benchmark::RegisterBenchmark((std::string(name) + "_raw").c_str(), raw);
        for (auto* bm : {a, b}) {
            bm->Repetitions(repetitions)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);
            if (iterations) bm->Iterations(iterations);
        }
    };
    pair(
        "seek_codigo", [](benchmark::State& s) { SeekOurs(s, "codigo", false); },
        [](benchmark::State& s) { SeekRaw(s, "codigo", false); });
    pair(
        "seek_codbarra", [](benchmark::State& s) { SeekOurs(s, "codbarra", true); },
        [](benchmark::State& s) { SeekRaw(s, "codbarra", true); });
    pair("walk_codigo", WalkOurs, WalkRaw, 1);
    pair("addnew_update", AddNewOurs, AddNewRaw, gRows >= 100000 ? 100 : 5);
    pair("substring_scan", ScanOurs, ScanRaw);

    benchmark::Initialize(&argc, argv);
    // Compute-bound pairs compare processor time, which other work on the machine does not
    // stretch; the store pair waits on the disk's sync, so it compares elapsed time.
    benchsupport::MedianReporter reporter(
        [](const std::string& name) { return name.rfind("addnew", 0) == 0; });
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const std::pair<const char*, double> targets[] = {{"seek_codigo", 2.0},
                                                      {"seek_codbarra", 2.0},
                                                      {"walk_codigo", 4.0},
                                                      {"addnew_update", 1.3},
                                                      {"substring_scan", 1.3}};
    std::printf("\nEngine / raw SQLite, median of %d repetitions, %d articles\n", repetitions,
                gRows);
    bool met = true;
    for (const auto& [name, target] : targets) {
        const double ours = reporter.medians[std::string(name) + "_ours"];
        const double raw = reporter.medians[std::string(name) + "_raw"];
        const double ratio = raw > 0 ? ours / raw : 0;
        met = met && ratio <= target;
        std::printf("  %-16s ratio %5.2f  (target <= %.1f)  ours %10.2f us  raw %10.2f us\n", name,
                    ratio, target, ours, raw);
    }
    std::printf("  walk peak memory %.1f MB resident (target <= 40)\n", double(walkPeakKb) / 1024);
    met = met && walkPeakKb <= 40 * 1024;
    std::printf("%s\n", met ? "all targets met" : "SOME TARGETS MISSED");
    sqlite3_close(gRaw);
    gDb.reset();
    return 0;
}
