#include "tempstore.h"

#include <QFile>
#include <QTest>

#include "data/paths.h"

using namespace Qt::StringLiterals;

namespace fixture {

DataFolder::DataFolder() : dataHome_("XDG_DATA_HOME", QFile::encodeName(dir_.path())) {}

QString DataFolder::nativePath(const QString& fileName)
{
    return paths::toNative(paths::inBases(fileName));
}

void DataFolder::create(const QString& fileName, const QList<QVariantMap>& records)
{
    const catalogue::FileDef* def = catalogue::find(fileName);
    QVERIFY2(def, qPrintable(fileName));
    create(*def, records);
}

void DataFolder::createFilled(const QString& fileName, const std::function<void(Database&)>& fill)
{
    const catalogue::FileDef* def = catalogue::find(fileName);
    QVERIFY2(def, qPrintable(fileName));
    createFilled(*def, fill);
}

void DataFolder::create(const catalogue::FileDef& def, const QList<QVariantMap>& records)
{
    createFilled(def, [&](Database& db) {
        auto rs = db.OpenRecordset(def.table.name);
        for (const QVariantMap& record : records) {
            rs->AddNew();
            for (auto it = record.begin(); it != record.end(); ++it)
                rs->Fields(it.key()).setValue(it.value());
            rs->Update();
        }
    });
}

void DataFolder::createFilled(const catalogue::FileDef& def,
                              const std::function<void(Database&)>& fill)
{
    QFile::remove(nativePath(def.fileName));
    catalogue::createFile(def, nativePath(def.fileName), fill);
}

QStringList DataFolder::rows(const QString& fileName, const QStringList& fields)
{
    auto rs = catalogue::open(fileName)->OpenRecordset(catalogue::find(fileName)->table.name);
    QStringList out;
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        QStringList values;
        for (const QString& field : fields) {
            const QVariant v = rs->Fields(field).Value();
            values << (v.isNull() ? u"<null>"_s : v.toString());
        }
        out << values.join(u'|');
    }
    return out;
}

void addArticles(Database& db, int count)
{
    Transaction t(db);
    auto rs = db.OpenRecordset(u"articulos"_s);
    for (int i = 0; i < count; ++i) {
        rs->AddNew();
        rs->Fields(u"descripcion"_s).setValue(QStringLiteral("ARTICULO %1").arg(i));
        rs->Update();
    }
    t.CommitTrans();
}

qint64 articleCount(const QString& nativePath)
{
    auto db = catalogue::openAt(*catalogue::find(u"Articulos.mdb"), nativePath);
    return db->Select(u"SELECT count(*) FROM articulos"_s).value(0).value(0).toLongLong();
}

}  // namespace fixture
