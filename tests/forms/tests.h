#pragma once
#include "multitest.h"

int runRecordFormTest(int argc, char* argv[]);
int runTextBoxTest(int argc, char* argv[]);
