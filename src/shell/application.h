#pragma once
// The application object and the way the program ends.
//
// Error policy: an engine, file-system or shell error that reaches the event loop abandons the
// operation that raised it (the pending AddNew or Edit it wrote to is cancelled, so nothing
// half-typed is stored later; other windows' changes in progress stay), is shown in one error
// box with its number and text, and the program keeps running with its windows as they were.

#include <QApplication>
#include <exception>
#include <functional>

#include "data/engine.h"

class ShellApplication : public QApplication {
public:
    ShellApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Abandons `operation` for `error` as described above; notify() calls it.
void abandonOperation(const std::exception& error, Recordset::Operation& operation);

namespace shell {

// Ends the program with `code` at once: every event loop returns. Nothing is asked of the
// open windows.
void endProgram(int code);

// Replaces what endProgram does (tests observe it instead of leaving); an empty handler
// restores the real one. Returns the previous handler.
using ExitHandler = std::function<void(int)>;
ExitHandler setExitHandler(ExitHandler handler);

}  // namespace shell
