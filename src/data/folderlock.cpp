#include "folderlock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>

#include "paths.h"

namespace {

// Beside the data folder's root, not inside it, so a backup or a restore never copies it.
QString lockPath() { return paths::mappedRoot() + QStringLiteral("/valdrameno.lock"); }

int openLockFile(QString* error)
{
    QDir().mkpath(paths::mappedRoot());
    const int fd = ::open(QFile::encodeName(lockPath()).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0 && error) *error = QString::fromLocal8Bit(std::strerror(errno));
    return fd;
}

}  // namespace

std::unique_ptr<FolderLock> FolderLock::acquire(QString* error)
{
    const int fd = openLockFile(error);
    if (fd < 0) return nullptr;
    // flock belongs to this open file: a second open, even in this process, is refused.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<FolderLock>(new FolderLock(fd));
}

bool FolderLock::held()
{
    const int fd = openLockFile(nullptr);
    if (fd < 0) return false;
    const bool taken = ::flock(fd, LOCK_SH | LOCK_NB) != 0;
    ::close(fd);
    return taken;
}

FolderLock::~FolderLock() { ::close(fd_); }
