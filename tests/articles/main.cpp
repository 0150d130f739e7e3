#include <QApplication>
#include <QTest>

#include "tests.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    int failed = 0;
    failed += runArticlesTest(argc, argv);
    failed += runArticulosTest(argc, argv);
    return failed ? 1 : 0;
}
