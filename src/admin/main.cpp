#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

#include "admin.h"

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout), err(stderr);
    const auto args = admin::decodeArguments(argc, argv, err);
    if (!args) return 1;
    return admin::run(*args, out, err, admin::readPasswordFromConsole);
}
