#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

#include "admin.h"

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout), err(stderr);
    QStringList args = app.arguments();
    args.removeFirst();
    return admin::run(args, out, err, admin::readPasswordFromConsole);
}
