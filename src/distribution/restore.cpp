#include "restore.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>

#include "data/catalogue.h"
#include "data/dbcopy.h"
#include "data/errors.h"
#include "data/filereplace.h"
#include "data/paths.h"

using namespace Qt::StringLiterals;

namespace restore {

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
    const QString bases = paths::toNative(paths::basesFolder());
    if (!QFileInfo(bases).isDir()) {
        result.refusal = u"No existe la carpeta de datos "_s + bases + u'.';
        return result;
    }
    // The store's files in the backup, each checked before anything changes.
    QStringList names;
    for (const QString& name : QDir(from).entryList(QDir::Files, QDir::Name)) {
        const catalogue::FileDef* def = catalogue::find(name);
        if (!def) continue;
        const QString path = QDir(from).filePath(name);
        QStringList problems;
        try {
            problems = dbcopy::isDatabaseFile(path) ? dbcopy::check(path)
                                                    : QStringList{u"no es un archivo de datos"_s};
        } catch (const EngineError& e) {
            problems = QStringList{e.text()};
        }
        if (!problems.isEmpty()) {
            result.refusal = u"El archivo "_s + name + u" de la copia está dañado ("_s +
                             problems.join(u"; "_s) + u"); no se restauró nada."_s;
            return result;
        }
        names << name;
    }
    if (names.isEmpty()) {
        result.refusal = u"La carpeta "_s + backupFolder + u" no tiene archivos de datos."_s;
        return result;
    }
    const QList<qint64> openers = openersOf(bases);
    if (!openers.isEmpty()) {
        QStringList pids;
        for (qint64 pid : openers) pids << QString::number(pid);
        result.refusal = u"Los archivos de datos están abiertos (proceso "_s + pids.join(u", "_s) +
                         u"). Cierre el programa y vuelva a intentar."_s;
        return result;
    }

    filereplace::removeLeftovers(bases);
    const QString kept = QDir(bases).filePath(u"antes-de-restaurar-"_s + now.toString(u"yyyy-MM-dd-HHmmss"_s));
    if (::mkdir(QFile::encodeName(kept).constData(), 0755) != 0) throw fileSystemError(errno, kept);
    for (const QString& name : names) {
        const QString current = paths::toNative(paths::inBases(name));
        if (QFileInfo::exists(current))
            dbcopy::snapshotInto(current, QDir(kept).filePath(QFileInfo(current).fileName()));
    }
    filereplace::syncFolder(kept);
    filereplace::syncFolder(bases);
    result.keptIn = kept;
    for (const QString& name : names) {
        const QString current = paths::toNative(paths::inBases(name));
        dbcopy::copyDatabase(QDir(from).filePath(name), current, filereplace::Mode::Replace);
        result.restored << QFileInfo(current).fileName();
    }
    result.done = true;
    return result;
}

}  // namespace restore
