#pragma once
// valdrameno-admin: creates the store's files, manages the users and checks the files.

#include <QStringList>
#include <QTextStream>
#include <functional>
#include <optional>

namespace admin {

// Reads a password: without echo from a terminal, or one line of standard input otherwise.
using PasswordReader = std::function<QString(const QString& prompt)>;

// Runs one command line (without the program name). Returns the exit code: 0 success,
// 1 failure, 2 wrong arguments.
int run(const QStringList& args, QTextStream& out, QTextStream& err,
        const PasswordReader& readPassword);

// The command line's arguments (without the program name) decoded as UTF-8; nothing, after
// saying which, when one is not valid UTF-8.
std::optional<QStringList> decodeArguments(int argc, char* argv[], QTextStream& err);

// The reader used by the real program.
QString readPasswordFromConsole(const QString& prompt);

}  // namespace admin
