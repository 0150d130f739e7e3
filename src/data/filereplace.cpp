#include "filereplace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUuid>
#include <cerrno>
#include <cstdio>
#include <map>

#include "errors.h"

using namespace Qt::StringLiterals;

namespace filereplace {

namespace {

std::map<FaultPoint, int>& faults()
{
    static std::map<FaultPoint, int> pending;
    return pending;
}

// Closes a descriptor when the scope ends.
struct Descriptor {
    int fd;
    ~Descriptor()
    {
        if (fd >= 0) ::close(fd);
    }
};

// fsync of an open descriptor; the errno on failure, 0 on success.
int syncDescriptor(int fd)
{
    if (const int injected = takeFault(FaultPoint::Sync)) return injected;
    return ::fsync(fd) == 0 ? 0 : errno;
}

int syncPath(const QString& path, int flags)
{
    const Descriptor d{::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC)};
    if (d.fd < 0) return errno;
    return syncDescriptor(d.fd);
}

}  // namespace

QString temporaryFor(const QString& target)
{
    const QFileInfo info(target);
    return info.absolutePath() + u"/."_s + info.fileName() + u'.' +
           QUuid::createUuid().toString(QUuid::Id128) + u".tmp"_s;
}

bool isTemporaryName(QStringView fileName)
{
    static const QRegularExpression pattern(u"^\\..+\\.[0-9a-f]{32}\\.tmp(-journal)?$"_s);
    return pattern.match(fileName).hasMatch();
}

QStringList removeLeftovers(const QString& folder)
{
    QStringList removed;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (!isTemporaryName(name)) continue;
        if (QFile::remove(dir.filePath(name))) removed << name;
    }
    return removed;
}

void discard(const QString& temporary)
{
    QFile::remove(temporary);
    QFile::remove(temporary + u"-journal"_s);
}

void syncFile(const QString& path)
{
    if (const int err = syncPath(path, O_RDONLY)) throw fileSystemError(err, path);
}

void syncFolder(const QString& folder)
{
    if (const int err = syncPath(folder, O_RDONLY | O_DIRECTORY))
        throw fileSystemError(err, folder);
}

void putInPlace(const QString& temporary, const QString& target, Mode mode)
{
    const QByteArray from = QFile::encodeName(temporary), to = QFile::encodeName(target);
    // Every failure keeps its errno before the temporary is removed, which may set another.
    auto fail = [&](int err, const QString& subject) {
        discard(temporary);
        throw fileSystemError(err, subject);
    };
    if (const int err = syncPath(temporary, O_RDONLY)) fail(err, target);
    if (const int injected = takeFault(FaultPoint::Rename)) fail(injected, target);
    if (mode == Mode::NeverReplace) {
        // A hard link fails rather than replace a file that appeared meanwhile; folders
        // without hard links (some network shares) take a rename after a last look.
        if (::link(from.constData(), to.constData()) == 0) {
            ::unlink(from.constData());
        } else {
            const int err = errno;
            if (err == EEXIST) fail(err, target);
            if (QFileInfo::exists(target)) fail(EEXIST, target);
            if (std::rename(from.constData(), to.constData()) != 0) fail(errno, target);
        }
    } else if (std::rename(from.constData(), to.constData()) != 0) {
        fail(errno, target);
    }
    // The file is in place; what is left is making its name durable.
    syncFolder(QFileInfo(target).absolutePath());
}

void writeWhole(const QString& target, const QByteArray& content)
{
    const QString temporary = temporaryFor(target);
    QFile file(temporary);
    const bool written = file.open(QIODevice::NewOnly | QIODevice::WriteOnly) &&
                         file.write(content) == content.size() && file.flush();
    file.close();
    if (!written) {
        discard(temporary);
        throw EngineError(EngineErrorCode::CannotOpenFile, target);
    }
    putInPlace(temporary, target, Mode::Replace);
}

