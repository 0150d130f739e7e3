// The article search, case and accents aside, through its index: what it finds, that the index
// follows every write made through the engine, that it is made again when the article file
// changed behind it, and that it stays out of backups and terminals.

#include <signal.h>
#include <sqlite3.h>
#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <random>

#include "articles/priceupdate.h"
#include "data/articlesearch.h"
#include "data/catalogue.h"
#include "data/engine.h"
#include "distribution/backupcopy.h"
#include "distribution/terminals.h"
#include "lookups/lookupdialog.h"
#include "lookups/members.h"
#include "shell/espere.h"
#include "tempstore.h"

using namespace Qt::StringLiterals;

namespace {

const QString kArticles = u"Articulos.mdb"_s;

// Compares as the store's collation does for the unaccented texts these tests write.
int compareWithoutCase(void*, int leftSize, const void* left, int rightSize, const void* right)
{
    const int compared =
        sqlite3_strnicmp(static_cast<const char*>(left), static_cast<const char*>(right),
                         std::min(leftSize, rightSize));
    return compared != 0 ? compared : leftSize - rightSize;
}

// Runs SQL on the article file through a connection of its own, as a program that knows
// nothing of the index would (a terminal's copy, another tool).
void writeBehind(const QString& sql)
{
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(fixture::DataFolder::nativePath(kArticles).toUtf8().constData(), &db),
             SQLITE_OK);
    sqlite3_create_collation(db, "ES_NOCASE", SQLITE_UTF8, nullptr, compareWithoutCase);
    char* error = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error);
    const QString message = QString::fromUtf8(error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
    QVERIFY2(rc == SQLITE_OK, qPrintable(message));
}

void addArticle(Database& db, const QString& description)
{
    auto rs = db.OpenRecordset(u"articulos"_s);
    rs->AddNew();
    rs->Fields(u"descripcion").setValue(description);
    rs->Update();
}

// Codes of the found rows, in order.
QList<qint64> codes(const QList<QVariantList>& rows)
{
    QList<qint64> found;
    for (const QVariantList& row : rows) found << row.value(0).toLongLong();
    return found;
}

QList<qint64> search(Database& db, const QString& text, int limit = 999)
{
    return codes(articlesearch::find(db, text, {u"codigo"_s, u"descripcion"_s}, limit));
}

// The same search by reading every description: what the index must give.
QList<qint64> searchByReading(Database& db, const QString& text, int limit = 999)
{
    const QString wanted = articlesearch::fold(text);
    QList<qint64> found;
    db.ForEach(
        u"SELECT codigo, descripcion FROM articulos WHERE descripcion <> '' ORDER BY codigo"_s, {},
        [&](const Database::RowView& row) {
            if (found.size() < limit && articlesearch::fold(row.text(1)).contains(wanted))
                found << row.whole(0);
        });
    return found;
}

}  // namespace

class TestArticleSearch : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void fold_data();
    void fold();
    void findsRegardlessOfAccentsAndCase_data();
    void findsRegardlessOfAccentsAndCase();
    void indexGivesWhatReadingGives();
    void writesThroughTheEngineKeepTheIndexInStep();
    void changeBehindTheIndexRebuildsIt_data();
    void changeBehindTheIndexRebuildsIt();
    void lookupDialogFindsWithoutAccentsUnderTheWaitWindow();
    void indexStaysOutOfBackupsAndTerminals();
    void storeFileWithAVirtualTableIsStillRefused();
    void indexThatCannotBeWrittenLeavesNothing();

private:
    std::unique_ptr<fixture::DataFolder> folder_;
};

void TestArticleSearch::init()
{
    folder_ = std::make_unique<fixture::DataFolder>();
    folder_->create(kArticles);
}

void TestArticleSearch::cleanup() { folder_.reset(); }

