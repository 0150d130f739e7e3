#pragma once
int runPathsTest(int argc, char* argv[]);
int runNumberTextTest(int argc, char* argv[]);
int runEngineTest(int argc, char* argv[]);
int runFilesTest(int argc, char* argv[]);
int runReplaceTest(int argc, char* argv[]);

#define RUN_TEST_CLASS(name, Class)          \
    int name(int argc, char* argv[])         \
    {                                        \
        Class test;                          \
        return QTest::qExec(&test, argc, argv); \
    }