void renameFolder(const QString& from, const QString& to)
{
    if (const int injected = takeFault(FaultPoint::Rename)) throw fileSystemError(injected, to);
    const QByteArray a = QFile::encodeName(from), b = QFile::encodeName(to);
    // rename() would replace an empty folder of that name; RENAME_NOREPLACE never replaces.
    if (::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_NOREPLACE) != 0) {
        const int err = errno;
        if (err != EINVAL && err != ENOSYS) throw fileSystemError(err, to);
        // File systems without the flag: the last look and a plain rename.
        struct stat st;
        if (::lstat(b.constData(), &st) == 0) throw fileSystemError(EEXIST, to);
        if (std::rename(a.constData(), b.constData()) != 0) throw fileSystemError(errno, to);
    }
    syncFolder(QFileInfo(to).absolutePath());
}

void exchangeFolders(const QString& a, const QString& b)
{
    if (const int injected = takeFault(FaultPoint::Rename)) throw fileSystemError(injected, b);
    if (::renameat2(AT_FDCWD, QFile::encodeName(a).constData(), AT_FDCWD,
                    QFile::encodeName(b).constData(), RENAME_EXCHANGE) != 0)
        throw fileSystemError(errno, b);
    syncFolder(QFileInfo(b).absolutePath());
}

void linkTree(const QString& from, const QString& to)
{
    const QFileInfo info(from);
    if (info.isDir() && !info.isSymLink()) {
        if (!QDir().mkpath(to)) throw EngineError(EngineErrorCode::PathNotValid, to);
        for (const QString& name : QDir(from).entryList(QDir::AllEntries | QDir::Hidden |
                                                        QDir::System | QDir::NoDotAndDotDot))
            linkTree(from + u'/' + name, to + u'/' + name);
        return;
    }
    if (::link(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        copyPlainFile(from, to);
}

void syncTree(const QString& folder)
{
    QDirIterator it(folder, QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo entry(it.next());
        if (entry.isSymLink()) continue;
        if (entry.isDir()) syncFolder(entry.filePath());
        else syncFile(entry.filePath());
    }
    syncFolder(folder);
}

void copyPlainFile(const QString& source, const QString& target)
{
    if (const int injected = takeFault(FaultPoint::Read)) throw readError(injected, source);
    const Descriptor in{::open(QFile::encodeName(source).constData(), O_RDONLY | O_CLOEXEC)};
    if (in.fd < 0) throw readError(errno, source);
    if (const int injected = takeFault(FaultPoint::Create)) throw fileSystemError(injected, target);
    const Descriptor out{::open(QFile::encodeName(target).constData(),
                                O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644)};
    if (out.fd < 0) throw fileSystemError(errno, target);
    QCryptographicHash sourceHash(QCryptographicHash::Sha256);
    static constexpr qsizetype kBlock = 1 << 20;
    QByteArray buffer(kBlock, Qt::Uninitialized);
    for (;;) {
        const ssize_t got = ::read(in.fd, buffer.data(), size_t(kBlock));
        if (got < 0) {
            if (errno == EINTR) continue;
            throw readError(errno, source);
        }
        if (got == 0) break;
        sourceHash.addData(QByteArrayView(buffer.constData(), got));
        for (ssize_t done = 0; done < got;) {
            if (const int injected = takeFault(FaultPoint::Write))
                throw fileSystemError(injected, target);
            const ssize_t put = ::write(out.fd, buffer.constData() + done, size_t(got - done));
            if (put < 0) {
                if (errno == EINTR) continue;
                throw fileSystemError(errno, target);
            }
            done += put;
        }
    }
    if (const int err = syncDescriptor(out.fd)) throw fileSystemError(err, target);
    // Read back what was written and compare its hash with the source's.
    QFile written(target);
    if (!written.open(QIODevice::ReadOnly)) throw fileSystemError(EIO, target);
    QCryptographicHash targetHash(QCryptographicHash::Sha256);
    targetHash.addData(&written);
    if (targetHash.result() != sourceHash.result()) throw fileSystemError(EIO, target);
}

void injectFault(FaultPoint point, int errnum) { faults()[point] = errnum; }

void clearFaults() { faults().clear(); }

int takeFault(FaultPoint point)
{
    auto& pending = faults();
    const auto found = pending.find(point);
    if (found == pending.end()) return 0;
    const int err = found->second;
    pending.erase(found);
    return err;
}

}  // namespace filereplace
