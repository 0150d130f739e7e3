// Putting files in place, snapshot copies and the scoped transaction.
#include <fcntl.h>
#include <sys/stat.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <cerrno>

#include "data/catalogue.h"
#include "data/dbcopy.h"
#include "data/filereplace.h"
#include "tempstore.h"
#include "tests.h"

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(filereplace::FaultPoint)
Q_DECLARE_METATYPE(EngineErrorCode)

namespace {

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void write(const QString& path, const QByteArray& data)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

QStringList hidden(const QString& folder)
{
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    names.removeIf([](const QString& n) { return !n.startsWith(u'.'); });
    return names;
}

}  // namespace

class ReplaceTest : public QObject {
    Q_OBJECT
    std::optional<fixture::DataFolder> store_;
    QString folder_;

private slots:
    void init()
    {
        store_.emplace();
        folder_ = store_->path() + u"/dest"_s;
        QVERIFY(QDir().mkpath(folder_));
    }
    void cleanup()
    {
        filereplace::clearFaults();
        store_.reset();
    }

    void replacesOrRefuses_data()
    {
        QTest::addColumn<bool>("targetExists");
        QTest::addColumn<bool>("replace");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("new name") << false << false << QByteArray("new");
        QTest::newRow("replace") << true << true << QByteArray("new");
        QTest::newRow("never replace") << true << false << QByteArray("old");
    }
    void replacesOrRefuses()
    {
        QFETCH(bool, targetExists);
        QFETCH(bool, replace);
        QFETCH(QByteArray, after);
        const QString target = folder_ + u"/Marcas.mdb"_s;
        if (targetExists) write(target, "old");
        const QString temp = filereplace::temporaryFor(target);
        write(temp, "new");
        const auto mode = replace ? filereplace::Mode::Replace : filereplace::Mode::NeverReplace;
        if (after == "old") {
            QVERIFY_THROWS_EXCEPTION(EngineError, filereplace::putInPlace(temp, target, mode));
        } else {
            filereplace::putInPlace(temp, target, mode);
        }
        QCOMPARE(contents(target), after);
        QCOMPARE(hidden(folder_), QStringList());
    }

    // The errno of the failing call reaches the error, though removing the temporary runs after.
    void failureKeepsTheSystemReason_data()
    {
        QTest::addColumn<filereplace::FaultPoint>("point");
        QTest::addColumn<int>("errnum");
        QTest::addColumn<EngineErrorCode>("code");
        QTest::newRow("disk full at flush")
            << filereplace::FaultPoint::Sync << ENOSPC << EngineErrorCode::DiskFull;
        QTest::newRow("read-only at rename")
            << filereplace::FaultPoint::Rename << EROFS << EngineErrorCode::ReadOnlyFile;
        QTest::newRow("network at flush")
            << filereplace::FaultPoint::Sync << EIO << EngineErrorCode::IoError;
    }
    void failureKeepsTheSystemReason()
    {
        QFETCH(filereplace::FaultPoint, point);
        QFETCH(int, errnum);
        QFETCH(EngineErrorCode, code);
        const QString target = folder_ + u"/Marcas.mdb"_s;
        write(target, "old");
        const QString temp = filereplace::temporaryFor(target);
        write(temp, "new");
        filereplace::injectFault(point, errnum);
        try {
            filereplace::putInPlace(temp, target, filereplace::Mode::Replace);
            QFAIL("no error");
        } catch (const EngineError& e) {
            QCOMPARE(e.code(), code);
            QCOMPARE(e.systemError(), errnum);
            QVERIFY2(e.text().endsWith(u" ("_s + qt_error_string(errnum) + u')'),
                     qPrintable(e.text()));
        }
        QCOMPARE(contents(target), QByteArray("old"));
        QCOMPARE(hidden(folder_), QStringList());
    }

    void createFileReportsAFullDisk()
    {
        const QString path = store_->nativePath(u"Marcas.mdb"_s);
        filereplace::injectFault(filereplace::FaultPoint::Sync, ENOSPC);
        try {
            catalogue::createFile(*catalogue::find(u"Marcas.mdb"_s), path);
            QFAIL("no error");
        } catch (const EngineError& e) {
            QCOMPARE(e.code(), EngineErrorCode::DiskFull);
        }
        QVERIFY(!QFileInfo::exists(path));
        QCOMPARE(hidden(QFileInfo(path).absolutePath()), QStringList());
    }

