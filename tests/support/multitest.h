#pragma once
// A test executable of several test classes: RUN_TEST_CLASS(runFoo, FooTest) defines
// runFoo(argc, argv), and the executable's main hands it to runTestClasses with the others.

#include <QTest>
#include <initializer_list>

#define RUN_TEST_CLASS(name, Class)             \
    int name(int argc, char* argv[])            \
    {                                           \
        Class test;                             \
        return QTest::qExec(&test, argc, argv); \
    }

// Runs each test class in turn; 1 when any of them failed.
inline int runTestClasses(int argc, char* argv[], std::initializer_list<int (*)(int, char**)> runs)
{
    int failed = 0;
    for (const auto run : runs) failed += run(argc, argv);
    return failed ? 1 : 0;
}
