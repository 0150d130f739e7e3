#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <cstring>

#include "data/catalogue.h"
#include "data/filereplace.h"
#include "data/folderlock.h"
#include "data/passwords.h"
#include "data/settings.h"
#include "data/sharedlibrary.h"
#include "envvar.h"
#include "tempstore.h"
#include "tests.h"

using namespace Qt::StringLiterals;

class FilesTest : public QObject {
    Q_OBJECT
    std::optional<fixture::DataFolder> store_;

private slots:
    void init() { store_.emplace(); }
    void cleanup() { store_.reset(); }

    void oneHolderOfTheFolder()
    {
        QVERIFY(!FolderLock::held());
        {
            auto lock = FolderLock::acquire();
            QVERIFY(lock);
            QVERIFY(FolderLock::held());
            QVERIFY(!FolderLock::acquire());  // a second copy of the program
        }
        QVERIFY(!FolderLock::held());
        QVERIFY(FolderLock::acquire());
    }

    // A writer killed while saving the settings leaves an empty lock file; the next save must
    // not wait half a minute for it. A live writer's lock, or one just made, is left alone.
    void settingsLockLeftByAKilledWriter()
    {
        QTemporaryDir config;
        fixture::EnvVar home("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
        QVERIFY(QDir(config.path()).mkpath(u"valdrameno"_s));
        const QString lockPath = config.path() + u"/valdrameno/valdrameno.conf.lock"_s;
        QFile leftover(lockPath);
        QVERIFY(leftover.open(QIODevice::WriteOnly));
        QVERIFY(leftover.setFileTime(QDateTime::currentDateTime().addSecs(-60),
                                     QFileDevice::FileModificationTime));
        leftover.close();
        {
            const auto fresh = settings::open();
            QVERIFY(!QFile::exists(lockPath));
            fresh->setValue(u"prueba"_s, 7);
            fresh->sync();
            QCOMPARE(fresh->status(), QSettings::NoError);
        }
        QCOMPARE(settings::open()->value(u"prueba"_s).toInt(), 7);

        QVERIFY(leftover.open(QIODevice::WriteOnly));  // empty, but just made
        leftover.close();
        settings::open();
        QVERIFY(QFile::exists(lockPath));
        QVERIFY(QFile::remove(lockPath));

        QLockFile live(lockPath);
        QVERIFY(live.tryLock(0));  // holds its id
        settings::open();
        QVERIFY(QFile::exists(lockPath));
    }

    void tenFilesWithTheirLayouts()
    {
        QCOMPARE(catalogue::files().size(), size_t(10));
        for (const catalogue::FileDef& def : catalogue::files()) {
            store_->create(def.fileName);
            auto db = catalogue::open(def.fileName);
            QCOMPARE(db->schemaVersion(), 1);
            const TableDef* table = db->tableDef(def.table.name);
            QVERIFY2(table, qPrintable(def.fileName));
            QCOMPARE(table->fields.size(), def.table.fields.size());
            for (size_t i = 0; i < def.table.fields.size(); ++i) {
                QCOMPARE(table->fields[i].name, def.table.fields[i].name);
                QCOMPARE(table->fields[i].type, def.table.fields[i].type);
                QCOMPARE(table->fields[i].width, def.table.fields[i].width);
            }
            for (const IndexDef& index : def.table.indexes) {
                const IndexDef* found = table->findIndex(index.name);
                QVERIFY2(found, qPrintable(index.name));
                QCOMPARE(found->unique, index.unique);
            }
        }
    }

    void catalogueFacts()
    {
        QCOMPARE(catalogue::find(u"ARTICULOS.MDB"_s)->password, u"Vek_Lom_26"_s);
        QCOMPARE(catalogue::find(u"Etiquetas.mdb"_s)->table.name, u"articulos"_s);
        QCOMPARE(catalogue::find(u"Stock02.mdb"_s)->table.name, u"Stock01"_s);
        QCOMPARE(catalogue::find(u"Departamentos.mdb"_s)->table.fieldIndex(u"cod_let"), 2);
        QCOMPARE(catalogue::find(u"Marcas.mdb"_s)->table.fieldIndex(u"COD_LET"), -1);
        QVERIFY(!catalogue::find(u"Otro.mdb"_s));
    }

    void existingFileIsNeverReplaced()
    {
        store_->create(u"Marcas.mdb"_s);
        const QString path = store_->nativePath(u"Marcas.mdb"_s);
        const QByteArray before = [&] {
            QFile f(path);
            f.open(QIODevice::ReadOnly);
            return f.readAll();
        }();
        QVERIFY_THROWS_EXCEPTION(EngineError,
                                 catalogue::createFile(*catalogue::find(u"Marcas.mdb"_s), path));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
    }

    void failedFillLeavesNothing()
    {
        const QString path = store_->nativePath(u"Marcas.mdb"_s);
        auto fill = [](Database& db) {
            auto rs = db.OpenRecordset(u"rubros"_s);
            rs->AddNew();
            rs->Fields(u"COD_RUB"_s).setValue(u"demasiado largo"_s);
        };
        QVERIFY_THROWS_EXCEPTION(
            EngineError, catalogue::createFile(*catalogue::find(u"Marcas.mdb"_s), path, fill));
        QVERIFY(!QFileInfo::exists(path));
        QCOMPARE(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files | QDir::Hidden),
                 QStringList());
    }

