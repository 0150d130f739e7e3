#pragma once
// The store's point-of-sale terminals (two unless set otherwise) and the six master-data files
// the back office hands them. A terminal's copy lives in its share, "\\HOST\norvik\Bases\"; how
// many terminals there are, their host names, when each file last reached each terminal and
// which state of the file reached it are kept in the program's settings.

#include <QDateTime>
#include <QString>
#include <vector>

namespace terminals {

// Terminals 1 to count(): kCount until the store sets from 1 to kMost (a value outside that in
// the settings file counts as not set).
inline constexpr int kCount = 2;
inline constexpr int kMost = 9;
int count();
// False (and nothing changes) for a number outside 1 to kMost.
bool setCount(int terminals);

struct FileRow {
    QString label;   // "Articulos ------------>"
    QString source;  // the back-office file, as the system spells it
    QString target;  // the name on the terminal: the file catalogue's
};

// The six files, in the order "Todos" copies them.
const std::vector<FileRow>& files();

// A terminal's host name ("CAJA1", "CAJA2", ... until changed).
QString host(int terminal);
// False (and nothing changes) for a name that is not a host name.
bool setHost(int terminal, const QString& name);
bool isHostName(const QString& name);

// The terminal's share folder as a Windows path of the system.
QString shareFolder(int terminal);
// When `fileName` last reached the terminal; invalid when never.
QDateTime lastUpdate(int terminal, const QString& fileName);

// Whether the terminal holds the back-office file as it is now.
enum class Freshness {
    UpToDate,       // the file has not changed since its last push to the terminal
    Behind,         // it has changed since, or it never reached the terminal
    SourceMissing,  // the back office has no such file, so there is nothing to push
};
Freshness freshness(int terminal, const FileRow& file);

// Replaces the terminal's copy of `file` with a checked snapshot of the back-office file and
// records the time and the state pushed. The share folder must be there (a share that is not
// mounted is an error, never a folder made on the local disk). Throws EngineError; the
// terminal's old copy then stays and no temporary is left.
void push(int terminal, const FileRow& file);

}  // namespace terminals
