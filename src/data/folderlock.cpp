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
    const int fd =
        ::open(QFile::encodeName(lockPath()).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0 && error) {
        // In Spanish whatever the system's language.
        const int code = errno;
        const QString reason = code == EACCES || code == EPERM
                                   ? QStringLiteral("no hay permiso para escribir allí")
                               : code == EROFS  ? QStringLiteral("el disco es de sólo lectura")
                               : code == ENOSPC ? QStringLiteral("el disco está lleno")
                               : code == ENOENT || code == ENOTDIR
                                   ? QStringLiteral("la carpeta no existe y no se puede crear")
                                   : QStringLiteral("error del sistema %1").arg(code);
        *error = QStringLiteral("no se puede crear el archivo de bloqueo %1: %2")
                     .arg(lockPath(), reason);
    }
    return fd;
}

}  // namespace

// What the holder writes into the lock file: one word.
constexpr char kCommandMark = 'C';
constexpr char kProgramMark = 'P';

std::unique_ptr<FolderLock> FolderLock::acquire(QString* error, Holder holder)
{
    const int fd = openLockFile(error);
    if (fd < 0) return nullptr;
    // flock belongs to this open file: a second open, even in this process, is refused.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return nullptr;
    }
    // Only a note for whoever is refused: the flock alone is the lock, so a note that cannot be
    // written is no failure.
    const char mark = holder == Holder::Command ? kCommandMark : kProgramMark;
    const bool noted = ::ftruncate(fd, 0) == 0 && ::pwrite(fd, &mark, 1, 0) == 1;
    Q_UNUSED(noted);
    return std::unique_ptr<FolderLock>(new FolderLock(fd));
}

FolderLock::Holder FolderLock::holder()
{
    QFile file(lockPath());
    if (!file.open(QIODevice::ReadOnly)) return Holder::Program;
    return file.read(1) == QByteArray(1, kCommandMark) ? Holder::Command : Holder::Program;
}

QString FolderLock::refusal()
{
    return holder() == Holder::Command
               ? QStringLiteral(
                     "Otra orden de valdrameno-admin está trabajando con los datos. Espere a que "
                     "termine y repita la orden.")
               : QStringLiteral(
                     "El programa está abierto y trabajando con los datos. Ciérrelo y repita la "
                     "orden.");
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
