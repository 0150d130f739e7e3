#pragma once

#include <functional>
// The program's --version and --help, answered before any window or display is needed.

#include <QProcessEnvironment>
#include <QStringList>
#include <QTextStream>
#include <optional>

// When `args` (without the program name) ask for the version or the help, writes it to `out`
// and returns the exit code; otherwise nothing, and the program starts.
std::optional<int> answerCommandLine(const QStringList& args, QTextStream& out);

// Whether the display a variable names answers: an X server (DISPLAY, connected to as Qt would
// connect) or a Wayland compositor's socket (WAYLAND_DISPLAY).
enum class DisplayKind { X11, Wayland };
using DisplayProbe =
    std::function<bool(DisplayKind kind, const QString& display, const QProcessEnvironment& env)>;
bool displayAnswers(DisplayKind kind, const QString& display, const QProcessEnvironment& env);

// Empty when Qt can open a window in `env`; otherwise, in Spanish, that no graphical display is
// available. Qt itself would abort the program there (its own English message, exit 134), also
// when a display variable names a display that does not answer.
QString missingDisplay(const QProcessEnvironment& env,
                       const DisplayProbe& answers = displayAnswers);
