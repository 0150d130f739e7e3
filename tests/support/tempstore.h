#pragma once
// A throwaway data folder: a temporary directory with XDG_DATA_HOME pointed at it for the life
// of the object, and the store's files created in it. Tests open the files as the program
// does, with catalogue::open.

#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantMap>
#include <functional>
#include <memory>

#include "data/catalogue.h"
#include "data/engine.h"
#include "data/paths.h"
#include "envvar.h"

namespace fixture {

class DataFolder {
public:
    DataFolder();

    QString path() const { return dir_.path(); }
    // Where `fileName` of the database folder is on this machine.
    static QString nativePath(const QString& fileName);

    // Creates `fileName` of the catalogue (replacing any earlier one) with `records`
    // (field -> value) in table order; `def` gives an old or damaged variant of a file.
    void create(const QString& fileName, const QList<QVariantMap>& records = {});
    void create(const catalogue::FileDef& def, const QList<QVariantMap>& records);
    // The same, filled by `fill` in the file's creating transaction.
    void createFilled(const QString& fileName, const std::function<void(Database&)>& fill);
    void createFilled(const catalogue::FileDef& def, const std::function<void(Database&)>& fill);

    // Every record of the file in table order, as the given fields joined by '|' ("<null>"
    // for Null).
    static QStringList rows(const QString& fileName, const QStringList& fields);

private:
    QTemporaryDir dir_;
    EnvVar dataHome_;
};

// Adds `count` articles ("ARTICULO 0", "ARTICULO 1"...) to the articles file `db` in one
// transaction.
void addArticles(Database& db, int count);
// The number of articles in the articles file at `nativePath` (a copy, a backup...).
qint64 articleCount(const QString& nativePath);

}  // namespace fixture