    void passwordHashes_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("matches");
        const QString vumre = passwords::hash(u"VUMRE"_s, 1000);
        QTest::newRow("same") << QVariant(vumre) << u"VUMRE"_s << true;
        QTest::newRow("other case") << QVariant(vumre) << u"vumre"_s << false;
        QTest::newRow("trailing blank") << QVariant(vumre) << u"VUMRE "_s << false;
        QTest::newRow("Null never matches") << QVariant() << u""_s << false;
        QTest::newRow("empty matches empty") << QVariant(u""_s) << u""_s << true;
        QTest::newRow("empty refuses text") << QVariant(u""_s) << u"x"_s << false;
        QTest::newRow("plain text compared as text") << QVariant(u"VUMRE"_s) << u"VUMRE"_s << true;
        QTest::newRow("plain text in another case") << QVariant(u"VUMRE"_s) << u"vumre"_s << false;
        QTest::newRow("plain text longer") << QVariant(u"VUMRE"_s) << u"VUMRE1"_s << false;
        QTest::newRow("the hash typed is no password") << QVariant(vumre) << vumre << false;
        QTest::newRow("accents") << QVariant(passwords::hash(u"Ñandú"_s, 1000)) << u"Ñandú"_s
                                 << true;
    }
    void passwordHashes()
    {
        QFETCH(QVariant, stored);
        QFETCH(QString, typed);
        QFETCH(bool, matches);
        QCOMPARE(passwords::loginMatches(stored, typed), matches);
    }

    void oldPasswordsNeedANewHash_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<bool>("needs");
        QTest::newRow("plain text") << QVariant(u"VUMRE"_s) << true;
        QTest::newRow("empty") << QVariant(u""_s) << true;
        QTest::newRow("fewer iterations") << QVariant(passwords::hash(u"VUMRE"_s, 1000)) << true;
        QTest::newRow("current iterations") << QVariant(passwords::hash(u"VUMRE"_s)) << false;
    }
    void oldPasswordsNeedANewHash()
    {
        QFETCH(QVariant, stored);
        QFETCH(bool, needs);
        QCOMPARE(passwords::needsNewHash(stored), needs);
        QCOMPARE(passwords::kUserIterations, 600000);
    }

    void hashesAreSalted()
    {
        QVERIFY(passwords::hash(u"x"_s, 1000) != passwords::hash(u"x"_s, 1000));
        QVERIFY(!passwords::hash(u"secreto"_s, 1000).contains(u"secreto"_s));
    }

    // A file's own password, once matched, is not derived again on later openings (nor on the
    // next run, the match being kept beside the data folder); a file made again with another
    // password is still refused, and a lost or damaged record of matches only costs a
    // derivation.
    void filePasswordMatchesRemembered()
    {
        store_->create(u"Marcas.mdb"_s);
        const auto openMarcas = [] { catalogue::open(u"Marcas.mdb"_s); };
        openMarcas();
        int derived = passwords::derivations();
        openMarcas();
        QCOMPARE(passwords::derivations(), derived);

        const QString record = paths::mappedRoot() + u"/valdrameno.claves"_s;
        for (const QByteArray& damage : {QByteArray(), QByteArray("\xff\0basura\n\n")}) {
            QFile file(record);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(damage);
            file.close();
            openMarcas();
            QCOMPARE(passwords::derivations(), ++derived);
            openMarcas();
            QCOMPARE(passwords::derivations(), derived);
        }

        // A disk that takes nothing: the file opens all the same, and is checked again next.
        QVERIFY(QFile::remove(record));
        filereplace::injectFault(filereplace::FaultPoint::Rename, ENOSPC);
        openMarcas();
        filereplace::clearFaults();
        QVERIFY(!QFileInfo::exists(record));
        openMarcas();
        QCOMPARE(passwords::derivations(), derived + 2);

        catalogue::FileDef other = *catalogue::find(u"Marcas.mdb"_s);
        other.password = u"otra"_s;
        store_->create(other, {});
        try {
            openMarcas();
            QFAIL("a file with another password was opened");
        } catch (const EngineError& error) {
            QCOMPARE(error.number(), 3031);
        }
    }

    // A library opened at its first use answers like a linked one, and one the system lacks is
    // an error box's error, not the program's end.
    void librariesOpenedAtFirstUse()
    {
        const SharedLibrary c("libc.so.6");
        QCOMPARE(LIBRARY_FUNCTION(c, strlen)("Ñandú"), size_t(7));
        try {
            c.function<void (*)()>("valdrameno_no_such_function");
            QFAIL("a missing function was found");
        } catch (const EngineError& error) {
            QCOMPARE(error.number(), 48);
            QCOMPARE(error.text(),
                     u"Error al cargar la biblioteca: libc.so.6: valdrameno_no_such_function"_s);
        }
        try {
            const SharedLibrary missing("libvaldrameno-ausente.so.1");
            QFAIL("a missing library was loaded");
        } catch (const EngineError& error) {
            QCOMPARE(error.number(), 48);
            QVERIFY2(error.text().startsWith(
                         u"Error al cargar la biblioteca: libvaldrameno-ausente.so.1"_s),
                     qPrintable(error.text()));
        }
    }
};

RUN_TEST_CLASS(runFilesTest, FilesTest)
#include "tst_files.moc"
