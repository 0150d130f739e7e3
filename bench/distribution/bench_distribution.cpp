// The terminal push and the backup against the plain tools doing the same work in the same run:
// one push of Articulos.mdb against `cp` of the file into the same folder plus an fsync of it,
// and a backup of the data folder against `cp -r` of it plus `sync`. Both sides wait on the
// disk, so elapsed times are compared; each figure is the median ratio ours / plain.
//
//   bench_distribution [--rows=200000] [google benchmark flags]

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <string>

#include "benchsupport.h"
#include "data/catalogue.h"
#include "data/paths.h"
#include "distribution/backupcopy.h"
#include "distribution/terminals.h"

extern char** environ;

using namespace Qt::StringLiterals;

namespace {

int gRows = 200000;
QString gBases, gTerminal, gDestination;

// Runs a command and waits for it; false when it fails.
bool run(std::vector<std::string> argv)
{
    std::vector<char*> args;
    for (std::string& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return false;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string local(const QString& path) { return QFile::encodeName(path).toStdString(); }

void PushOurs(benchmark::State& state)
{
    for (auto _ : state) terminals::push(1, terminals::files().front());
}

void PushRaw(benchmark::State& state)
{
    const std::string from = local(gBases + u"/Articulos.mdb"_s),
                      to = local(gTerminal + u"/copia.mdb"_s);
    for (auto _ : state) {
        if (!run({"cp", from, to})) state.SkipWithError("cp failed");
        const int fd = ::open(to.c_str(), O_RDONLY);
        ::fsync(fd);
        ::close(fd);
    }
}

void BackupOurs(benchmark::State& state)
{
    QDate day(2000, 1, 1);
    for (auto _ : state) {
        day = day.addDays(1);
        if (backupcopy::Realizar(gBases, gDestination, day, true, QString(), {}) !=
            backupcopy::Outcome::Done)
            state.SkipWithError("backup refused");
        state.PauseTiming();
        QDir(gDestination + u'/' + backupcopy::nombreFechado(day)).removeRecursively();
        state.ResumeTiming();
    }
}

void BackupRaw(benchmark::State& state)
{
    const std::string from = local(gBases), to = local(gDestination + u"/copia"_s);
    for (auto _ : state) {
        if (!run({"cp", "-r", from, to}) || !run({"sync"}))
            state.SkipWithError("cp -r or sync failed");
        state.PauseTiming();
        QDir(gDestination + u"/copia"_s).removeRecursively();
        state.ResumeTiming();
    }
}

}  // namespace

int main(int argc, char* argv[])
{
    gRows = benchsupport::takeRows(argc, argv, gRows);
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.path() + u"/data"_s));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path() + u"/config"_s));
    gBases = paths::toNative(paths::basesFolder());
    gTerminal = paths::mappedRoot() + u"/red/CAJA1/norvik/Bases"_s;
    gDestination = dir.path() + u"/destino"_s;
    QDir().mkpath(gTerminal);
    QDir().mkpath(gDestination);
    benchsupport::writeArticles(gBases + u"/Articulos.mdb"_s, gRows);
    for (const catalogue::FileDef& def : catalogue::files())
        if (!QFile::exists(gBases + u'/' + def.fileName))
            catalogue::createFile(def, gBases + u'/' + def.fileName);

    const int repetitions = 3;
    auto pair = [&](const char* name, auto ours, auto raw) {
        for (auto* bm : {benchmark::RegisterBenchmark((std::string(name) + "_ours").c_str(), ours),
                         benchmark::RegisterBenchmark((std::string(name) + "_raw").c_str(), raw)})
            bm->Repetitions(repetitions)
                ->Iterations(2)
                ->ReportAggregatesOnly(true)
                ->UseRealTime()
                ->Unit(benchmark::kMillisecond);
    };
    pair("push", PushOurs, PushRaw);
    pair("backup", BackupOurs, BackupRaw);

    benchmark::Initialize(&argc, argv);
    benchsupport::MedianReporter reporter(
        [](const std::string&) { return true; });  // copies wait on the disk
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf(
        "\nPush and backup / plain tools, median of %d repetitions, %d articles (%.1f MB)\n",
        repetitions, gRows, double(QFileInfo(gBases + u"/Articulos.mdb"_s).size()) / 1e6);
    bool met = true;
    for (const char* name : {"push", "backup"}) {
        const double ours = reporter.medians[std::string(name) + "_ours"];
        const double raw = reporter.medians[std::string(name) + "_raw"];
        const double ratio = raw > 0 ? ours / raw : 0;
        met = met && ratio <= 1.5;
        std::printf("  %-8s ratio %5.2f  (target <= 1.5)  ours %9.1f ms  plain %9.1f ms\n", name,
                    ratio, ours, raw);
    }
    std::printf("%s\n", met ? "all targets met" : "SOME TARGETS MISSED");
    return 0;
}