void TestArticleSearch::fold_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("folded");
    QTest::newRow("lower, accent") << u"azúcar"_s << u"AZUCAR"_s;
    QTest::newRow("upper, accent") << u"AZÚCAR"_s << u"AZUCAR"_s;
    QTest::newRow("mixed") << u"Azúcar Ledesma"_s << u"AZUCAR LEDESMA"_s;
    QTest::newRow("every vowel") << u"áéíóú ÁÉÍÓÚ àèìòù âêîôû"_s << u"AEIOU AEIOU AEIOU AEIOU"_s;
    QTest::newRow("diaeresis") << u"pingüino"_s << u"PINGUINO"_s;
    QTest::newRow("eñe stays") << u"año Ñandú"_s << u"AÑO ÑANDU"_s;
    QTest::newRow("cedilla") << u"Français"_s << u"FRANCAIS"_s;
    QTest::newRow("sharp s") << u"straße"_s << u"STRASSE"_s;
    QTest::newRow("digits, signs") << u"1/2 kg, 10% \"x\""_s << u"1/2 KG, 10% \"X\""_s;
    QTest::newRow("decomposed accent") << u"azu\u0301car"_s << u"AZUCAR"_s;
    QTest::newRow("beyond Latin") << u"ωμέγα"_s << u"ΩΜΕΓΑ"_s;
}

void TestArticleSearch::fold()
{
    QFETCH(QString, text);
    QFETCH(QString, folded);
    QCOMPARE(articlesearch::fold(text), folded);
    // The price window's description condition folds the same way.
    QCOMPARE(articles::foldForSearch(text), folded);
}

void TestArticleSearch::findsRegardlessOfAccentsAndCase_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<qint64>>("found");
    // 1 AZÚCAR LEDESMA, 2 azucar blanca, 3 CAÑA DE AZÚCAR, 4 CANASTA, 5 AÑO NUEVO, 6 ANO, 7 "", 8
    // Null
    QTest::newRow("lower, no accent") << u"azucar"_s << QList<qint64>{1, 2, 3};
    QTest::newRow("upper, no accent") << u"AZUCAR"_s << QList<qint64>{1, 2, 3};
    QTest::newRow("accent") << u"Azúcar"_s << QList<qint64>{1, 2, 3};
    QTest::newRow("upper, accent") << u"AZÚCAR LE"_s << QList<qint64>{1};
    QTest::newRow("eñe is not en") << u"CAÑA"_s << QList<qint64>{3};
    QTest::newRow("en is not eñe") << u"CANA"_s << QList<qint64>{4};
    QTest::newRow("two letters, eñe") << u"ñ"_s << QList<qint64>{3, 5};
    QTest::newRow("two letters") << u"ño"_s << QList<qint64>{5};
    QTest::newRow("two letters, en") << u"NO"_s << QList<qint64>{6};
    QTest::newRow("one letter, accent") << u"ú"_s << QList<qint64>{1, 2, 3, 5};
    QTest::newRow("one letter") << u"z"_s << QList<qint64>{1, 2, 3};
    QTest::newRow("quote in the text") << u"\"AZ"_s << QList<qint64>{};
    QTest::newRow("found nowhere") << u"LECHE"_s << QList<qint64>{};
    QTest::newRow("empty: every description") << QString() << QList<qint64>{1, 2, 3, 4, 5, 6};
}

void TestArticleSearch::findsRegardlessOfAccentsAndCase()
{
    QFETCH(QString, text);
    QFETCH(QList<qint64>, found);
    auto db = catalogue::open(kArticles);
    for (const QString& description : {u"AZÚCAR LEDESMA"_s, u"azucar blanca"_s, u"CAÑA DE AZÚCAR"_s,
                                       u"CANASTA"_s, u"AÑO NUEVO"_s, u"ANO"_s})
        addArticle(*db, description);
    addArticle(*db, u"X"_s);
    db->Execute(u"UPDATE articulos SET descripcion = '' WHERE codigo = 7"_s);
    addArticle(*db, QString());
    // Without the index (the table read), then through it.
    QCOMPARE(search(*db, text), found);
    QVERIFY(!articlesearch::prepare(*db));
    QVERIFY(QFileInfo::exists(articlesearch::indexPath()));
    QCOMPARE(search(*db, text), found);
    QCOMPARE(search(*db, text, 1), found.mid(0, 1));
}

