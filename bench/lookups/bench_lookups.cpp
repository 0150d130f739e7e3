// The article lookup on a store of 200,000 articles (--rows=N for another number): Enter in the
// search box until the grid is filled, against the raw SQLite C API returning the same rows from
// the same file, measured in pairs in one run. Also the dialog's memory with 999 rows listed.

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <unistd.h>
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "benchsupport.h"
#include "data/catalogue.h"
#include "data/engine.h"
#include "data/paths.h"
#include "lookups/lookupdialog.h"

using namespace Qt::StringLiterals;
using Clock = std::chrono::steady_clock;

namespace {

int gArticles = 200000;      // --rows=N
constexpr int kEvery = 200;  // one article in 200 (0.5 %) carries the marker
const QString kMarker = u"ZQXW"_s;

std::vector<std::string> gLines;  // the summary printed after the benchmarks

long residentKiB()
{
    long size = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &size, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

void check(int rc, sqlite3* db)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
        std::exit(1);
    }
}

// The article file with `gArticles` records filled like a store's, the marker spread evenly;
// written through the engine in one statement, so its indexes use the engine's collation.
void generate(const QString& nativePath)
{
    const QString sql =
        QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < %1) INSERT "
            "INTO articulos (descripcion, codbarra, codp, desp, codm, desm, codr, desr, uni, cos, "
            "iva, net, lis1, lis2, lis3) SELECT printf('ARTICULO %06d %s PRESENTACION X %d', i, "
            "CASE WHEN i % %2 = %3 THEN '%4' ELSE '' END, i % 97), CAST(7790000000000 + i AS "
            "TEXT), '0012', 'DISTRIBUIDORA NORTE', '0003', 'LA SERENISIMA', '0007', 'LACTEOS', "
            "'UNIDAD', c, 21, c * 1.21, c * 1.21 * 1.3, c * 1.21 * 1.4, c * 1.21 * 1.5 FROM "
            "(SELECT i, 10 + (i % 1000) * 0.25 AS c FROM n)")
            .arg(gArticles - 1)
            .arg(kEvery)
            .arg(kEvery / 2)
            .arg(kMarker);
    catalogue::createFile(*catalogue::find(u"Articulos.mdb"_s), nativePath,
                          [&](Database& db) { db.Execute(sql); });
}

// The same rows through the raw C API: code, description and three prices, copied out.
class RawSearch {
public:
    explicit RawSearch(const QString& nativePath)
    {
        check(sqlite3_open_v2(QFile::encodeName(nativePath).constData(), &db_, SQLITE_OPEN_READONLY,
                              nullptr),
              db_);
        check(sqlite3_prepare_v2(db_,
                                 "SELECT codigo, descripcion, lis1, lis2, lis3 FROM articulos "
                                 "WHERE instr(descripcion, ?1) > 0 AND descripcion <> '' COLLATE "
                                 "BINARY ORDER BY rowid LIMIT 999",
                                 -1, &stmt_, nullptr),
              db_);
    }
    ~RawSearch()
    {
        sqlite3_finalize(stmt_);
        sqlite3_close(db_);
    }

    struct Row {
        sqlite3_int64 code;
        std::string description;
        double prices[3];
    };

    size_t run(const std::string& text)
    {
        rows_.clear();
        sqlite3_bind_text(stmt_, 1, text.c_str(), int(text.size()), SQLITE_STATIC);
        while (sqlite3_step(stmt_) == SQLITE_ROW) {
            Row row{sqlite3_column_int64(stmt_, 0),
                    std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt_, 1)),
                                size_t(sqlite3_column_bytes(stmt_, 1))),
                    {sqlite3_column_double(stmt_, 2), sqlite3_column_double(stmt_, 3),
                     sqlite3_column_double(stmt_, 4)}};
            rows_.push_back(std::move(row));
        }
        sqlite3_reset(stmt_);
        return rows_.size();
    }

private:
    sqlite3* db_ = nullptr;
    sqlite3_stmt* stmt_ = nullptr;
    std::vector<Row> rows_;
};

struct Fixture {
    lookups::LookupDialog* dialog = nullptr;
    QLineEdit* text1 = nullptr;
    QTableView* grid = nullptr;
    std::unique_ptr<RawSearch> raw;
    QLineEdit target;
};
Fixture* gFixture = nullptr;

