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

// Restores the store's files found in `backupFolder` into the database folder. First every one
// of them is checked (integrity check); then, unless another process has a file of the database
// folder open, the current files are kept in "antes-de-restaurar-<fecha-hora>" inside the
// database folder and each backup file is put in place of the current one in one step.
// Refusals come back in `refusal` with nothing changed; a file-system failure midway throws
// EngineError, leaving each file either the old or the restored one.
Result restaurar(const QString& backupFolder, const QDateTime& now);

// The processes other than this one that have a file of `folder` open.
QList<qint64> openersOf(const QString& folder);

}  // namespace restore
