// Process start to the first window shown: the program (its login) against a minimal Qt
// Widgets program showing one dialog, launched alternately in the same run, on a data folder
// holding 200,000 articles (--rows=N for another number). Prints the medians and their ratio
// (target: at most 1.25).

#include <benchmark/benchmark.h>

#include <sys/wait.h>
#include <unistd.h>
#include <QDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "benchsupport.h"
#include "data/catalogue.h"
#include "data/engine.h"
#include "data/passwords.h"
#include "tempstore.h"

using namespace Qt::StringLiterals;

namespace {

int gRows = 200000;

// Milliseconds from fork to the probe's report that the first window is painted.
double launch(const char* program)
{
    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("pipe");
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        execl(program, program, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    char buffer[16];
    const ssize_t got = read(out[0], buffer, sizeof buffer);
    const auto end = std::chrono::steady_clock::now();
    close(out[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (got <= 0) throw std::runtime_error(std::string("no window shown by ") + program);
    return std::chrono::duration<double, std::milli>(end - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void BM_StartupToLogin(benchmark::State& state)
{
    // A data folder with the users file, as the program needs to show its login.
    fixture::DataFolder data;
    data.createFilled(u"Opcion.mdb"_s, [](Database& db) {
        auto users = db.OpenRecordset(u"Usuarios"_s);
        users->AddNew();
        users->Fields(u"usuario").setValue(u"VUMRE"_s);
        users->Fields(u"contrasena").setValue(passwords::hash(u"VUMRE"_s));
        users->Update();
    });
    benchsupport::writeArticles(data.nativePath(u"Articulos.mdb"_s), gRows);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("QT_PLUGIN_PATH", PROBE_PLUGIN_PATH, 1);
    setenv("QT_QPA_GENERIC_PLUGINS", "startupprobe", 1);

    launch(VALDRAMENO_BIN);  // warm the file cache for both
    launch(MINIMAL_BIN);
    std::vector<double> program, minimal;
    for (auto _ : state) {
        const double m = launch(MINIMAL_BIN);
        const double p = launch(VALDRAMENO_BIN);
        minimal.push_back(m);
        program.push_back(p);
        state.SetIterationTime((m + p) / 1000.0);
    }
    const double ratio = median(program) / median(minimal);
    state.counters["valdrameno_ms"] = median(program);
    state.counters["minimal_ms"] = median(minimal);
    state.counters["ratio"] = ratio;
    if (std::getenv("STARTUP_SAMPLES")) {
        for (size_t i = 0; i < program.size(); ++i)
            std::printf("%.1f %.1f\n", minimal[i], program[i]);
    }
    std::printf(
        "startup, %d articles: valdrameno %.1f ms, minimal dialog %.1f ms, ratio %.2f (target <= "
        "1.25)\n",
        gRows, median(program), median(minimal), ratio);
}

}  // namespace

BENCHMARK(BM_StartupToLogin)->Iterations(31)->UseManualTime()->Unit(benchmark::kMillisecond);
int main(int argc, char** argv)
{
    gRows = benchsupport::takeRows(argc, argv, gRows);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