void TestArticleSearch::indexGivesWhatReadingGives()
{
    // Enough articles that a search reads the first ones and takes the rest from the index, with
    // codes that do not start at 1 and gaps where articles were deleted.
    auto db = catalogue::open(kArticles);
    const QStringList words{u"AZÚCAR"_s, u"ARROZ"_s, u"AÑO"_s,   u"ANO"_s,   u"PINGÜINO"_s,
                            u"té"_s,     u"CAFÉ"_s,  u"yerba"_s, u"LECHE"_s, u"ZQXW"_s};
    std::mt19937 random(23);
    {
        Transaction filling(*db);
        auto insert = db->Writer(u"INSERT INTO articulos (codigo, descripcion) VALUES (?1, ?2)"_s);
        for (int i = 0; i < 12000; ++i) {
            QString description = u"ARTICULO %1"_s.arg(i);
            // ZQXW is rare; the others common.
            for (int w = 0; w < 3; ++w) description += u' ' + words[qsizetype(random() % 9)];
            if (random() % 400 == 0) description += u" zqxw"_s;
            insert({100 + i, description});
        }
        filling.CommitTrans();
    }
    db->Execute(u"DELETE FROM articulos WHERE codigo % 13 = 0"_s);
    QVERIFY(!articlesearch::prepare(*db));
    for (const QString& text : {u"zqxw"_s, u"AZUCAR"_s, u"año"_s, u"ANO "_s, u"pinguino cafe"_s,
                                u"TE Y"_s, u"ARTICULO 11"_s, u"ARTICULO 5"_s, u"NADA"_s, u"ÑO"_s})
        for (int limit : {999, 20})
            QCOMPARE(search(*db, text, limit), searchByReading(*db, text, limit));
}

void TestArticleSearch::writesThroughTheEngineKeepTheIndexInStep()
{
    auto db = catalogue::open(kArticles);
    addArticle(*db, u"AZÚCAR"_s);
    QVERIFY(!articlesearch::prepare(*db));
    // A save of a new article, a changed description, a delete, and a statement of many rows.
    addArticle(*db, u"Caña de azúcar"_s);
    {
        auto rs = db->OpenRecordset(u"articulos"_s);
        rs->setIndex(u"codigo"_s);
        rs->Seek(1);
        rs->Edit();
        rs->Fields(u"descripcion").setValue(u"ARROZ"_s);
        rs->Update();
    }
    addArticle(*db, u"PIÑA"_s);
    addArticle(*db, u"AZUCAR NEGRA"_s);
    db->Execute(u"DELETE FROM articulos WHERE codigo = 3"_s);
    db->Execute(u"UPDATE articulos SET descripcion = descripcion || ' FINA' WHERE codigo >= 2"_s);
    // A change of prices only leaves the index alone.
    db->Execute(u"UPDATE articulos SET lis1 = 10"_s);
    QVERIFY(articlesearch::prepare(*db));
    QCOMPARE(search(*db, u"AZUCAR"_s), (QList<qint64>{2, 4}));
    QCOMPARE(search(*db, u"ARROZ"_s), QList<qint64>{1});
    QCOMPARE(search(*db, u"PIÑA"_s), QList<qint64>{});
    QCOMPARE(search(*db, u"fina"_s), (QList<qint64>{2, 4}));

    // The next start of the program finds the index as it left it, without reading the table
    // again: the state of the file was recorded.
    db.reset();
    db = catalogue::open(kArticles);
    QVERIFY(articlesearch::prepare(*db));
    QCOMPARE(search(*db, u"negra fina"_s), QList<qint64>{4});
}

