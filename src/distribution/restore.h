#pragma once
// Putting the store's files back from a dated backup folder.

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace restore {

struct Result {
    bool done = false;
    QString refusal;       // why nothing was changed, when not done
    QStringList restored;  // the files put back
    QString keptIn;        // the folder holding the files as they were before
};

// Restores the store's files from `backupFolder` into the database folder, all of them or none.
// First the backup is checked: every one of the store's files must be there, match the backup's
// manifest (when it has one), be sound and open as the program opens it (its password, schema
// version, tables and fields). Unless another process has a file of the database folder open,
// or one of them was left mid-save, a new database folder is then made whole beside the current
// one and the two are swapped in one step; the former folder is kept, whole, as
// "antes-de-restaurar-<fecha-hora>" beside the database folder. Refusals come back in `refusal`
// with nothing changed; a file-system failure throws EngineError with nothing changed.
Result restaurar(const QString& backupFolder, const QDateTime& now);

// The processes other than this one that have a file of `folder` open.
QList<qint64> openersOf(const QString& folder);

}  // namespace restore
