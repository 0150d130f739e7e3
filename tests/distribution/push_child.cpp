// Pushes Articulos.mdb to terminal 1 over and over, printing a line after each push, until it is
// killed: the kill test sends it SIGKILL at a random moment.
#include <cstdio>

#include <QCoreApplication>

#include "distribution/terminals.h"

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    std::puts("ready");
    std::fflush(stdout);
    for (;;) {
        terminals::push(1, terminals::files().front());
        std::puts("pushed");
        std::fflush(stdout);
    }
}