int filledRows(QTableView* grid)
{
    auto* model = grid->model();
    int rows = 0;
    while (rows < model->rowCount() && !model->data(model->index(rows, 2)).toString().isEmpty())
        ++rows;
    return rows;
}

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void enter(QWidget* widget)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
}

// Each iteration times the dialog's search and the raw query back to back.
void search(benchmark::State& state, const QString& text, const char* label)
{
    Fixture& f = *gFixture;
    const std::string utf8 = text.toStdString();
    std::vector<double> dialogTimes, paintTimes, rawTimes;
    size_t rawRows = 0;
    for (auto _ : state) {
        f.text1->setText(text);
        f.text1->setFocus();
        auto start = Clock::now();
        enter(f.text1);
        const auto filled = Clock::now();
        f.grid->viewport()->repaint();
        const auto painted = Clock::now();
        rawRows = f.raw->run(utf8);
        const auto rawDone = Clock::now();
        dialogTimes.push_back(seconds(filled - start));
        paintTimes.push_back(seconds(painted - start));
        rawTimes.push_back(seconds(rawDone - painted));
        state.SetIterationTime(dialogTimes.back());
    }
    const int rows = filledRows(f.grid);
    if (size_t(rows) != rawRows)
        state.SkipWithError("the dialog and the raw query listed different rows");
    const double ratio = median(dialogTimes) / median(rawTimes);
    const double paintRatio = median(paintTimes) / median(rawTimes);
    state.counters["rows"] = rows;
    state.counters["dialog_ms"] = median(dialogTimes) * 1e3;
    state.counters["raw_ms"] = median(rawTimes) * 1e3;
    state.counters["ratio"] = ratio;
    state.counters["ratio_with_paint"] = paintRatio;
    char line[200];
    std::snprintf(
        line, sizeof line,
        "%-28s rows %4d  dialog %8.3f ms  raw %8.3f ms  ratio %.2f  (with first paint %.2f)", label,
        rows, median(dialogTimes) * 1e3, median(rawTimes) * 1e3, ratio, paintRatio);
    gLines.emplace_back(line);
}

void BM_EmptyText(benchmark::State& state) { search(state, QString(), "(a) empty text"); }
void BM_HalfPercent(benchmark::State& state) { search(state, kMarker, "(b) 0.5 % matching"); }
void BM_NoMatch(benchmark::State& state)
{
    search(state, u"NADA QUE COINCIDA"_s, "(c) nothing matching");
}

BENCHMARK(BM_EmptyText)->UseManualTime()->Iterations(300)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HalfPercent)->UseManualTime()->Iterations(25)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NoMatch)->UseManualTime()->Iterations(25)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dir;
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.path()));
    gArticles = std::max(kEvery, benchsupport::takeRows(argc, argv, gArticles));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);

    const QString path = paths::toNative(paths::inBases(u"Articulos.mdb"_s));
    generate(path);

    Fixture fixture;
    gFixture = &fixture;
    fixture.raw = std::make_unique<RawSearch>(path);
    QCoreApplication::processEvents();

    // Memory: the program before the dialog opens, then the dialog open with 999 rows drawn.
    const long before = residentKiB();
    fixture.dialog =
        new lookups::LookupDialog(*lookups::findMember(u"ConsArticulo"_s), &fixture.target);
    fixture.dialog->show();
    fixture.text1 = fixture.dialog->findChild<QLineEdit*>(u"Text1"_s);
    fixture.grid = fixture.dialog->findChild<QTableView*>(u"MSFlexGrid1"_s);
    enter(fixture.text1);
    fixture.grid->viewport()->repaint();
    QCoreApplication::processEvents();
    const long after = residentKiB();
    char line[200];
    std::snprintf(line, sizeof line,
                  "memory: dialog with %d rows  %.1f MB above the program's %.1f MB",
                  filledRows(fixture.grid), (after - before) / 1024.0, before / 1024.0);
    gLines.emplace_back(line);

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("\n%d articles; medians, dialog = Enter until the grid is filled:\n", gArticles);
    for (const std::string& l : gLines) std::printf("  %s\n", l.c_str());
    delete fixture.dialog;
    return 0;
}
