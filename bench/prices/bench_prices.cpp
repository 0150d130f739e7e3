// The bulk price change against SQLite doing the same work on the same file, in the same run.
// Prints each figure as the median ratio ours / raw, with both times:
//   apply    storing +8 % on the cost of every article, list prices rounded to 10 pesos, with
//            the price history (Aplicar after the review), against one UPDATE computing the same
//            values in SQL (target <= 2);
//   review   the review of 20,000 articles (a code range) that the grid shows, against the raw
//            SELECT of the same rows and columns (target <= 2).
//
//   bench_prices [--rows=200000] [google benchmark flags]

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

#include "articles/priceupdate.h"
#include "benchsupport.h"
#include "data/catalogue.h"
#include "data/engine.h"
#include "tempstore.h"

using namespace Qt::StringLiterals;

namespace {

int gRows = 200000;
int gReviewed = 20000;
QString gPristine;  // the generated article file, copied into place before each apply

QString articlesPath() { return fixture::DataFolder::nativePath(u"Articulos.mdb"_s); }

// Puts the generated articles back and forgets the history, outside the timing.
void freshStore()
{
    QFile::remove(articlesPath());
    QFile::remove(fixture::DataFolder::nativePath(u"Precios.mdb"_s));
    QFile::copy(gPristine, articlesPath());
}

articles::PriceChange rise()
{
    articles::PriceChange change;
    change.value = 8;
    change.stepCents = 1000;
    return change;
}

void ApplyOurs(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        freshStore();
        const articles::PriceReview review =
            articles::reviewPriceChange(*catalogue::open(u"Articulos.mdb"_s), {}, rise());
        state.ResumeTiming();
        benchmark::DoNotOptimize(articles::applyPriceChange(review, u"BENCH"_s, false));
    }
}

void ApplyRaw(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        freshStore();
        sqlite3* db = nullptr;
        sqlite3_open_v2(QFile::encodeName(articlesPath()).constData(), &db, SQLITE_OPEN_READWRITE,
                        nullptr);
        sqlite3_exec(db, "PRAGMA journal_mode=DELETE; PRAGMA synchronous=EXTRA;", nullptr, nullptr,
                     nullptr);
        state.ResumeTiming();
        sqlite3_exec(db,
                     "BEGIN IMMEDIATE;UPDATE articulos SET cos = round(cos * 1.08, 2), net = "
                     "round(round(cos * 1.08, 2) / (1 + iva / 100.0), 2), lis1 = round(round(cos * "
                     "1.08, 2) * (1 + rec1 / 100.0) / 10) * 10, lis2 = round(round(cos * 1.08, 2) "
                     "* (1 + rec2 / 100.0) / 10) * 10, lis3 = round(round(cos * 1.08, 2) * (1 + "
                     "rec3 / 100.0) / 10) * 10;COMMIT;",
                     nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
}

void ReviewOurs(benchmark::State& state)
{
    freshStore();
    const auto db = catalogue::open(u"Articulos.mdb"_s);
    articles::PriceSelection range;
    range.fromCode = 1;
    range.toCode = gReviewed;
    for (auto _ : state) benchmark::DoNotOptimize(articles::reviewPriceChange(*db, range, rise()));
}

void ReviewRaw(benchmark::State& state)
{
    freshStore();
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(articlesPath()).constData(), &db, SQLITE_OPEN_READONLY,
                    nullptr);
    sqlite3_stmt* select = nullptr;
    sqlite3_prepare_v2(
        db,
        "SELECT codigo, descripcion, codbarra, cos, iva, net, rec1, rec2, rec3, lis1, lis2, "
        "lis3 FROM articulos WHERE codigo >= ?1 AND codigo <= ?2 ORDER BY codigo",
        -1, &select, nullptr);
    for (auto _ : state) {
        sqlite3_bind_int64(select, 1, 1);
        sqlite3_bind_int64(select, 2, gReviewed);
        while (sqlite3_step(select) == SQLITE_ROW) {
            benchmark::DoNotOptimize(sqlite3_column_int64(select, 0));
            benchmark::DoNotOptimize(sqlite3_column_text(select, 1));
            benchmark::DoNotOptimize(sqlite3_column_text(select, 2));
            for (int c = 3; c < 12; ++c) benchmark::DoNotOptimize(sqlite3_column_double(select, c));
        }
        sqlite3_reset(select);
    }
    sqlite3_finalize(select);
    sqlite3_close(db);
}

}  // namespace

int main(int argc, char* argv[])
{
    gRows = benchsupport::takeRows(argc, argv, gRows);
    gReviewed = std::min(gReviewed, gRows);
    QCoreApplication app(argc, argv);
    fixture::DataFolder folder;
    gPristine = folder.path() + u"/articulos-generados.mdb"_s;
    benchsupport::writeArticles(gPristine, gRows);
    QDir().mkpath(QFileInfo(articlesPath()).absolutePath());

    const int repetitions = 3;
    auto pair = [&](const char* name, auto ours, auto raw, int iterations) {
        auto* a = benchmark::RegisterBenchmark((std::string(name) + "_ours").c_str(), ours);
        auto* b = benchmark::RegisterBenchmark((std::string(name) + "_raw").c_str(), raw);
        for (auto* bm : {a, b})
            bm->Repetitions(repetitions)
                ->ReportAggregatesOnly(true)
                ->Unit(benchmark::kMillisecond)
                ->Iterations(iterations);
    };
    pair("apply", ApplyOurs, ApplyRaw, 2);
    pair("review", ReviewOurs, ReviewRaw, 10);

    benchmark::Initialize(&argc, argv);
    // Storing waits on the disk's syncs, so it compares elapsed time; the review compares
    // processor time.
    benchsupport::MedianReporter reporter(
        [](const std::string& name) { return name.rfind("apply", 0) == 0; });
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const std::pair<const char*, double> targets[] = {{"apply", 2.0}, {"review", 2.0}};
    std::printf(
        "\nBulk price change / raw SQLite, median of %d repetitions, %d articles (%d reviewed)\n",
        repetitions, gRows, gReviewed);
    bool met = true;
    for (const auto& [name, target] : targets) {
        const double ours = reporter.medians[std::string(name) + "_ours"];
        const double raw = reporter.medians[std::string(name) + "_raw"];
        const double ratio = raw > 0 ? ours / raw : 0;
        met = met && ratio <= target;
        std::printf("  %-8s ratio %5.2f  (target <= %.1f)  ours %10.2f ms  raw %10.2f ms\n", name,
                    ratio, target, ours, raw);
    }
    std::printf("%s\n", met ? "all targets met" : "SOME TARGETS MISSED");
    return 0;
}
