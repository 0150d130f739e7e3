#include <QDir>
#include <QFile>
#include <QTest>

#include "data/paths.h"
#include "tempstore.h"
#include "tests.h"

using namespace Qt::StringLiterals;

class PathsTest : public QObject {
    Q_OBJECT
    fixture::DataFolder dir_;
    QString root_;

private slots:
    void initTestCase()
    {
        root_ = dir_.path() + u"/valdrameno"_s;
        QVERIFY(QDir().mkpath(root_ + u"/C/Norvik/Bases"_s));
        QFile file(root_ + u"/C/Norvik/Bases/Articulos.mdb"_s);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(QDir().mkpath(root_ + u"/red/CAJA1/norvik/Bases"_s));
    }

    void mapping_data()
    {
        QTest::addColumn<QString>("windows");
        QTest::addColumn<QString>("relative");
        QTest::newRow("as spelled")
            << u"C:\\Norvik\\Bases\\Articulos.mdb"_s << u"C/Norvik/Bases/Articulos.mdb"_s;
        QTest::newRow("other case finds the same file")
            << u"c:\\norvik\\Bases\\articulos.mdb"_s << u"C/Norvik/Bases/Articulos.mdb"_s;
        QTest::newRow("upper case")
            << u"C:\\NORVIK\\BASES\\ARTICULOS.MDB"_s << u"C/Norvik/Bases/Articulos.mdb"_s;
        QTest::newRow("missing file keeps its spelling")
            << u"C:\\Norvik\\Bases\\Nuevo.mdb"_s << u"C/Norvik/Bases/Nuevo.mdb"_s;
        QTest::newRow("folder only") << u"C:\\Norvik\\Bases\\"_s << u"C/Norvik/Bases"_s;
        QTest::newRow("share") << u"\\\\CAJA1\\norvik\\Bases\\Clientes.mdb"_s
                               << u"red/CAJA1/norvik/Bases/Clientes.mdb"_s;
        QTest::newRow("share in other case")
            << u"\\\\caja1\\NORVIK\\bases\\x.mdb"_s << u"red/CAJA1/norvik/Bases/x.mdb"_s;
        QTest::newRow("another drive") << u"d:\\copias"_s << u"D/copias"_s;
        QTest::newRow("forward slashes")
            << u"C:/norvik/bases/ARTICULOS.mdb"_s << u"C/Norvik/Bases/Articulos.mdb"_s;
    }
    void mapping()
    {
        QFETCH(QString, windows);
        QFETCH(QString, relative);
        QCOMPARE(paths::toNative(windows), root_ + u'/' + relative);
    }

    void createdUnderOneSpellingFoundUnderTheOther()
    {
        const QString created = paths::toNative(u"c:\\norvik\\bases\\clientes.MDB"_s);
        QFile file(created);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QCOMPARE(paths::toNative(u"C:\\Norvik\\Bases\\Clientes.mdb"_s), created);
        QVERIFY(QFile::exists(paths::toNative(u"C:\\Norvik\\Bases\\Clientes.mdb"_s)));
    }

    void nativePathsPassThrough()
    {
        QCOMPARE(paths::toNative(root_ + u"/c/norvik/bases/articulos.mdb"_s),
                 root_ + u"/C/Norvik/Bases/Articulos.mdb"_s);
    }
};

RUN_TEST_CLASS(runPathsTest, PathsTest)
#include "tst_paths.moc"
