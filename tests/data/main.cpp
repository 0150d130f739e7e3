#include <QCoreApplication>

#include "tests.h"

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    return runTestClasses(
        argc, argv, {runPathsTest, runNumberTextTest, runEngineTest, runFilesTest, runReplaceTest});
}
