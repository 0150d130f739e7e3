#pragma once
// The meta table that every file of the system carries: its schema version and the salted
// hash of its password. Internal to the data library.

#include <sqlite3.h>

#include <QString>

namespace meta {

inline constexpr const char16_t* kTable = u"valdrameno_meta";
// Raised when a release changes a layout; older files are then migrated forward on opening.
inline constexpr int kSchemaVersion = 1;

struct Values {
    bool valid = false;  // false when the file has no meta table (not one of ours)
    int schemaVersion = 0;
    QString passwordHash;  // empty for a file made without a password
};

Values read(sqlite3* db);
void create(sqlite3* db, const QString& passwordHash);

}  // namespace meta
