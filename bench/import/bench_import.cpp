// Importing an old article file against the raw libraries doing the same work in the same run:
// libmdb reading the table (every column bound, as its own tools read) plus SQLite inserting
// the same rows into an empty file in one transaction, with the program's durability settings.
// Prints the median ratio import / (read + insert), and for information the same against
// libmdb splitting the rows without turning any value into text. With --rows the file is first
// widened to that many articles (see widerfile.h).
//
//   bench_import [--file=Articulos.mdb] [--rows=N] [google benchmark flags]

#include <benchmark/benchmark.h>
#include <mdbtools.h>
#include <sqlite3.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <string>

#include "benchsupport.h"
#include "data/catalogue.h"
#include "data/connectionsettings.h"
#include "importer/legacyimport.h"
#include "widerfile.h"

using namespace Qt::StringLiterals;

namespace {

QString gFile = QStringLiteral(LEGACY_ARTICLES);
QString gFolder;
std::vector<std::vector<QVariant>> gRows;
int gCounter = 0;

const catalogue::FileDef& articles() { return *catalogue::find(u"Articulos.mdb"_s); }

QString freshTarget() { return gFolder + QStringLiteral("/Articulos-%1.mdb").arg(++gCounter); }

void removeFile(const QString& path)
{
    QFile::remove(path);
    QFile::remove(path + u"-journal"_s);
}

void Import(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        const QString target = freshTarget();
        state.ResumeTiming();
        const auto report = legacyimport::buildFile(gFile, articles(), target);
        benchmark::DoNotOptimize(report.rowsStored);
        state.PauseTiming();
        removeFile(target);
        state.ResumeTiming();
    }
}

// With `bind` false libmdb only walks the pages and splits the rows, as the import does before
// it reads each value's bytes itself; shown for information.
void LibmdbRead(benchmark::State& state, bool bind)
{
    for (auto _ : state) {
        MdbHandle* mdb = mdb_open(QFile::encodeName(gFile).constData(), MDB_NOFLAGS);
        mdb_read_catalog(mdb, MDB_TABLE);
        MdbTableDef* table =
            mdb_read_table_by_name(mdb, const_cast<gchar*>("articulos"), MDB_TABLE);
        mdb_read_columns(table);
        mdb_rewind_table(table);
        std::vector<std::vector<char>> values(table->num_cols, std::vector<char>(mdb->bind_size));
        std::vector<int> lengths(table->num_cols);
        for (unsigned i = 0; bind && i < table->num_cols; ++i)
            mdb_bind_column(table, int(i) + 1, values[i].data(), &lengths[i]);
        long rows = 0;
        while (mdb_fetch_row(table)) ++rows;
        benchmark::DoNotOptimize(rows);
        mdb_free_tabledef(table);
        mdb_close(mdb);
    }
}

void SqliteInsert(benchmark::State& state)
{
    const TableDef& def = articles().table;
    QStringList columns, params;
    for (size_t i = 0; i < def.fields.size(); ++i) {
        columns << u'"' + def.fields[i].name + u'"';
        params << QStringLiteral("?%1").arg(i + 1);
    }
    const QByteArray sql = QStringLiteral("INSERT INTO articulos (%1) VALUES (%2)")
                               .arg(columns.join(u", "_s), params.join(u", "_s))
                               .toUtf8();
    for (auto _ : state) {
        state.PauseTiming();
        const QString target = freshTarget();
        catalogue::createFile(articles(), target);
        state.ResumeTiming();
        sqlite3* db = nullptr;
        sqlite3_open_v2(QFile::encodeName(target).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        sqliteutil::configureConnection(db);
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr);
        for (const auto& row : gRows) {
            for (size_t i = 0; i < row.size(); ++i) {
                const QVariant& v = row[i];
                const int n = int(i) + 1;
                if (!v.isValid()) sqlite3_bind_null(stmt, n);
                else if (v.typeId() == QMetaType::LongLong)
                    sqlite3_bind_int64(stmt, n, v.toLongLong());
                else if (v.typeId() == QMetaType::Double)
                    sqlite3_bind_double(stmt, n, v.toDouble());
                else {
                    const QString text = v.toString();
                    sqlite3_bind_text16(stmt, n, text.utf16(), int(text.size() * 2),
                                        SQLITE_TRANSIENT);
                }
            }
            sqlite3_step(stmt);
            sqlite3_reset(stmt);
        }
        sqlite3_finalize(stmt);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        state.PauseTiming();
        removeFile(target);
        state.ResumeTiming();
    }
}

}  // namespace

