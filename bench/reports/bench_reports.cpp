// The report engine against a minimal program that makes the same reads with the SQLite C API
// and the same drawing with QPainter (and zint), measured in pairs in one run:
//   - the article list (200,000 articles; --rows=N for fewer): first page on screen, jump to the
//     last page, export of the whole list to PDF, and the memory while paging to the end;
//   - 2,000 queued labels to PDF in each of the three sizes.

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <zint.h>

#include <QApplication>
#include <QFile>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryDir>
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "benchsupport.h"
#include "data/catalogue.h"
#include "data/engine.h"
#include "data/paths.h"
#include "reports/report.h"
#include "reports/reportdefs.h"

using namespace Qt::StringLiterals;

namespace {

int gArticles = 200000;
constexpr int kLabels = 2000;
QString gFolder;
std::vector<std::string> gLines;

long kibFromStatus(const char* field)
{
    long value = 0;
    if (FILE* f = std::fopen("/proc/self/status", "r")) {
        char line[256];
        const size_t n = std::strlen(field);
        while (std::fgets(line, sizeof line, f))
            if (std::strncmp(line, field, n) == 0)
                std::from_chars(line + n + 1 + std::strspn(line + n + 1, " \t"), line + sizeof line,
                                value);
        std::fclose(f);
    }
    return value;
}

void generate()
{
    const QString articles =
        QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < %1) INSERT "
            "INTO articulos (descripcion, codbarra, cos, lis1, lis2, lis3, dep1, dept) SELECT "
            "printf('ARTICULO %06d PRESENTACION X %d', i, i % 97), CAST(7790000000000 + i AS "
            "TEXT), c, c * 1.3, c * 1.4, c * 1.5, i % 50, i % 50 FROM (SELECT i, 10 + (i % 1000) * "
            "0.25 AS c FROM n)")
            .arg(gArticles - 1);
    catalogue::createFile(*catalogue::find(u"Articulos.mdb"_s),
                          paths::toNative(paths::inBases(u"Articulos.mdb"_s)),
                          [&](Database& db) { db.Execute(articles); });
    // Valid EAN-13 codes (so the labels draw EAN bars) and every tenth one a Code 128 text.
    catalogue::createFile(
        *catalogue::find(u"Etiquetas.mdb"_s), paths::toNative(paths::inBases(u"Etiquetas.mdb"_s)),
        [](Database& db) {
            auto rs = db.OpenRecordset(u"articulos"_s);
            for (int i = 0; i < kLabels; ++i) {
                QString code = QString::number(779000000000LL + i);
                int sum = 0;
                for (int k = 0; k < 12; ++k) sum += (code[k].unicode() - u'0') * (k % 2 ? 3 : 1);
                code += QString::number((10 - sum % 10) % 10);
                if (i % 10 == 9) code = u"LOTE-%1"_s.arg(i);
                rs->AddNew();
                rs->Fields(u"codigo"_s).setValue(i + 1);
                rs->Fields(u"codbarra"_s).setValue(code);
                rs->Fields(u"descripcion"_s).setValue(u"ARTICULO %1 PRESENTACION GRANDE"_s.arg(i));
                rs->Fields(u"neto1"_s).setValue(10.5 + i);
                rs->Update();
            }
        });
}

const reports::ReportDef& def(const QString& viewer) { return *reports::findByViewer(viewer); }

std::unique_ptr<reports::Report> openReport(const QString& viewer)
{
    auto report = std::make_unique<reports::Report>(def(viewer));
    report->SetLogOnInfo(QString(), u"\n"_s + def(viewer).password);
    report->refresh();
    return report;
}

// The viewer's page image at 88 % on a 96 dpi screen.
constexpr double kScreenPerMm = 0.88 * 96 / 25.4;
QImage screenPage()
{
    return QImage((QSizeF(210, 297) * kScreenPerMm).toSize(), QImage::Format_ARGB32_Premultiplied);
}

