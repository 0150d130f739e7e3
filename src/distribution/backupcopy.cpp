#include "backupcopy.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QUuid>
#include <cerrno>
#include <list>
#include <memory>
#include <tuple>
#include <utility>

#include "data/catalogue.h"
#include "data/dbcopy.h"
#include "data/errors.h"
#include "data/filereplace.h"
#include "data/sha256.h"

using namespace Qt::StringLiterals;

namespace backupcopy {

namespace {

// True for SQLite's companions of a store file ("Articulos.mdb-journal"): a save in progress,
// never part of a backup, which holds committed states only.
bool isCompanion(const QString& name)
{
    for (const QString& suffix : {u"-journal"_s, u"-wal"_s, u"-shm"_s})
        if (name.endsWith(suffix, Qt::CaseInsensitive) &&
            catalogue::find(name.chopped(suffix.size())))
            return true;
    return false;
}

// Lists a folder's visible entries; an unreadable folder is an error, not an empty list.
QFileInfoList listFolder(const QString& folder, QDir::Filters kind, const QString& pattern)
{
    QDir dir(folder);
    if (!dir.isReadable()) throw fileSystemError(EACCES, folder);
    if (!pattern.isEmpty()) dir.setNameFilters({pattern});
    // Hidden entries (the temporaries among them) and symbolic links are not copied, but a store
    // file is copied through its link: a backup never goes without one.
    QFileInfoList entries;
    // System entries are listed for the links that lead nowhere; pipes and devices stay out.
    for (const QFileInfo& entry : dir.entryInfoList(
             kind | QDir::System | QDir::NoDotAndDotDot | QDir::CaseSensitive, QDir::Name)) {
        if (isCompanion(entry.fileName())) continue;
        if (!entry.isSymLink() && !(kind & QDir::Files ? entry.isFile() : entry.isDir())) continue;
        if (entry.isSymLink()) {
            if (!(kind & QDir::Files) || !catalogue::find(entry.fileName())) continue;
            if (!entry.exists()) throw EngineError(EngineErrorCode::FileNotFound, entry.filePath());
        }
        entries << entry;
    }
    return entries;
}

// The temporary folders that backups of any day, killed midway, left at `destination`.
void removeLeftovers(const QString& destination)
{
    static const QRegularExpression temporary(u"^\\.\\d\\d-\\d\\d-\\d{4}\\.[0-9a-f]{32}\\.tmp$"_s);
    for (const QString& name :
         QDir(destination).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot))
        if (temporary.match(name).hasMatch())
            QDir(QDir(destination).filePath(name)).removeRecursively();
}

// The SHA-256 of each database copied into a folder, by file name, as the copy made it.
using Digests = QHash<QString, QByteArray>;
using Digest = dbcopy::SnapshotCopy::Digest;

// Writes the manifest of the store's files at the top of the backup folder `folder`; a file's
// digest is taken from `copied` when its copy made it, else read from the file. `folder` is the
// backup's temporary folder, which goes in place whole (filereplace::renameFolder), so the
// manifest is written straight into it.
void writeManifest(const QString& folder, const Digests& copied)
{
    QByteArray lines;
    for (const QString& name : QDir(folder).entryList(QDir::Files, QDir::Name)) {
        if (!catalogue::find(name)) continue;
        const auto known = copied.find(name);
        lines += (known != copied.end() ? *known : fileDigest(QDir(folder).filePath(name))) + "  " +
                 QFile::encodeName(name) + '\n';
    }
    const QString path = QDir(folder).filePath(QString::fromUtf16(kManifest));
    QFile file(path);
    if (!file.open(QIODevice::NewOnly | QIODevice::WriteOnly) ||
        file.write(lines) != lines.size() || !file.flush())
        throw fileSystemError(EIO, path);
    file.close();
    filereplace::syncFile(path);
}

// Database copies of one folder checked at once at most.
constexpr size_t kChecking = 4;

// CopiarCarpeta, keeping the digests of the databases copied into `destination` itself in
// `digests` when given.
void copyFolder(const QString& origin, const QString& destination, bool includeSubfolders,
                const QString& pattern, const QString& shownAs, const Announce& announce,
                Digests* digests);

bool isInside(const QString& inner, const QString& outer)
{
    const QString a = QFileInfo(inner).canonicalFilePath(),
                  b = QFileInfo(outer).canonicalFilePath();
    return !a.isEmpty() && !b.isEmpty() && (a == b || a.startsWith(b + u'/'));
}

}  // namespace

