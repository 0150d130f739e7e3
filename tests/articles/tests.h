#pragma once
#include "multitest.h"

int runArticlesTest(int argc, char* argv[]);
int runArticulosTest(int argc, char* argv[]);
int runPriceUpdateTest(int argc, char* argv[]);
