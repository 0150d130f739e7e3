#pragma once
int runArticlesTest(int argc, char* argv[]);
int runArticulosTest(int argc, char* argv[]);

#define RUN_TEST_CLASS(name, Class)             \
    int name(int argc, char* argv[])            \
    {                                           \
        Class test;                             \
        return QTest::qExec(&test, argc, argv); \
    }
