#include <QCoreApplication>
#include <QTest>

#include "tests.h"

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    int failed = 0;
    failed += runPathsTest(argc, argv);
    failed += runNumberTextTest(argc, argv);
    failed += runEngineTest(argc, argv);
    failed += runFilesTest(argc, argv);
    failed += runReplaceTest(argc, argv);
    return failed ? 1 : 0;
}