QString nombreFechado(const QDate& day) { return day.toString(u"dd-MM-yyyy"_s); }

QByteArray fileDigest(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) throw fileSystemError(EIO, path);
    Sha256 hash;
    QByteArray chunk(qsizetype(1) << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 got = file.read(chunk.data(), chunk.size());
        if (got < 0) throw fileSystemError(EIO, path);
        if (got == 0) break;
        hash.add(chunk.constData(), got);
    }
    return hash.hex();
}

void CopiarCarpeta(const QString& origin, const QString& destination, bool includeSubfolders,
                   const QString& pattern, const QString& shownAs, const Announce& announce)
{
    copyFolder(origin, destination, includeSubfolders, pattern, shownAs, announce, nullptr);
}

namespace {

void copyFolder(const QString& origin, const QString& destination, bool includeSubfolders,
                const QString& pattern, const QString& shownAs, const Announce& announce,
                Digests* digests)
{
    // Database copies whose check is still running while the next files are copied, with their
    // file names.
    std::list<std::pair<dbcopy::SnapshotCopy, QString>> checking;
    auto finish = [&](std::pair<dbcopy::SnapshotCopy, QString>& copy) {
        const QByteArray digest = copy.first.finish();
        if (digests) digests->insert(copy.second, digest);
    };
    auto finishChecked = [&] {
        for (auto copy = checking.begin(); copy != checking.end();) {
            if (!copy->first.checked()) {
                ++copy;
                continue;
            }
            finish(*copy);
            copy = checking.erase(copy);
        }
    };
    for (const QFileInfo& file : listFolder(origin, QDir::Files, pattern)) {
        const QString target = destination + u'/' + file.fileName();
        if (dbcopy::isDatabaseFile(file.filePath())) {
            checking.emplace_back(std::piecewise_construct,
                                  std::forward_as_tuple(file.filePath(), target,
                                                        digests ? Digest::Take : Digest::Skip),
                                  std::forward_as_tuple(file.fileName()));
            finishChecked();
            if (checking.size() > kChecking) {
                finish(checking.front());
                checking.pop_front();
            }
        } else {
            filereplace::copyPlainFile(file.filePath(), target);
        }
    }
    if (includeSubfolders) {
        for (const QFileInfo& sub : listFolder(origin, QDir::Dirs, QString())) {
            const QString target = destination + u'/' + sub.fileName();
            const QString shown = shownAs + u'/' + sub.fileName();
            if (announce) announce(shown);
            if (::mkdir(QFile::encodeName(target).constData(), 0755) != 0)
                throw fileSystemError(errno, shown);
            CopiarCarpeta(sub.filePath(), target, true, pattern, shown, announce);
        }
    }
    for (; !checking.empty(); checking.pop_front()) finish(checking.front());
    filereplace::syncFolder(destination);
}

}  // namespace

Outcome Realizar(const QString& origin, const QString& destination, const QDate& day,
                 bool includeSubfolders, const QString& pattern, const Announce& announce)
{
    const QFileInfo from(origin);
    if (!from.isDir()) throw EngineError(EngineErrorCode::PathNotValid, origin, ENOENT);
    if (!from.isReadable()) throw fileSystemError(EACCES, origin);
    if (!QFileInfo(destination).isDir())
        throw EngineError(EngineErrorCode::PathNotValid, destination, ENOENT);
    const QString dated = QDir(destination).filePath(nombreFechado(day));
    struct stat st;
    if (::lstat(QFile::encodeName(dated).constData(), &st) == 0) return Outcome::AlreadyDone;
    if (isInside(destination, origin))
        throw EngineError(EngineErrorCode::InvalidArgument,
                          destination + u" está dentro de "_s + origin);

    const QString temporary = QDir(destination)
                                  .filePath(u"."_s + nombreFechado(day) + u'.' +
                                            QUuid::createUuid().toString(QUuid::Id128) + u".tmp"_s);
    if (const int injected = filereplace::takeFault(filereplace::FaultPoint::Create))
        throw fileSystemError(injected, dated);
    removeLeftovers(destination);
    if (::mkdir(QFile::encodeName(temporary).constData(), 0755) != 0)
        throw fileSystemError(errno, dated);
    try {
        Digests digests;
        copyFolder(origin, temporary, includeSubfolders, pattern, dated, announce, &digests);
        writeManifest(temporary, digests);
        filereplace::renameFolder(temporary, dated);
    } catch (...) {
        QDir(temporary).removeRecursively();
        throw;
    }
    return Outcome::Done;
}

}  // namespace backupcopy
