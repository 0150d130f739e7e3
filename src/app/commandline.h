#pragma once
// The program's --version and --help, answered before any window or display is needed.

#include <QProcessEnvironment>
#include <QStringList>
#include <QTextStream>
#include <optional>

// When `args` (without the program name) ask for the version or the help, writes it to `out`
// and returns the exit code; otherwise nothing, and the program starts.
std::optional<int> answerCommandLine(const QStringList& args, QTextStream& out);

// Empty when Qt can open a window in `env`; otherwise, in Spanish, that no graphical display is
// available. Qt itself would abort the program there (its own English message, exit 134).
QString missingDisplay(const QProcessEnvironment& env);
