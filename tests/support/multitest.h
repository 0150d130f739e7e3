#pragma once
// A test executable of several test classes: RUN_TEST_CLASS(runFoo, FooTest) defines
// runFoo(argc, argv), which the executable's main calls with the others.

#include <QTest>

#define RUN_TEST_CLASS(name, Class)             \
    int name(int argc, char* argv[])            \
    {                                           \
        Class test;                             \
        return QTest::qExec(&test, argc, argv); \
    }
