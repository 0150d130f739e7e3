#include "settings.h"

#include <QDateTime>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

namespace settings {

namespace {

// QSettings writes through a lock file that holds its writer's process id. A writer killed
// between creating that file and writing its id leaves it empty, and every later save would
// wait Qt's half minute before calling it stale. An empty lock older than a second is such a
// leftover: a live writer fills in its id at once.
void removeEmptyLeftoverLock(const QString& path)
{
    const QString lockPath = path + QStringLiteral(".lock");
    const QFileInfo lock(lockPath);
    if (!lock.exists() || lock.size() != 0) return;
    if (lock.lastModified().msecsTo(QDateTime::currentDateTime()) < 1000) return;
    QLockFile leftover(lockPath);
    leftover.removeStaleLockFile();
}

}  // namespace

std::unique_ptr<QSettings> open()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    const QString path = folder + QStringLiteral("/valdrameno/valdrameno.conf");
    removeEmptyLeftoverLock(path);
    return std::make_unique<QSettings>(path, QSettings::IniFormat);
}

}  // namespace settings