int main(int argc, char* argv[])
{
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (std::string(argv[i]).rfind("--file=", 0) == 0)
            gFile = QString::fromLocal8Bit(argv[i] + 7);
        else args.push_back(argv[i]);
    }
    int count = int(args.size());
    const int rows = benchsupport::takeRows(count, args.data(), 0);
    QCoreApplication app(count, args.data());
    QTemporaryDir dir;
    gFolder = dir.path();
    if (rows > 0) {
        const QString wider = gFolder + u"/Articulos-ancho.mdb"_s;
        if (const QString why = writeWiderArticles(gFile, rows, wider); !why.isEmpty()) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(gFile), qPrintable(why));
            return 1;
        }
        gFile = wider;
    }
    const auto report = legacyimport::readFile(
        gFile, articles(), [](const std::vector<QVariant>& row) { gRows.push_back(row); });
    if (!report.failure.isEmpty()) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(gFile), qPrintable(report.failure));
        return 1;
    }
    // A widened file must import as cleanly as its source: every row, none reported.
    if (rows > 0 && (report.rowsRead != rows || report.skipped > 0 || report.warnings > 0)) {
        std::fprintf(stderr, "%s: %lld filas leídas de %d, %lld omitidas, %lld avisos\n",
                     qPrintable(gFile), report.rowsRead, rows, report.skipped, report.warnings);
        return 1;
    }

    // Each iteration builds a whole file (the untimed clean-up would stretch an adaptive run);
    // from 200,000 articles one a repetition is enough.
    const bool large = gRows.size() >= 200000;
    const int repetitions = large ? 3 : 5;
    using Function = void (*)(benchmark::State&);
    const std::pair<const char*, Function> benchmarks[] = {
        {"import", Import},
        {"libmdb_read", [](benchmark::State& s) { LibmdbRead(s, true); }},
        {"libmdb_scan", [](benchmark::State& s) { LibmdbRead(s, false); }},
        {"sqlite_insert", SqliteInsert}};
    for (const auto& [name, fn] : benchmarks)
        benchmark::RegisterBenchmark(name, fn)
            ->Repetitions(repetitions)
            ->Iterations(large ? 1 : 3)
            ->ReportAggregatesOnly(true)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    benchmark::Initialize(&count, args.data());
    // The import and the insert both wait on the disk's sync: elapsed time.
    benchsupport::MedianReporter reporter([](const std::string&) { return true; });
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const double ours = reporter.medians["import"];
    const double raw = reporter.medians["libmdb_read"] + reporter.medians["sqlite_insert"];
    const double ratio = raw > 0 ? ours / raw : 0;
    std::printf(
        "\nImport / (libmdb read + SQLite insert), median of %d repetitions, %zu articles\n",
        repetitions, gRows.size());
    std::printf(
        "  import ratio %5.2f  (target <= 2.0)  import %8.2f ms  read %8.2f ms  insert %8.2f ms\n",
        ratio, ours, reporter.medians["libmdb_read"], reporter.medians["sqlite_insert"]);
    const double scan = reporter.medians["libmdb_scan"];
    std::printf("  (rows split without reading values: %8.2f ms; import / (that + insert) %5.2f)\n",
                scan,
                scan + reporter.medians["sqlite_insert"] > 0
                    ? ours / (scan + reporter.medians["sqlite_insert"])
                    : 0);
    std::printf("%s\n", ratio <= 2.0 ? "target met" : "TARGET MISSED");
    return 0;
}
