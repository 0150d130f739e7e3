#include <QApplication>

#include "tests.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    return runTestClasses(argc, argv, {runArticlesTest, runArticulosTest, runPriceUpdateTest});
}
