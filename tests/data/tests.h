#pragma once
#include "multitest.h"

int runPathsTest(int argc, char* argv[]);
int runNumberTextTest(int argc, char* argv[]);
int runEngineTest(int argc, char* argv[]);
int runFilesTest(int argc, char* argv[]);
int runReplaceTest(int argc, char* argv[]);
