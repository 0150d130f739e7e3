#pragma once
// The committed state of a database file that a connection already holds under a read
// transaction (see filestate.h).

#include <QByteArray>
#include <QString>

struct sqlite3;

namespace filestate {

// The state of the file `db` has open as "main", whose native name is `name`; the caller's read
// transaction keeps every commit out while it is read. Empty when it cannot be read or when the
// name no longer leads to the file open (moved or put in place of since it was opened), since
// the name's time and inode would then belong to another file.
QString stateOf(sqlite3* db, const QByteArray& name);

}  // namespace filestate
