#include "fixture.h"

#include <QFile>

#include "paths.h"

using namespace Qt::StringLiterals;

TempStore::TempStore() { qputenv("XDG_DATA_HOME", QFile::encodeName(dir_.path())); }

QString TempStore::nativePath(const QString& fileName) const
{
    return paths::toNative(paths::inBases(fileName));
}

void TempStore::create(const QString& fileName)
{
    QFile::remove(nativePath(fileName));
    catalogue::createFile(*catalogue::find(fileName), nativePath(fileName));
}

std::shared_ptr<Database> TempStore::open(const QString& fileName)
{
    return catalogue::open(fileName);
}