QFont font(double points, bool bold = false)
{
    QFont f(u"DejaVu Sans"_s);
    f.setPixelSize(std::max(1, qRound(points * 254 / 72.0)));
    f.setBold(bold);
    return f;
}

// ------------------------------------------------------------------ the minimal program

class Raw {
public:
    Raw()
    {
        sqlite3_open_v2(paths::toNative(paths::inBases(u"Articulos.mdb"_s)).toUtf8().constData(),
                        &db_, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_create_collation(db_, "ES_NOCASE", SQLITE_UTF8, nullptr,
                                 [](void*, int a, const void* x, int b, const void* y) {
                                     const int c = std::memcmp(x, y, size_t(std::min(a, b)));
                                     return c ? c : a - b;
                                 });
    }
    ~Raw() { sqlite3_close(db_); }
    sqlite3* db() const { return db_; }

    // The page's rows drawn cell by cell, in tenths of a millimetre.
    static void drawRow(QPainter& p, sqlite3_stmt* s, double top)
    {
        static const double widths[] = {14, 28, 62, 16, 15, 15, 15, 15};
        double x = 150;
        for (int c = 0; c < 8; ++c) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, c));
            QString cell = c >= 3 ? QString::number(sqlite3_column_double(s, c), 'f', 2)
                                  : QString::fromUtf8(text);
            p.drawText(QRectF(x + 10, top, widths[c] * 10 - 20, 42),
                       Qt::AlignLeft | Qt::AlignVCenter, cell);
            x += widths[c] * 10;
        }
    }

    void page(QPainter& p, qint64 offset, bool withTotals)
    {
        if (withTotals) {
            sqlite3_stmt* t;
            // The count and total, and the widest value of each column, which the widths of
            // the columns follow.
            sqlite3_prepare_v2(db_,
                               "SELECT count(*), total(dept), max(codigo), max(length(codbarra)), "
                               "max(length(descripcion)), max(abs(cos)), max(abs(lis1)), "
                               "max(abs(lis2)), max(abs(lis3)), max(abs(dept)) FROM articulos",
                               -1, &t, nullptr);
            sqlite3_step(t);
            count_ = sqlite3_column_int64(t, 0);
            sqlite3_finalize(t);
        }
        sqlite3_stmt* s;
        sqlite3_prepare_v2(
            db_,
            "SELECT codigo, codbarra, descripcion, cos, lis1, lis2, lis3, dept FROM articulos "
            "ORDER BY codigo LIMIT 61 OFFSET ?1",
            -1, &s, nullptr);
        sqlite3_bind_int64(s, 1, offset < 0 ? count_ / 60 * 60 : offset);
        p.setFont(font(8));
        double top = 290;
        while (sqlite3_step(s) == SQLITE_ROW) {
            drawRow(p, s, top);
            top += 42;
        }
        sqlite3_finalize(s);
        p.drawText(QRectF(150, 2860, 1800, 50), Qt::AlignCenter,
                   u"Página 1 de %1"_s.arg(count_ / 60 + 1));
    }
    qint64 count_ = 0;

private:
    sqlite3* db_ = nullptr;
};

void rawFirstPage()
{
    Raw raw;
    QImage image = screenPage();
    image.fill(Qt::white);
    QPainter p(&image);
    p.scale(kScreenPerMm / 10, kScreenPerMm / 10);
    raw.page(p, 0, true);
}

// Starts the whole-page PDF `path` on `printer`, painted by `p` in tenths of a millimetre.
void beginPdf(QPrinter& printer, QPainter& p, const QString& path)
{
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setFullPage(true);
    p.begin(&printer);
    p.scale(printer.resolution() / 254.0, printer.resolution() / 254.0);
}

