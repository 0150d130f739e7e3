#pragma once
// Putting a finished file in place of another, so that a reader only ever finds the old file
// or the whole new one. The new file is written under a temporary name in the target's folder,
// flushed, then linked (never replacing) or renamed (replacing) onto the target name, and the
// folder is flushed so the new name survives a power cut. The old file is never deleted first.

#include <QString>
#include <QStringList>

namespace filereplace {

enum class Mode {
    NeverReplace,  // fails when the target exists, even one that appears meanwhile
    Replace,       // replaces the target in one step
};

// The temporary that becomes `target`: "<folder>/.<name>.<32 hex digits>.tmp".
QString temporaryFor(const QString& target);
// True for a name made by temporaryFor, or SQLite's journal beside one.
bool isTemporaryName(QStringView fileName);
// Removes the temporaries a killed process left in `folder`; returns their names.
QStringList removeLeftovers(const QString& folder);
// Removes a temporary and the SQLite journal that may sit beside it.
void discard(const QString& temporary);

// Flushes `temporary` and puts it in place of `target`, then flushes the folder. On failure
// the temporary is removed and the error carries the system's reason, taken before any
// clean-up; the target is as it was. Throws EngineError.
void putInPlace(const QString& temporary, const QString& target, Mode mode);

// Writes `content` as the whole of `target`, the way above: under a temporary name, flushed,
// then in place of any earlier file. Throws EngineError (CannotOpenFile when the temporary
// cannot be written); the target is then as it was.
void writeWhole(const QString& target, const QByteArray& content);

// Flushes a file's data, or a folder's entries, to disk. Throws EngineError.
void syncFile(const QString& path);
void syncFolder(const QString& folder);

// Renames the folder `from` to `to`, which must not exist (not even as an empty folder), and
// flushes the parent folder. Throws EngineError.
void renameFolder(const QString& from, const QString& to);

// Swaps the folders `a` and `b` in one step (both exist), then flushes their parent folder:
// whatever moment a process is stopped at, each name holds one whole folder. Throws
// EngineError.
void exchangeFolders(const QString& a, const QString& b);

// Gives the new `to` the same entries as `from`: files as hard links (the same data, no copy),
// folders made anew; a copy where the file system has no hard links. Throws EngineError.
void linkTree(const QString& from, const QString& to);

// Flushes every file and folder under `folder`, and the folder itself. Throws EngineError.
void syncTree(const QString& folder);

// Copies the plain file `source` to `target` (which must not exist), flushes it and checks that
// the file as written reads back with the content hash of what was read. Not for database
// files the process may have open (dbcopy reads those through SQLite). Throws EngineError.
void copyPlainFile(const QString& source, const QString& target);

// For tests: the next system call at `point` fails with `errnum` instead of running, as a full
// disk, a read-only share or a dropped connection would make it fail.
enum class FaultPoint { Read, Create, Write, Sync, Rename };
void injectFault(FaultPoint point, int errnum);
void clearFaults();
// Returns the errno injected at `point` (and forgets it), or 0. For the data library's own
// writers.
int takeFault(FaultPoint point);

}  // namespace filereplace
