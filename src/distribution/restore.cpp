#include "restore.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>
#include <algorithm>
#include <cerrno>

#include "backupcopy.h"
#include "data/catalogue.h"
#include "data/dbcopy.h"
#include "data/engine.h"
#include "data/errors.h"
#include "data/filereplace.h"
#include "data/paths.h"

using namespace Qt::StringLiterals;

namespace restore {

namespace {

// The new data folder is made beside the old one under this name, with the old folder's inode
// number in it: after the two are swapped the name holds the old folder, and a run stopped
// before it gets its kept name can tell the two cases apart (see recoverLeftovers).
QString stagingPrefix(const QString& bases)
{
    return u"."_s + QFileInfo(bases).fileName() + u".restaurando-"_s;
}

quint64 inodeOf(const QString& path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? quint64(st.st_ino) : 0;
}

// Gives the old data folder `folder` its kept name beside the data folder, never replacing a
// kept folder of the same second. Returns the name given.
QString keep(const QString& folder, const QString& parent, const QDateTime& now)
{
    const QString base = u"antes-de-restaurar-"_s + now.toString(u"yyyy-MM-dd-HHmmss"_s);
    for (int n = 1;; ++n) {
        const QString kept =
            QDir(parent).filePath(n == 1 ? base : base + u'-' + QString::number(n));
        try {
            filereplace::renameFolder(folder, kept);
            return kept;
        } catch (const EngineError& e) {
            if (e.systemError() != EEXIST && e.systemError() != ENOTEMPTY) throw;
        }
    }
}

// What a restore stopped midway left beside the data folder: a new folder never swapped in is
// removed; the old data folder, swapped out but not yet renamed, gets its kept name.
void recoverLeftovers(const QString& bases, const QDateTime& now)
{
    const QString parent = QFileInfo(bases).absolutePath(), prefix = stagingPrefix(bases);
    for (const QString& name : QDir(parent).entryList({prefix + u'*'}, QDir::Dirs | QDir::Hidden)) {
        const QString path = QDir(parent).filePath(name);
        const QString inode = name.mid(prefix.size()).section(u'-', 0, 0);
        if (inode == QString::number(inodeOf(path))) keep(path, parent, now);
        else QDir(path).removeRecursively();
    }
}

// The file of that name in `folder`, found without regard to case; empty when absent.
QString fileIn(const QString& folder, const QString& name)
{
    for (const QString& entry : QDir(folder).entryList(QDir::Files))
        if (entry.compare(name, Qt::CaseInsensitive) == 0) return QDir(folder).filePath(entry);
    return QString();
}

// The digests the backup's manifest lists, by file name in lower case; empty without one.
QHash<QString, QByteArray> manifest(const QString& folder)
{
    QHash<QString, QByteArray> digests;
    QFile file(QDir(folder).filePath(QString::fromUtf16(backupcopy::kManifest)));
    if (!file.open(QIODevice::ReadOnly)) return digests;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const qsizetype gap = line.indexOf("  ");
        if (gap > 0) digests.insert(QFile::decodeName(line.mid(gap + 2)).toLower(), line.left(gap));
    }
    return digests;
}

// Why the backup's file `path` cannot stand for `def`'s file, checked as the program opens it;
// empty when it can.
QString problemOf(const catalogue::FileDef& def, const QString& path,
                  const QHash<QString, QByteArray>& digests)
{
    if (!digests.isEmpty()) {
        const auto listed = digests.find(def.fileName.toLower());
        if (listed == digests.end()) return u"no figura en el manifiesto de la copia"_s;
        if (backupcopy::fileDigest(path) != *listed)
            return u"su contenido no es el que se copió (no coincide con el manifiesto)"_s;
    }
    if (!dbcopy::isDatabaseFile(path)) return u"no es un archivo de datos"_s;
    const QStringList damage = dbcopy::check(path);
    if (!damage.isEmpty()) return u"está dañado ("_s + damage.join(u"; "_s) + u')';
    const auto db = catalogue::openAt(def, path);
    return catalogue::schemaDifference(*db, def);
}

}  // namespace

QList<qint64> openersOf(const QString& folder)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    QList<qint64> pids;
    if (canonical.isEmpty()) return pids;
    const qint64 self = ::getpid();
    const QStringList processes = QDir(u"/proc"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& name : processes) {
        bool number = false;
        const qint64 pid = name.toLongLong(&number);
        if (!number || pid == self) continue;
        const QDir fds(u"/proc/"_s + name + u"/fd"_s);
        for (const QString& fd : fds.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)) {
            const QString open = QFileInfo(fds.filePath(fd)).symLinkTarget();
            if (QFileInfo(open).absolutePath() == canonical) {
                pids << pid;
                break;
            }
        }
    }
    return pids;
}

