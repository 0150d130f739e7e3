#pragma once
// What identifies the committed state of a store file, to tell cheaply whether it changed since
// a moment before (a push to a terminal, a report read).

#include <QString>

namespace filestate {

// The committed state of the database file at the native path `path`; empty when it cannot be
// read. The store's files keep a rollback journal, so every commit, by this program or another,
// rewrites the change counter in bytes 24-27 of the header. Beside it go the file's size,
// modification time (to the nanosecond) and inode, which also tell apart a file put in place of
// the old one (a restore, an import) that happens to show the same counter. They are read under
// a read transaction, when no save is halfway written. Every commit changes the state; a file
// that changed back, or whose save was rolled back, may show as changed, which only costs a
// needless reread. A content hash would read the whole articles file, tens of megabytes; this
// reads one header.
QString committedState(const QString& path);

}  // namespace filestate