void rawExportList(const QString& path)
{
    Raw raw;
    QPrinter printer(QPrinter::HighResolution);
    QPainter p;
    beginPdf(printer, p, path);
    p.setFont(font(8));
    sqlite3_stmt* s;
    sqlite3_prepare_v2(raw.db(),
                       "SELECT codigo, codbarra, descripcion, cos, lis1, lis2, lis3, dept FROM "
                       "articulos ORDER BY codigo",
                       -1, &s, nullptr);
    int row = 0;
    while (sqlite3_step(s) == SQLITE_ROW) {
        if (row == 60) {
            printer.newPage();
            row = 0;
        }
        Raw::drawRow(p, s, 290 + row * 42);
        ++row;
    }
    sqlite3_finalize(s);
}

void rawExportLabels(const reports::LabelDef& sheet, const QString& path)
{
    sqlite3* db;
    sqlite3_open_v2(paths::toNative(paths::inBases(u"Etiquetas.mdb"_s)).toUtf8().constData(), &db,
                    SQLITE_OPEN_READONLY, nullptr);
    QPrinter printer(QPrinter::HighResolution);
    QPainter p;
    beginPdf(printer, p, path);
    const QFont description = font(sheet.descriptionPt), price = font(sheet.pricePt, true);
    sqlite3_stmt* s;
    sqlite3_prepare_v2(db, "SELECT codbarra, descripcion, neto1 FROM articulos ORDER BY rowid", -1,
                       &s, nullptr);
    int slot = 0;
    while (sqlite3_step(s) == SQLITE_ROW) {
        if (slot == sheet.perSheet()) {
            printer.newPage();
            slot = 0;
        }
        const QRectF label((sheet.leftMm + slot % sheet.columns * sheet.pitchXMm) * 10,
                           (sheet.topMm + slot / sheet.columns * sheet.pitchYMm) * 10,
                           sheet.widthMm * 10, sheet.heightMm * 10);
        p.setFont(description);
        p.drawText(label.adjusted(15, 15, -15, -15),
                   Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                   QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 1))));
        p.setFont(price);
        p.drawText(label.adjusted(15, 15, -15, -15), Qt::AlignCenter,
                   u"$ "_s + QString::number(sqlite3_column_double(s, 2), 'f', 2));
        if (sheet.barcodeHeightMm > 0) {
            zint_symbol* z = ZBarcode_Create();
            const char* code = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
            z->symbology =
                std::strlen(code) == 13 && code[0] != 'L' ? BARCODE_EANX : BARCODE_CODE128;
            z->show_hrt = 0;
            ZBarcode_Encode(z, reinterpret_cast<const unsigned char*>(code), 0);
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::black);
            const double top = label.bottom() - 15 - 30 - sheet.barcodeHeightMm * 10;
            for (int x = 0; x < z->width; ++x)
                if ((z->encoded_data[0][x >> 3] >> (x & 7)) & 1)
                    p.drawRect(
                        QRectF(label.left() + 40 + x * 3.3, top, 3.3, sheet.barcodeHeightMm * 10));
            p.setPen(Qt::black);
            p.setFont(font(sheet.codePt));
            p.drawText(QRectF(label.left(), top + sheet.barcodeHeightMm * 10, label.width(), 30),
                       Qt::AlignCenter, QString::fromUtf8(code));
            ZBarcode_Delete(z);
        }
        ++slot;
    }
    sqlite3_finalize(s);
    sqlite3_close(db);
}

// ------------------------------------------------------------------ pairs

