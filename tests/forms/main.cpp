#include <QApplication>
#include <QTest>

#include "tests.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    int failed = 0;
    failed += runRecordFormTest(argc, argv);
    failed += runTextBoxTest(argc, argv);
    return failed ? 1 : 0;
}
