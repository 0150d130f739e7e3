#pragma once
// What the benchmarks share: the article table they measure on and the reporter that keeps each
// benchmark's median for the ratios printed at the end.

#include <benchmark/benchmark.h>

#include <QString>
#include <functional>
#include <map>
#include <string>

namespace benchsupport {

// Takes "--rows=N" out of the command line, leaving the rest for Qt and Google Benchmark in
// `argc`/`argv`; returns N, or `rows` when it is absent or not a number.
int takeRows(int& argc, char** argv, int rows);

// The barcode of the i-th generated article (0-based).
std::string barcodeOf(int i);

// Creates Articulos.mdb at `nativePath` with `rows` articles in one transaction, written through
// the raw SQLite C API: descriptions from a list of twenty products, every field filled.
void writeArticles(const QString& nativePath, int rows);

// Prints as the console does and keeps the median of each benchmark by function name: elapsed
// time where `byWallClock(name)` says so (work that waits on the disk), processor time otherwise.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    explicit MedianReporter(std::function<bool(const std::string& name)> byWallClock)
        : byWallClock_(std::move(byWallClock))
    {
    }
    void ReportRuns(const std::vector<Run>& runs) override;

    std::map<std::string, double> medians;

private:
    std::function<bool(const std::string&)> byWallClock_;
};

}  // namespace benchsupport
