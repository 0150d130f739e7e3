// Backs the store up to the folder given as its argument over and over, a day later each time,
// printing a line after each, until it is killed: the kill test sends it SIGKILL at a random
// moment.
#include <cstdio>

#include <QCoreApplication>
#include <QDate>

#include "data/paths.h"
#include "distribution/backupcopy.h"

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QString destination = app.arguments().value(1);
    const QString origin = paths::toNative(paths::basesFolder());
    std::puts("ready");
    std::fflush(stdout);
    for (QDate day(2030, 1, 1);; day = day.addDays(1)) {
        backupcopy::Realizar(origin, destination, day, true, QString(), {});
        std::puts("done");
        std::fflush(stdout);
    }
}
