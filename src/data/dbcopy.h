#pragma once
// Copies of whole database files that other programs read (the terminals' copies, backups,
// restores). A copy is one consistent snapshot of the source: its bytes are copied while one
// read transaction holds every writer out, so a save made meanwhile is wholly in it or wholly
// out. It is checked (SQLite's quick integrity check, each table's record count equal to the
// snapshot's; once per committed state of the source, see SnapshotCopy) and flushed before it is
// put anywhere a reader can find it.

#include <QString>
#include <QStringList>
#include <memory>

#include "filereplace.h"

namespace dbcopy {

// True when the file at `path` starts with SQLite's header.
bool isDatabaseFile(const QString& path);

// Copies `source` into the new file `target` (which must not exist), checks and flushes it.
// For a folder that is itself a temporary (the backup's). Throws EngineError; a partial
// `target` is removed.
void snapshotInto(const QString& source, const QString& target);

// snapshotInto in two steps, so that other work can go on while the check of the copy runs.
// The constructor makes, compares and counts the copy and leaves the check running (the
// source's read lock held); finish() waits for the check. Both throw EngineError, with `target`
// removed. A copy not finished is removed when destroyed.
class SnapshotCopy {
public:
    // Whether the copy's SHA-256 is wanted (a backup's manifest); a terminal's copy needs none.
    enum class Digest { Skip, Take };

    SnapshotCopy(const QString& source, const QString& target, Digest digest = Digest::Skip);
    ~SnapshotCopy();
    SnapshotCopy(const SnapshotCopy&) = delete;
    SnapshotCopy& operator=(const SnapshotCopy&) = delete;
    SnapshotCopy(SnapshotCopy&&) noexcept;
    SnapshotCopy& operator=(SnapshotCopy&&) = delete;

    // True once the check has ended, so that finish() will not wait.
    bool checked() const;
    // Returns the SHA-256 of the copy in hex when taken with Digest::Take, else an empty array.
    QByteArray finish();

private:
    struct State;
    std::unique_ptr<State> d_;
};

// Copies `source` under a temporary name in `target`'s folder, checks it, then puts it in place
// of `target` (see filereplace). The target folder must exist: it is never created. Throws
// EngineError; the old target stays and no temporary is left.
void copyDatabase(const QString& source, const QString& target, filereplace::Mode mode);

// The problems a full integrity check finds in the database file at `path` (empty when sound).
// Throws EngineError when it cannot be opened.
QStringList check(const QString& path);

}  // namespace dbcopy