void TestArticleSearch::changeBehindTheIndexRebuildsIt_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("rebuilt");
    QTest::addColumn<QList<qint64>>("azucar");
    // Articles 1 AZÚCAR and 2 ARROZ, indexed; then the file changes while the program is closed.
    QTest::newRow("description written by another program")
        << u"describe"_s << true << QList<qint64>{2};
    QTest::newRow("article added by another program") << u"add"_s << true << (QList<qint64>{1, 3});
    QTest::newRow("article deleted by another program") << u"delete"_s << true << QList<qint64>{};
    QTest::newRow("older file restored") << u"restore"_s << true << (QList<qint64>{1});
    QTest::newRow("index file missing") << u"missing"_s << true << (QList<qint64>{1, 4});
    QTest::newRow("index file damaged") << u"damaged"_s << true << (QList<qint64>{1, 4});
    QTest::newRow("prices changed by another program")
        << u"prices"_s << false << (QList<qint64>{1, 4});
}

void TestArticleSearch::changeBehindTheIndexRebuildsIt()
{
    QFETCH(QString, change);
    QFETCH(bool, rebuilt);
    QFETCH(QList<qint64>, azucar);
    const QString native = fixture::DataFolder::nativePath(kArticles);
    const QString older = folder_->path() + u"/older.mdb"_s;
    {
        auto db = catalogue::open(kArticles);
        addArticle(*db, u"AZÚCAR"_s);
        addArticle(*db, u"ARROZ"_s);
        QVERIFY(!articlesearch::prepare(*db));
        QVERIFY(QFile::copy(native, older));  // a backup of this moment
        addArticle(*db, u"LECHE"_s);
        addArticle(*db, u"azucar negra"_s);
        QVERIFY(articlesearch::prepare(*db));
    }
    if (change == u"describe")
        writeBehind(
            u"UPDATE articulos SET descripcion = 'AZUCAR' WHERE codigo = 2; "
            u"UPDATE articulos SET descripcion = 'SAL' WHERE codigo IN (1, 4)"_s);
    if (change == u"add")
        writeBehind(
            u"INSERT INTO articulos (codigo, descripcion) VALUES (5, 'PAPEL'); "
            u"UPDATE articulos SET descripcion = 'AZÚCAR' WHERE codigo = 3; "
            u"DELETE FROM articulos WHERE codigo = 4"_s);
    if (change == u"delete") writeBehind(u"DELETE FROM articulos WHERE codigo IN (1, 4)"_s);
    if (change == u"restore") {
        // Put in place as a restore does: another file under the same name.
        QVERIFY(QFile::copy(older, native + u".tmp"_s));
        QVERIFY(QFile::rename(native, native + u".old"_s));
        QVERIFY(QFile::rename(native + u".tmp"_s, native));
    }
    if (change == u"missing") QVERIFY(QFile::remove(articlesearch::indexPath()));
    if (change == u"damaged") {
        QFile index(articlesearch::indexPath());
        QVERIFY(index.open(QIODevice::ReadWrite));
        index.seek(0);
        index.write(QByteArray(4096, 'x'));
    }
    if (change == u"prices") writeBehind(u"UPDATE articulos SET lis1 = 25"_s);

    auto db = catalogue::open(kArticles);
    QCOMPARE(articlesearch::prepare(*db), !rebuilt);
    QCOMPARE(search(*db, u"azucar"_s), azucar);
    QCOMPARE(search(*db, u"azucar"_s), searchByReading(*db, u"azucar"_s));
    QVERIFY(articlesearch::prepare(*db));
}