Result restaurar(const QString& backupFolder, const QDateTime& now)
{
    Result result;
    const QString from = paths::toNative(backupFolder);
    if (!QFileInfo(from).isDir()) {
        result.refusal = u"No existe la carpeta "_s + backupFolder + u'.';
        return result;
    }
    const QString bases = QDir::cleanPath(paths::toNative(paths::basesFolder()));
    if (!QFileInfo(bases).isDir()) {
        result.refusal = u"No existe la carpeta de datos "_s + bases + u'.';
        return result;
    }
    // Every one of the store's files must be in the backup and open as the program opens it,
    // or the store would mix two dates, or not open at all.
    const QHash<QString, QByteArray> digests = manifest(from);
    std::vector<std::pair<const catalogue::FileDef*, QString>> files;
    QStringList missing;
    for (const catalogue::FileDef& def : catalogue::files()) {
        const QString path = fileIn(from, def.fileName);
        if (path.isEmpty()) missing << def.fileName;
        else files.emplace_back(&def, path);
    }
    if (files.empty()) {
        result.refusal = u"La carpeta "_s + backupFolder + u" no tiene archivos de datos."_s;
        return result;
    }
    if (!missing.isEmpty()) {
        result.refusal =
            u"A la copia le falta "_s + missing.join(u", "_s) + u"; no se restauró nada."_s;
        return result;
    }
    // The price history came after the first backups: restored when the backup holds it, kept
    // as it is otherwise.
    const catalogue::FileDef& history = catalogue::priceHistory();
    if (const QString path = fileIn(from, history.fileName); !path.isEmpty())
        files.emplace_back(&history, path);
    const auto restored = [&files](const QString& name) {
        return std::any_of(files.begin(), files.end(), [&name](const auto& file) {
            return file.first->fileName.compare(name, Qt::CaseInsensitive) == 0;
        });
    };
    for (const auto& [def, path] : files) {
        QString problem;
        try {
            problem = problemOf(*def, path, digests);
        } catch (const EngineError& e) {
            problem = u"error %1: %2"_s.arg(e.number()).arg(e.text());
        }
        if (!problem.isEmpty()) {
            result.refusal = u"El archivo "_s + def->fileName + u" de la copia no sirve: "_s +
                             problem + u". No se restauró nada."_s;
            return result;
        }
    }
    const QList<qint64> openers = openersOf(bases);
    if (!openers.isEmpty()) {
        QStringList pids;
        for (qint64 pid : openers) pids << QString::number(pid);
        result.refusal = u"Los archivos de datos están abiertos (proceso "_s + pids.join(u", "_s) +
                         u"). Cierre el programa y vuelva a intentar."_s;
        return result;
    }
    for (const auto& file : files)
        if (const QString current = fileIn(bases, file.first->fileName);
            !current.isEmpty() && QFileInfo::exists(current + u"-journal"_s)) {
            result.refusal =
                u"El archivo "_s + QFileInfo(current).fileName() +
                u" quedó a medio guardar. Abra el programa una vez para que lo recupere y "
                u"vuelva a intentar."_s;
            return result;
        }

    // The new data folder is made whole beside the old one (the backup's files, and links to
    // everything else of the old folder), then the two are swapped in one step: a restore
    // stopped at any moment leaves the store wholly as it was or wholly restored. The old folder
    // is then kept, whole, beside the data folder, where later backups do not copy it again.
    const QString parent = QFileInfo(bases).absolutePath();
    recoverLeftovers(bases, now);
    const QString staging =
        QDir(parent).filePath(stagingPrefix(bases) + QString::number(inodeOf(bases)) + u'-' +
                              QUuid::createUuid().toString(QUuid::Id128));
    try {
        if (::mkdir(QFile::encodeName(staging).constData(), 0755) != 0)
            throw fileSystemError(errno, staging);
        for (const QString& name : QDir(bases).entryList(QDir::AllEntries | QDir::Hidden |
                                                         QDir::System | QDir::NoDotAndDotDot)) {
            const bool storeFile =
                restored(name) || (name.endsWith(u"-journal"_s) && restored(name.chopped(8)));
            if (!storeFile && !filereplace::isTemporaryName(name))
                filereplace::linkTree(QDir(bases).filePath(name), QDir(staging).filePath(name));
        }
        for (const auto& [def, path] : files) {
            dbcopy::snapshotInto(path, QDir(staging).filePath(def->fileName));
            result.restored << def->fileName;
        }
        filereplace::syncTree(staging);
        filereplace::exchangeFolders(staging, bases);
    } catch (...) {
        QDir(staging).removeRecursively();
        throw;
    }
    result.keptIn = keep(staging, parent, now);
    result.done = true;
    return result;
}

}  // namespace restore