    void temporaryNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("temporary");
        const QString made = QFileInfo(filereplace::temporaryFor(u"/x/Articulos.mdb"_s)).fileName();
        QTest::newRow("made") << made << true;
        QTest::newRow("its journal") << made + u"-journal"_s << true;
        QTest::newRow("data file") << u"Articulos.mdb"_s << false;
        QTest::newRow("hidden file") << u".Articulos.mdb"_s << false;
        QTest::newRow("short id") << u".Articulos.mdb.0123.tmp"_s << false;
        QTest::newRow("no dot") << u"Articulos.mdb.0123456789abcdef0123456789abcdef.tmp"_s << false;
    }
    void temporaryNames()
    {
        QFETCH(QString, name);
        QFETCH(bool, temporary);
        QCOMPARE(filereplace::isTemporaryName(name), temporary);
    }

    void leftoversAreRemoved()
    {
        const QString temp = filereplace::temporaryFor(folder_ + u"/Articulos.mdb"_s);
        write(temp, "half");
        write(temp + u"-journal"_s, "j");
        write(folder_ + u"/Articulos.mdb"_s, "kept");
        write(folder_ + u"/.oculto"_s, "kept");
        QCOMPARE(filereplace::removeLeftovers(folder_).size(), 2);
        QCOMPARE(QDir(folder_).entryList(QDir::Files | QDir::Hidden),
                 QStringList({u".oculto"_s, u"Articulos.mdb"_s}));
    }

    void scopedTransactionRollsBackUnlessCommitted()
    {
        store_->create(u"Articulos.mdb"_s);
        auto db = catalogue::open(u"Articulos.mdb"_s);
        try {
            Transaction t(*db);
            auto rs = db->OpenRecordset(u"articulos"_s);
            rs->AddNew();
            rs->Fields(u"descripcion"_s).setValue(u"A"_s);
            rs->Update();
            throw EngineError(EngineErrorCode::IoError);
        } catch (const EngineError&) {
        }
        QCOMPARE(fixture::articleCount(store_->nativePath(u"Articulos.mdb"_s)), qint64(0));
        fixture::addArticles(*db, 3);
        QCOMPARE(fixture::articleCount(store_->nativePath(u"Articulos.mdb"_s)), qint64(3));
    }

    void snapshotCopyIsCheckedAndInPlace()
    {
        store_->create(u"Articulos.mdb"_s);
        fixture::addArticles(*catalogue::open(u"Articulos.mdb"_s), 50);
        const QString target = folder_ + u"/Articulos.mdb"_s;
        write(target, "old");
        dbcopy::copyDatabase(store_->nativePath(u"Articulos.mdb"_s), target,
                             filereplace::Mode::Replace);
        QCOMPARE(fixture::articleCount(target), qint64(50));
        QCOMPARE(dbcopy::check(target), QStringList());
        QCOMPARE(hidden(folder_), QStringList());
    }

    void snapshotCopyInTwoSteps_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("finished") << u"finished"_s;
        QTest::newRow("dropped before its check ended") << u"dropped"_s;
        QTest::newRow("damaged source") << u"damaged"_s;
    }
    void snapshotCopyInTwoSteps()
    {
        QFETCH(QString, how);
        store_->create(u"Articulos.mdb"_s);
        fixture::addArticles(*catalogue::open(u"Articulos.mdb"_s), 300);
        const QString source = store_->nativePath(u"Articulos.mdb"_s),
                      target = folder_ + u"/copia.mdb"_s;
        if (how == u"damaged") {
            QFile f(source);
            QVERIFY(f.open(QIODevice::ReadWrite));
            f.seek(f.size() - 4096);
            f.write(QByteArray(4096, '\x5a'));
        }
        try {
            dbcopy::SnapshotCopy copy(source, target);
            if (how == u"finished") copy.finish();
            if (how == u"damaged") {
                copy.finish();
                QFAIL("no error");
            }
        } catch (const EngineError& e) {
            QVERIFY2(how == u"damaged", qPrintable(e.text()));
        }
        QCOMPARE(QFileInfo::exists(target), how == u"finished");
        if (how == u"finished") QCOMPARE(fixture::articleCount(target), qint64(300));
        QCOMPARE(hidden(folder_), QStringList());
    }

    // A source already copied in a sound state is not checked again while that state lasts; a
    // file written or put in place by other means than a commit is checked again, whatever its
    // change counter says.
    void soundStateIsCheckedAgainAfterAnyChange_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("unchanged") << u"unchanged"_s;
        QTest::newRow("damaged in place") << u"in place"_s;
        QTest::newRow("damaged copy put in place, same time") << u"renamed"_s;
    }
    void soundStateIsCheckedAgainAfterAnyChange()
    {
        QFETCH(QString, how);
        store_->create(u"Articulos.mdb"_s);
        fixture::addArticles(*catalogue::open(u"Articulos.mdb"_s), 300);
        const QString source = store_->nativePath(u"Articulos.mdb"_s);
        dbcopy::copyDatabase(source, folder_ + u"/primera.mdb"_s, filereplace::Mode::NeverReplace);
        struct stat before {};
        QCOMPARE(::stat(QFile::encodeName(source).constData(), &before), 0);
        QByteArray damaged = contents(source);
        damaged.replace(damaged.size() - 4096, 4096, QByteArray(4096, '\x5a'));
        // A write moves the file's time on; within one tick of the clock it might not, so the
        // test moves it as a later write would.
        const timespec later[2] = {before.st_atim,
                                   {before.st_mtim.tv_sec + 1, before.st_mtim.tv_nsec}};
        if (how == u"in place") {
            QFile f(source);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.seek(0));
            QCOMPARE(f.write(damaged), damaged.size());
            f.close();
            QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(source).constData(), later, 0), 0);
        } else if (how == u"renamed") {
            const QString other = folder_ + u"/otro.mdb"_s;
            write(other, damaged);
            const timespec same[2] = {before.st_atim, before.st_mtim};
            QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(other).constData(), same, 0), 0);
            QCOMPARE(::rename(QFile::encodeName(other).constData(),
                              QFile::encodeName(source).constData()),
                     0);
        }
        const QString second = folder_ + u"/segunda.mdb"_s;
        try {
            dbcopy::copyDatabase(source, second, filereplace::Mode::NeverReplace);
            QCOMPARE(how, u"unchanged"_s);
            QCOMPARE(contents(second), contents(source));
        } catch (const EngineError& e) {
            QVERIFY2(how != u"unchanged", qPrintable(e.text()));
            QCOMPARE(e.code(), EngineErrorCode::NotOurFormat);
        }
        QCOMPARE(QFileInfo::exists(second), how == u"unchanged");
        QCOMPARE(hidden(folder_), QStringList());
    }

    // A terminal's copy takes no digest; a backup's copy of the same sound state, which skips the
    // check, still takes the digest of its bytes, and later ones reuse it.
    void digestIsTakenOnlyWhenWanted()
    {
        using Digest = dbcopy::SnapshotCopy::Digest;
        store_->create(u"Articulos.mdb"_s);
        fixture::addArticles(*catalogue::open(u"Articulos.mdb"_s), 300);
        const QString source = store_->nativePath(u"Articulos.mdb"_s);
        const QByteArray expected =
            QCryptographicHash::hash(contents(source), QCryptographicHash::Sha256).toHex();
        QCOMPARE(dbcopy::SnapshotCopy(source, folder_ + u"/caja.mdb"_s).finish(), QByteArray());
        for (const QString& name : {u"copia1.mdb"_s, u"copia2.mdb"_s}) {
            dbcopy::SnapshotCopy copy(source, folder_ + u'/' + name, Digest::Take);
            QVERIFY(copy.checked());
            QCOMPARE(copy.finish(), expected);
        }
    }

    void failedCopyLeavesTheOldFile_data()
    {
        QTest::addColumn<filereplace::FaultPoint>("point");
        QTest::addColumn<int>("errnum");
        QTest::addColumn<EngineErrorCode>("code");
        QTest::newRow("disk full while writing")
            << filereplace::FaultPoint::Write << ENOSPC << EngineErrorCode::DiskFull;
        QTest::newRow("read-only share")
            << filereplace::FaultPoint::Create << EROFS << EngineErrorCode::ReadOnlyFile;
        QTest::newRow("disk full at flush")
            << filereplace::FaultPoint::Sync << ENOSPC << EngineErrorCode::DiskFull;
        QTest::newRow("share gone at rename")
            << filereplace::FaultPoint::Rename << EIO << EngineErrorCode::IoError;
    }
    void failedCopyLeavesTheOldFile()
    {
        QFETCH(filereplace::FaultPoint, point);
        QFETCH(int, errnum);
        QFETCH(EngineErrorCode, code);
        store_->create(u"Articulos.mdb"_s);
        fixture::addArticles(*catalogue::open(u"Articulos.mdb"_s), 200);
        const QString target = folder_ + u"/Articulos.mdb"_s;
        write(target, "old");
        filereplace::injectFault(point, errnum);
        try {
            dbcopy::copyDatabase(store_->nativePath(u"Articulos.mdb"_s), target,
                                 filereplace::Mode::Replace);
            QFAIL("no error");
        } catch (const EngineError& e) {
            QCOMPARE(e.code(), code);
        }
        QCOMPARE(contents(target), QByteArray("old"));
        QCOMPARE(hidden(folder_), QStringList());
    }

    void missingFolderIsNeverCreated()
    {
        store_->create(u"Marcas.mdb"_s);
        const QString target = folder_ + u"/no/montada/Marcas.mdb"_s;
        try {
            dbcopy::copyDatabase(store_->nativePath(u"Marcas.mdb"_s), target,
                                 filereplace::Mode::Replace);
            QFAIL("no error");
        } catch (const EngineError& e) {
            QCOMPARE(e.code(), EngineErrorCode::PathNotValid);
        }
        QVERIFY(!QFileInfo::exists(folder_ + u"/no"_s));
    }

    void damagedFileFailsItsCheck()
    {
        store_->create(u"Articulos.mdb"_s);
        fixture::addArticles(*catalogue::open(u"Articulos.mdb"_s), 300);
        const QString path = store_->nativePath(u"Articulos.mdb"_s);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        const qint64 pageSize = 4096;
        f.seek(f.size() - pageSize);
        f.write(QByteArray(int(pageSize), '\x5a'));
        f.close();
        QVERIFY(!dbcopy::check(path).isEmpty());
        QVERIFY(dbcopy::isDatabaseFile(path));
        write(folder_ + u"/texto.txt"_s, "hola");
        QVERIFY(!dbcopy::isDatabaseFile(folder_ + u"/texto.txt"_s));
    }
};

RUN_TEST_CLASS(runReplaceTest, ReplaceTest)
#include "tst_replace.moc"
