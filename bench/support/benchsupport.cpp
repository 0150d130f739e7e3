#include "benchsupport.h"

#include <sqlite3.h>

#include <QFile>
#include <charconv>
#include <random>
#include <string_view>

#include "data/catalogue.h"
#include "data/connectionsettings.h"

namespace benchsupport {

namespace {

const char* kProducts[] = {"LECHE ENTERA", "YERBA MATE",     "AZUCAR",       "ARROZ LARGO FINO",
                           "FIDEOS",       "ACEITE GIRASOL", "GALLETITAS",   "QUESO CREMOSO",
                           "JAMON COCIDO", "GASEOSA COLA",   "AGUA MINERAL", "LAVANDINA",
                           "DETERGENTE",   "PAN LACTAL",     "PAPAS",        "TOMATES",
                           "HARINA 000",   "DULCE DE LECHE", "CAFE",         "JABON"};

}  // namespace

int takeRows(int& argc, char** argv, int rows)
{
    int kept = 0;
    for (int i = 0; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg.starts_with("--rows="))
            std::from_chars(arg.data() + 7, arg.data() + arg.size(), rows);
        else argv[kept++] = argv[i];
    }
    argc = kept;
    return rows;
}

std::string barcodeOf(int i) { return "779" + std::to_string(1000000000 + i * 7); }

void writeArticles(const QString& nativePath, int rows)
{
    catalogue::createFile(*catalogue::find(QStringLiteral("Articulos.mdb")), nativePath);
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(nativePath).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqliteutil::configureConnection(db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(
        db,
        "INSERT INTO articulos (descripcion, codbarra, codp, desp, codm, desm, codr, desr, net, "
        "iva, cos, uni, dep1, dep2, dep3, dept, min, ped, rec1, rec2, rec3, lis1, lis2, lis3) "
        "VALUES (?1, ?2, '0001', 'PROVEEDOR', '0002', 'MARCA', '0003', 'RUBRO', ?3, 21, ?4, 'Un', "
        "1, 2, 3, 6, 5, 10, 30, 40, 50, ?5, ?6, ?7)",
        -1, &insert, nullptr);
    std::mt19937 random(7);
    for (int i = 0; i < rows; ++i) {
        const std::string description =
            std::string(kProducts[i % 20]) + " " + std::to_string(random() % 1000) + " G";
        const std::string barcode = barcodeOf(i);
        const double cos = 10 + double(random() % 100000) / 100;
        sqlite3_bind_text(insert, 1, description.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, barcode.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_double(insert, 3, cos / 1.21);
        sqlite3_bind_double(insert, 4, cos);
        sqlite3_bind_double(insert, 5, cos * 1.3);
        sqlite3_bind_double(insert, 6, cos * 1.4);
        sqlite3_bind_double(insert, 7, cos * 1.5);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

void MedianReporter::ReportRuns(const std::vector<Run>& runs)
{
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        if (run.aggregate_name != "median") continue;
        const std::string& name = run.run_name.function_name;
        medians[name] = byWallClock_(name) ? run.GetAdjustedRealTime() : run.GetAdjustedCPUTime();
    }
}

}  // namespace benchsupport
