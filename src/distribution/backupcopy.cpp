#include "backupcopy.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>
#include <cerrno>
#include <list>

#include "data/dbcopy.h"
#include "data/errors.h"
#include "data/filereplace.h"

using namespace Qt::StringLiterals;

namespace backupcopy {

namespace {

// Lists a folder's visible entries; an unreadable folder is an error, not an empty list.
QFileInfoList listFolder(const QString& folder, QDir::Filters kind, const QString& pattern)
{
    QDir dir(folder);
    if (!dir.isReadable()) throw fileSystemError(EACCES, folder);
    if (!pattern.isEmpty()) dir.setNameFilters({pattern});
    // Hidden entries (the temporaries among them) and symbolic links are not copied.
    return dir.entryInfoList(kind | QDir::NoDotAndDotDot | QDir::NoSymLinks | QDir::CaseSensitive,
                             QDir::Name);
}

// Database copies of one folder checked at once at most.
constexpr size_t kChecking = 4;

bool isInside(const QString& inner, const QString& outer)
{
    const QString a = QFileInfo(inner).canonicalFilePath(), b = QFileInfo(outer).canonicalFilePath();
    return !a.isEmpty() && !b.isEmpty() && (a == b || a.startsWith(b + u'/'));
}

}  // namespace

QString nombreFechado(const QDate& day) { return day.toString(u"dd-MM-yyyy"_s); }

void CopiarCarpeta(const QString& origin, const QString& destination, bool includeSubfolders,
                   const QString& pattern, const QString& shownAs, const Announce& announce)
{
    // Database copies whose check is still running while the next files are copied.
    std::list<dbcopy::SnapshotCopy> checking;
    auto finishChecked = [&checking] {
        for (auto copy = checking.begin(); copy != checking.end();) {
            if (!copy->checked()) {
                ++copy;
                continue;
            }
            copy->finish();
            copy = checking.erase(copy);
        }
    };
    for (const QFileInfo& file : listFolder(origin, QDir::Files, pattern)) {
        const QString target = destination + u'/' + file.fileName();
        if (dbcopy::isDatabaseFile(file.filePath())) {
            checking.emplace_back(file.filePath(), target);
            finishChecked();
            if (checking.size() > kChecking) {
                checking.front().finish();
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
    for (; !checking.empty(); checking.pop_front()) checking.front().finish();
    filereplace::syncFolder(destination);
}

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
        throw EngineError(EngineErrorCode::InvalidArgument, destination + u" está dentro de "_s + origin);

    const QString temporary = QDir(destination).filePath(
        u"."_s + nombreFechado(day) + u'.' + QUuid::createUuid().toString(QUuid::Id128) + u".tmp"_s);
    if (const int injected = filereplace::takeFault(filereplace::FaultPoint::Create))
        throw fileSystemError(injected, dated);
    if (::mkdir(QFile::encodeName(temporary).constData(), 0755) != 0) throw fileSystemError(errno, dated);
    try {
        CopiarCarpeta(origin, temporary, includeSubfolders, pattern, dated, announce);
        filereplace::renameFolder(temporary, dated);
    } catch (...) {
        QDir(temporary).removeRecursively();
        throw;
    }
    return Outcome::Done;
}

}  // namespace backupcopy