void TestArticleSearch::lookupDialogFindsWithoutAccentsUnderTheWaitWindow()
{
    {
        auto db = catalogue::open(kArticles);
        addArticle(*db, u"AZÚCAR LEDESMA"_s);
        addArticle(*db, u"ARROZ"_s);
        addArticle(*db, u"Azúcar negra"_s);
    }
    QLineEdit target;
    auto* dialog = new lookups::LookupDialog(*lookups::findMember(u"ConsArticulo"), &target);
    dialog->show();
    auto* box = dialog->findChild<QLineEdit*>(u"Text1"_s);
    auto* grid = dialog->findChild<QTableView*>(u"MSFlexGrid1"_s);
    QVERIFY(box && grid);
    QVERIFY(!QFileInfo::exists(articlesearch::indexPath()));
    QTest::keyClicks(box, u"azucar"_s);
    QTest::keyClick(box, Qt::Key_Return);
    // The index was made under the wait window, hidden again once the rows were listed.
    QVERIFY(QFileInfo::exists(articlesearch::indexPath()));
    QVERIFY(Espere::form() && !Espere::form()->isVisible());
    QCOMPARE(grid->model()->index(0, 1).data().toString(), u"00000001"_s);
    QCOMPARE(grid->model()->index(0, 2).data().toString(), u"AZÚCAR LEDESMA"_s);
    QCOMPARE(grid->model()->index(1, 1).data().toString(), u"00000003"_s);
    QVERIFY(grid->model()->index(2, 2).data().toString().isEmpty());
    dialog->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestArticleSearch::indexStaysOutOfBackupsAndTerminals()
{
    for (const catalogue::FileDef& def : catalogue::files()) folder_->create(def.fileName);
    {
        auto db = catalogue::open(kArticles);
        addArticle(*db, u"AZÚCAR"_s);
        QVERIFY(!articlesearch::prepare(*db));
    }
    const QString bases = QFileInfo(articlesearch::indexPath()).absolutePath();
    QCOMPARE(QFileInfo(fixture::DataFolder::nativePath(kArticles)).absolutePath(), bases);
    QTemporaryDir backups;
    const QDate day(2026, 3, 2);
    QCOMPARE(backupcopy::Realizar(bases, backups.path(), day, true, QString(), {}),
             backupcopy::Outcome::Done);
    const QDir copy(backups.path() + u'/' + backupcopy::nombreFechado(day));
    QVERIFY(copy.exists(kArticles));
    QCOMPARE(copy.entryList(QDir::Files | QDir::Hidden).filter(u"busqueda"_s, Qt::CaseInsensitive),
             QStringList());
    // The terminals receive store files only, by name.
    for (const terminals::FileRow& row : terminals::files()) QVERIFY(catalogue::find(row.target));
}

void TestArticleSearch::storeFileWithAVirtualTableIsStillRefused()
{
    writeBehind(u"CREATE VIRTUAL TABLE buscar USING fts5(texto)"_s);
    try {
        catalogue::open(kArticles);
        QFAIL("a store file holding a virtual table was opened");
    } catch (const EngineError& error) {
        QCOMPARE(error.number(), 3343);
    }
}

// A disk that takes no more while the index is made: the build stops with an error, leaves no
// file behind, the search still reads the table, and the next look makes the index.
void TestArticleSearch::indexThatCannotBeWrittenLeavesNothing()
{
    auto db = catalogue::open(kArticles);
    {
        Transaction filling(*db);
        auto insert = db->Writer(u"INSERT INTO articulos (codigo, descripcion) VALUES (?1, ?2)"_s);
        for (int i = 1; i <= 12000; ++i) insert({i, u"AZÚCAR %1 ARROZ %2"_s.arg(i).arg(i * 7)});
        filling.CommitTrans();
    }
    const QDir bases = QFileInfo(articlesearch::indexPath()).absoluteDir();
    const QStringList before = bases.entryList(QDir::Files | QDir::Hidden);
    {
        // Files may grow to 64 KB; a write beyond fails (EFBIG) instead of ending the process.
        const auto ignored = ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &limit), 0);
        const rlimit small{64 * 1024, limit.rlim_max};
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        bool failed = false;
        try {
            articlesearch::prepare(*db);
        } catch (const EngineError&) {
            failed = true;
        }
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::signal(SIGXFSZ, ignored);
        QVERIFY(failed);
    }
    QCOMPARE(bases.entryList(QDir::Files | QDir::Hidden), before);
    QCOMPARE(search(*db, u"azucar 1199 "_s), searchByReading(*db, u"azucar 1199 "_s));
    QVERIFY(!articlesearch::prepare(*db));
    QCOMPARE(search(*db, u"azucar 1199 "_s), (QList<qint64>{1199}));
}

QTEST_MAIN(TestArticleSearch)
#include "tst_articlesearch.moc"
