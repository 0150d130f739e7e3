#include "paths.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace paths {

namespace {

// The entry of `dir` whose name equals `name` without regard to case; `name` itself when
// it exists as spelled or when no entry matches.
QString findEntry(const QString& dir, const QString& name)
{
    if (name == u"."_s || name == u".."_s || QFileInfo::exists(dir + u'/' + name)) return name;
    const QStringList entries =
        QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& entry : entries)
        if (entry.compare(name, Qt::CaseInsensitive) == 0) return entry;
    return name;
}

QString resolveComponents(QString base, const QStringList& components)
{
    for (const QString& component : components) {
        if (component.isEmpty()) continue;
        base = base + u'/' + findEntry(base, component);
    }
    return base;
}

}  // namespace

QString mappedRoot()
{
    QString home = qEnvironmentVariable("XDG_DATA_HOME");
    if (home.isEmpty()) home = QDir::homePath() + u"/.local/share"_s;
    return QDir::cleanPath(home) + u"/valdrameno"_s;
}

QString toNative(const QString& windowsPath)
{
    QString path = windowsPath;
    path.replace(u'\\', u'/');
    const QString root = mappedRoot();
    if (path.startsWith(u"//"_s)) {
        // \\HOST\share\rest: the host and share folders are kept under "red".
        const QStringList parts = path.mid(2).split(u'/');
        return resolveComponents(resolveComponents(root, {QStringLiteral("red")}), parts);
    }
    if (path.size() >= 2 && path[1] == u':' && path[0].isLetter()) {
        const QString drive = path.left(1).toUpper();
        const QStringList parts = path.mid(2).split(u'/');
        return resolveComponents(resolveComponents(root, {drive}), parts);
    }
    if (path.startsWith(u'/')) return resolveComponents(QString(), path.split(u'/'));
    return resolveComponents(QDir::currentPath(), path.split(u'/'));
}

QString basesFolder() { return QStringLiteral("C:\\Norvik\\Bases\\"); }

QString inBases(const QString& fileName) { return basesFolder() + fileName; }

QString updateSource(const QString& fileName)
{
    return QStringLiteral("c:\\norvik\\Bases\\") + fileName;
}

QString terminalBases(const QString& host)
{
    return QStringLiteral("\\\\") + host + QStringLiteral("\\norvik\\Bases\\");
}

}  // namespace paths