template <class F>
double timeOnce(F&& f)
{
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Runs both sides `runs` times, interleaved, as two benchmarks, and records the ratio of the
// medians.
template <class Engine, class Baseline>
void pair(const std::string& name, int runs, double limit, Engine engine, Baseline baseline)
{
    auto medians = std::make_shared<std::pair<std::vector<double>, std::vector<double>>>();
    benchmark::RegisterBenchmark((name + "/engine").c_str(),
                                 [=](benchmark::State& state) {
                                     for (auto _ : state) {
                                         const double t = timeOnce(engine);
                                         medians->first.push_back(t);
                                         state.SetIterationTime(t);
                                     }
                                 })
        ->Iterations(runs)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(
        (name + "/raw").c_str(),
        [=](benchmark::State& state) {
            for (auto _ : state) {
                const double t = timeOnce(baseline);
                medians->second.push_back(t);
                state.SetIterationTime(t);
            }
            auto median = [](std::vector<double> v) {
                std::sort(v.begin(), v.end());
                return v.empty() ? 0.0 : v[v.size() / 2];
            };
            const double e = median(medians->first), r = median(medians->second);
            char line[200];
            std::snprintf(line, sizeof line,
                          "%-22s engine %9.2f ms   raw %9.2f ms   ratio %5.2f (target <= %.1f) %s",
                          name.c_str(), e * 1000, r * 1000, e / r, limit,
                          e / r <= limit ? "ok" : "OVER");
            gLines.emplace_back(line);
        })
        ->Iterations(runs)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

}  // namespace

int main(int argc, char** argv)
{
    gArticles = benchsupport::takeRows(argc, argv, gArticles);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    QTemporaryDir dir;
    qputenv("XDG_DATA_HOME", dir.path().toUtf8());
    gFolder = dir.path();
    generate();

    // Memory first, while the process's peak is still its idle figure.
    {
        const long idle = kibFromStatus("VmRSS");
        auto report = openReport(u"ForListaArticulos"_s);
        QImage image = screenPage();
        long peak = idle;
        for (int page = 0; page < report->pageCount(); ++page) {
            image.fill(Qt::white);
            QPainter painter(&image);
            report->drawPage(painter, page, kScreenPerMm);
            painter.end();
            if (page % 64 == 0) peak = std::max(peak, kibFromStatus("VmRSS"));
        }
        peak = std::max(peak, kibFromStatus("VmRSS"));
        char line[200];
        std::snprintf(line, sizeof line,
                      "memory paging %d pages  %.1f MB above the idle %.1f MB (target <= 80)",
                      report->pageCount(), (peak - idle) / 1024.0, idle / 1024.0);
        gLines.emplace_back(line);
    }

    const auto list = openReport(u"ForListaArticulos"_s);
    pair(
        "list first page", 15, 3.0,
        [] {
            auto report = openReport(u"ForListaArticulos"_s);
            QImage image = screenPage();
            image.fill(Qt::white);
            QPainter painter(&image);
            report->drawPage(painter, 0, kScreenPerMm);
        },
        rawFirstPage);
    pair(
        "list last page", 15, 3.0,
        [&] {
            // A fresh report each time, so no page position is remembered from the last run.
            auto report = openReport(u"ForListaArticulos"_s);
            QImage image = screenPage();
            image.fill(Qt::white);
            QPainter painter(&image);
            report->drawPage(painter, report->pageCount() - 1, kScreenPerMm);
        },
        [] {
            Raw raw;
            QImage image = screenPage();
            image.fill(Qt::white);
            QPainter p(&image);
            p.scale(kScreenPerMm / 10, kScreenPerMm / 10);
            raw.page(p, -1, true);
        });
    pair(
        "list to PDF", 1, 1.2, [&] { list->exportPdf(gFolder + u"/lista.pdf"_s); },
        [] { rawExportList(gFolder + u"/lista-raw.pdf"_s); });
    for (const QString& viewer :
         {u"ForListaEtiqueta"_s, u"ForListaEtiqueta1"_s, u"ForListaEtiqueta2"_s}) {
        const std::string name = "2000 labels " + viewer.mid(8).toStdString();
        pair(
            name, 3, 1.5,
            [viewer] { openReport(viewer)->exportPdf(gFolder + u"/etiquetas.pdf"_s); },
            [viewer] {
                rawExportLabels(*def(viewer).labels(), gFolder + u"/etiquetas-raw.pdf"_s);
            });
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("\n%d articles, %d labels; medians:\n", gArticles, kLabels);
    for (const std::string& l : gLines) std::printf("  %s\n", l.c_str());
    return 0;
}
