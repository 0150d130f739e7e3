#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include "data/catalogue.h"
#include "data/datacontrol.h"
#include "data/paths.h"
#include "tempstore.h"
#include "tests.h"

using namespace Qt::StringLiterals;

namespace {

void addBrand(Recordset& rs, const QString& code, const QString& description)
{
    rs.AddNew();
    rs.Fields(u"COD_RUB"_s).setValue(code);
    rs.Fields(u"DESCRI"_s).setValue(description);
    rs.Update();
}

void addArticle(Recordset& rs, const QString& description, const QVariant& barcode = {})
{
    rs.AddNew();
    rs.Fields(u"descripcion"_s).setValue(description);
    rs.Fields(u"codbarra"_s).setValue(barcode);
    rs.Update();
}

// The values of one field along a walk from the first record.
QStringList walk(Recordset& rs, const QString& field)
{
    QStringList seen;
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) seen << rs.Fields(field).Value().toString();
    return seen;
}

int errorNumber(const std::function<void()>& action)
{
    try {
        action();
    } catch (const EngineError& e) {
        return e.number();
    }
    return 0;
}

}  // namespace

class EngineTest : public QObject {
    Q_OBJECT
    std::optional<fixture::DataFolder> store_;

private slots:
    void init()
    {
        store_.emplace();
        for (const auto& name : {u"Marcas.mdb"_s, u"Articulos.mdb"_s, u"Opcion.mdb"_s})
            store_->create(name);
    }
    void cleanup() { store_.reset(); }

    void tableOrderThenIndexOrder()
    {
        auto db = catalogue::open(u"Marcas.mdb"_s);
        auto rs = db->OpenRecordset(u"rubros"_s);
        for (const auto& code : {u"0003"_s, u"0001"_s, u"0002"_s})
            addBrand(*rs, code, u"M"_s + code);
        QCOMPARE(walk(*rs, u"COD_RUB"_s), (QStringList{u"0003"_s, u"0001"_s, u"0002"_s}));
        rs->setIndex(u"COD_RUB"_s);
        QCOMPARE(walk(*rs, u"COD_RUB"_s), (QStringList{u"0001"_s, u"0002"_s, u"0003"_s}));
        rs->MoveLast();
        QCOMPARE(rs->Fields(u"COD_RUB"_s).Value().toString(), u"0003"_s);
        rs->MovePrevious();
        QCOMPARE(rs->Fields(u"COD_RUB"_s).Value().toString(), u"0002"_s);

        auto dynaset = db->OpenRecordset(u"rubros"_s, RecordsetType::Dynaset);
        dynaset->MoveLast();
        QCOMPARE(dynaset->Fields(u"COD_RUB"_s).Value().toString(), u"0002"_s);
        QCOMPARE(errorNumber([&] { dynaset->setIndex(u"COD_RUB"_s); }), 3251);
        QCOMPARE(errorNumber([&] { dynaset->Seek(u"0001"_s); }), 3251);
    }

    void indexOrderWithNullAndEqualKeys()
    {
        auto db = catalogue::open(u"Articulos.mdb"_s);
        auto rs = db->OpenRecordset(u"articulos"_s);
        addArticle(*rs, u"b1"_s, u"B"_s);
        addArticle(*rs, u"n1"_s);
        addArticle(*rs, u"a1"_s, u"a"_s);
        addArticle(*rs, u"a2"_s, u"A"_s);
        addArticle(*rs, u"n2"_s);
        rs->setIndex(u"codbarra"_s);
        const QStringList forward{u"n1"_s, u"n2"_s, u"a1"_s, u"a2"_s, u"b1"_s};
        QCOMPARE(walk(*rs, u"descripcion"_s), forward);
        QStringList backward;
        for (rs->MoveLast(); !rs->Bof(); rs->MovePrevious())
            backward.prepend(rs->Fields(u"descripcion"_s).Value().toString());
        QCOMPARE(backward, forward);
    }

    void seek_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("found");  // empty for NoMatch
        QTest::newRow("same spelling") << u"Ñandú"_s << u"Ñandú"_s;
        QTest::newRow("Ñ and Ú in other case") << u"ñANDÚ"_s << u"Ñandú"_s;
        QTest::newRow("Á in other case") << u"álvaro"_s << u"ÁLVARO"_s;
        QTest::newRow("Ü in other case") << u"PINGÜINO"_s << u"pingüino"_s;
        QTest::newRow("ASCII in other case") << u"vumre"_s << u"VUMRE"_s;
        QTest::newRow("accent still counts") << u"Nandu"_s << QString();
        QTest::newRow("whole field only") << u"Ñand"_s << QString();
        QTest::newRow("no trailing blank match") << u"VUMRE "_s << QString();
        QTest::newRow("empty") << QString() << QString();
    }
    void seek()
    {
        QFETCH(QString, key);
        QFETCH(QString, found);
        auto db = catalogue::open(u"Opcion.mdb"_s);
        auto rs = db->OpenRecordset(u"Usuarios"_s);
        for (const auto& name : {u"VUMRE"_s, u"Ñandú"_s, u"ÁLVARO"_s, u"pingüino"_s}) {
            rs->AddNew();
            rs->Fields(u"usuario"_s).setValue(name);
            rs->Update();
        }
        rs->setIndex(u"usuario"_s);
        rs->Seek(key);
        QCOMPARE(rs->NoMatch(), found.isEmpty());
        if (!found.isEmpty()) QCOMPARE(rs->Fields(u"usuario"_s).Value().toString(), found);
    }

    void seekNumericAndFirstOfEqualKeys()
    {
        auto db = catalogue::open(u"Articulos.mdb"_s);
        auto rs = db->OpenRecordset(u"articulos"_s);
        for (int i = 1; i <= 150; ++i)
            addArticle(*rs, QStringLiteral("ART %1").arg(i), u"77"_s + QString::number(i % 3));
        rs->setIndex(u"codigo"_s);
        rs->Seek(u"000123"_s);
        QVERIFY(!rs->NoMatch());
        QCOMPARE(rs->Fields(u"codigo"_s).Value().toInt(), 123);
        QCOMPARE(rs->Fields(u"descripcion"_s).Value().toString(), u"ART 123"_s);
        for (const auto& miss : {u"abc"_s, u"12,5"_s, u"999"_s, QString()}) {
            rs->Seek(miss);
            QVERIFY2(rs->NoMatch(), qPrintable(miss));
        }
        rs->setIndex(u"CODBARRA"_s);
        rs->Seek(u"771"_s);
        QCOMPARE(rs->Fields(u"descripcion"_s).Value().toString(), u"ART 1"_s);
        rs->MoveNext();
        QCOMPARE(rs->Fields(u"descripcion"_s).Value().toString(), u"ART 4"_s);
        QCOMPARE(errorNumber([&] { rs->setIndex(u"nada"_s); }), 3015);
    }

    void namesWithoutRegardToCase()
    {
        auto db = catalogue::open(u"Articulos.mdb"_s);
        auto rs = db->OpenRecordset(u"ARTICULOS"_s);
        rs->AddNew();
        rs->Fields(u"DESCRIPCION"_s).setValue(u"x"_s);
        rs->Update();
        rs->MoveFirst();
        QCOMPARE(rs->Fields(u"Descripcion"_s).Value().toString(), u"x"_s);
        QCOMPARE(rs->Fields(u"descripcion"_s).Name(), u"descripcion"_s);
        QCOMPARE(errorNumber([&] { rs->Fields(u"nada"_s); }), 3265);
        QCOMPARE(errorNumber([&] { db->OpenRecordset(u"nada"_s); }), 3078);
    }

    void assignments_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QVariant>("assigned");
        QTest::addColumn<int>("error");
        QTest::addColumn<QVariant>("stored");
        QTest::newRow("decimal comma")
            << u"cos"_s << QVariant(u"1234,5"_s) << 0 << QVariant(1234.5);
        QTest::newRow("negative") << u"dep1"_s << QVariant(u"-2"_s) << 0 << QVariant(-2.0);
        QTest::newRow("empty text is Null") << u"cos"_s << QVariant(u""_s) << 0 << QVariant();
        QTest::newRow("blank text is Null") << u"iva"_s << QVariant(u"  "_s) << 0 << QVariant();
        QTest::newRow("letters") << u"cos"_s << QVariant(u"12a"_s) << 3421 << QVariant(7.0);
        QTest::newRow("full stop") << u"cos"_s << QVariant(u"12.5"_s) << 3421 << QVariant(7.0);
        QTest::newRow("text fits")
            << u"codp"_s << QVariant(u"0123456789"_s) << 0 << QVariant(u"0123456789"_s);
        QTest::newRow("accented text")
            << u"desp"_s << QVariant(u"ÑANDÚ"_s) << 0 << QVariant(u"ÑANDÚ"_s);
        QTest::newRow("text too long")
            << u"codp"_s << QVariant(u"01234567890"_s) << 3163 << QVariant(u"P"_s);
        QTest::newRow("empty text stays text")
            << u"codp"_s << QVariant(u""_s) << 0 << QVariant(u""_s);
        QTest::newRow("number into text")
            << u"codp"_s << QVariant(12.5) << 0 << QVariant(u"12,5"_s);
        QTest::newRow("Null") << u"desp"_s << QVariant() << 0 << QVariant();
        QTest::newRow("counter is never written")
            << u"codigo"_s << QVariant(5) << 3164 << QVariant(1);
        QTest::newRow("date text") << u"fea"_s << QVariant(u"31/12/2026"_s) << 0
                                   << QVariant(QDateTime(QDate(2026, 12, 31), QTime(0, 0)));
        QTest::newRow("bad date") << u"fea"_s << QVariant(u"31/02/2026"_s) << 3421 << QVariant();
    }
    void assignments()
    {
        QFETCH(QString, field);
        QFETCH(QVariant, assigned);
        QFETCH(int, error);
        QFETCH(QVariant, stored);
        auto db = catalogue::open(u"Articulos.mdb"_s);
        auto rs = db->OpenRecordset(u"articulos"_s);
        rs->AddNew();
        rs->Fields(u"cos"_s).setValue(7.0);
        rs->Fields(u"codp"_s).setValue(u"P"_s);
        rs->Update();
        rs->MoveFirst();
        rs->Edit();
        QCOMPARE(errorNumber([&] { rs->Fields(field).setValue(assigned); }), error);
        rs->Update();
        rs->MoveFirst();
        QCOMPARE(rs->Fields(field).Value(), stored);
        // A number read without a QVariant is the same number, while editing too.
        const auto asNumber = [](const QVariant& v) {
            return v.isNull() ? std::nullopt : std::optional(v.toDouble());
        };
        if (rs->Fields(field).Type() == FieldType::Double) {
            QCOMPARE(rs->Fields(field).number(), asNumber(stored));
            rs->Edit();
            QCOMPARE(rs->Fields(field).number(), asNumber(stored));
            rs->CancelUpdate();
        }
        // A text as the file holds it is the text Value() gives; there is none for Null or while
        // editing.
        if (rs->Fields(field).Type() == FieldType::Text) {
            const std::optional<QByteArrayView> held = rs->Fields(field).storedText();
            QCOMPARE(held.has_value(), !stored.isNull());
            if (held) QCOMPARE(QString::fromUtf8(*held), stored.toString());
            rs->Edit();
            QVERIFY(!rs->Fields(field).storedText());
            rs->CancelUpdate();
        }
    }

    void wholeNumberFields()
    {
        store_->create(u"Etiquetas.mdb"_s);
        auto db = catalogue::open(u"Etiquetas.mdb"_s);
        auto rs = db->OpenRecordset(u"articulos"_s);
        rs->AddNew();
        QCOMPARE(errorNumber([&] { rs->Fields(u"codigo"_s).setValue(u"12,5"_s); }), 3421);
        QCOMPARE(errorNumber([&] { rs->Fields(u"stock"_s).setValue(u"40000"_s); }), 3349);
        QCOMPARE(errorNumber([&] { rs->Fields(u"codigo"_s).setValue(u"3000000000"_s); }), 3349);
        rs->Fields(u"codigo"_s).setValue(u"000123"_s);
        rs->Fields(u"stock"_s).setValue(u"-5"_s);
        rs->Update();
        rs->MoveFirst();
        QCOMPARE(rs->Fields(u"codigo"_s).Value(), QVariant(123));
        QCOMPARE(rs->Fields(u"stock"_s).Value(), QVariant(-5));
    }

    void failedAssignmentStoresNothing()
    {
        auto db = catalogue::open(u"Articulos.mdb"_s);
        auto rs = db->OpenRecordset(u"articulos"_s);
        rs->AddNew();
        rs->Fields(u"descripcion"_s).setValue(u"never stored"_s);
        QCOMPARE(errorNumber([&] { rs->Fields(u"cos"_s).setValue(u"doce"_s); }), 3421);
        rs->CancelUpdate();
        QVERIFY(rs->Eof() && rs->Bof());
        QCOMPARE(errorNumber([&] { rs->Update(); }), 3020);
        QCOMPARE(errorNumber([&] { rs->Fields(u"cos"_s).setValue(u"1"_s); }), 3020);
    }

    void updateSurvivesKill()
    {
        QProcess child;
        child.start(QString::fromUtf8(ENGINE_CHILD), {u"DURABLE"_s});
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        QCOMPARE(child.readAllStandardOutput().trimmed(), QByteArray("stored"));
        const QDir folder(QFileInfo(store_->nativePath(u"Articulos.mdb"_s)).absolutePath());
        QCOMPARE(folder.entryList({u"Articulos*"_s}, QDir::Files), QStringList{u"Articulos.mdb"_s});
        auto db = catalogue::open(u"Articulos.mdb"_s);
        auto rs = db->OpenRecordset(u"articulos"_s);
        QVERIFY(!rs->Eof());
        QCOMPARE(rs->Fields(u"descripcion"_s).Value().toString(), u"DURABLE"_s);
        QCOMPARE(rs->Fields(u"cos"_s).Value().toDouble(), 121.0);
        QCOMPARE(db->pragmaLines(u"journal_mode"_s), QStringList{u"delete"_s});
    }

    void interleavedRecordsetsSeeEachOther()
    {
        auto db1 = catalogue::open(u"Marcas.mdb");
        auto db2 =
            catalogue::openAt(*catalogue::find(u"marcas.mdb"), u"c:\\norvik\\bases\\marcas.mdb"_s);
        auto writer = db2->OpenRecordset(u"rubros"_s);
        for (int i = 1; i <= 40; ++i)
            addBrand(*writer, QStringLiteral("%1").arg(i, 4, 10, QLatin1Char('0')), u"M"_s);
        auto reader = db1->OpenRecordset(u"rubros"_s);
        auto keyed = db1->OpenRecordset(u"rubros"_s);
        keyed->setIndex(u"COD_RUB"_s);
        int seen = 0;
        for (reader->MoveFirst(); !reader->Eof(); reader->MoveNext()) {
            ++seen;
            if (seen == 5) addBrand(*writer, u"0099"_s, u"NEW"_s);  // appended: the walk reaches it
            if (seen == 6) {
                keyed->Seek(u"0007"_s);
                keyed->Edit();
                keyed->Fields(u"DESCRI"_s).setValue(u"CHANGED"_s);
                keyed->Update();
            }
            if (seen == 7) QCOMPARE(reader->Fields(u"DESCRI"_s).Value().toString(), u"CHANGED"_s);
            if (seen == 8) {
                keyed->Seek(u"0009"_s);
                keyed->Delete();
            }
        }
        QCOMPARE(seen, 40);  // 40 + 1 added - 1 deleted before the walk got there

        keyed->Seek(u"0001"_s);
        reader->MoveFirst();
        keyed->Delete();
        QCOMPARE(errorNumber([&] { reader->Fields(u"DESCRI"_s).Value(); }), 3167);
        reader->MoveNext();
        QCOMPARE(reader->Fields(u"COD_RUB"_s).Value().toString(), u"0002"_s);
    }

    // A changed key is the place the next move goes on from (0010 became 0047: 0050 follows).
    void movesAfterAKeyChange_data()
    {
        QTest::addColumn<bool>("forward");
        QTest::addColumn<QString>("expected");
        QTest::newRow("next") << true << u"0050"_s;
        QTest::newRow("previous") << false << u"0040"_s;
    }
    void movesAfterAKeyChange()
    {
        QFETCH(bool, forward);
        QFETCH(QString, expected);
        auto db = catalogue::open(u"Marcas.mdb"_s);
        auto rs = db->OpenRecordset(u"rubros"_s);
        for (const auto& code : {u"0010"_s, u"0020"_s, u"0030"_s, u"0040"_s, u"0050"_s})
            addBrand(*rs, code, u"M"_s);
        rs->setIndex(u"COD_RUB"_s);
        rs->Seek(u"0010"_s);
        rs->MoveNext();  // reads a batch ahead that the change makes stale
        rs->MovePrevious();
        rs->Edit();
        rs->Fields(u"COD_RUB"_s).setValue(u"0047"_s);
        rs->Update();
        forward ? rs->MoveNext() : rs->MovePrevious();
        QCOMPARE(rs->Fields(u"COD_RUB"_s).Value().toString(), expected);
    }

    // Another process deletes a record under a walk that has already read past it.
    void commitsOfAnotherProcessAreSeen()
    {
        auto db = catalogue::open(u"Marcas.mdb"_s);
        auto rs = db->OpenRecordset(u"rubros"_s);
        for (int i = 1; i <= 6; ++i) addBrand(*rs, QStringLiteral("000%1").arg(i), u"M"_s);
        rs->MoveFirst();
        rs->MoveNext();  // the batch ahead now holds 0003 to 0006
        QProcess child;
        child.start(QString::fromUtf8(ENGINE_CHILD), {u"DELETE"_s, u"0004"_s});
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitCode(), 0);
        QStringList rest;
        for (rs->MoveNext(); !rs->Eof(); rs->MoveNext())
            rest << rs->Fields(u"COD_RUB"_s).Value().toString();
        QCOMPARE(rest, (QStringList{u"0003"_s, u"0005"_s, u"0006"_s}));
    }

    void counterNeverReused()
    {
        auto db = catalogue::open(u"Articulos.mdb"_s);
        auto rs = db->OpenRecordset(u"articulos"_s);
        for (const auto& d : {u"a"_s, u"b"_s, u"c"_s}) addArticle(*rs, d);
        rs->MoveLast();
        QCOMPARE(rs->Fields(u"codigo"_s).Value().toInt(), 3);
        rs->Delete();
        addArticle(*rs, u"d"_s);
        rs->MoveLast();
        QCOMPARE(rs->Fields(u"codigo"_s).Value().toInt(), 4);
        QCOMPARE(rs->Fields(u"descripcion"_s).Value().toString(), u"d"_s);
    }

    void endsAndNoCurrentRecord()
    {
        auto db = catalogue::open(u"Marcas.mdb"_s);
        auto rs = db->OpenRecordset(u"rubros"_s);
        QVERIFY(rs->Eof() && rs->Bof());
        QCOMPARE(errorNumber([&] { rs->MoveNext(); }), 3021);
        QCOMPARE(errorNumber([&] { rs->Fields(u"DESCRI"_s).Value(); }), 3021);
        QCOMPARE(errorNumber([&] { rs->Edit(); }), 3021);
        QCOMPARE(errorNumber([&] { rs->Delete(); }), 3021);
        addBrand(*rs, u"0001"_s, u"ONLY"_s);
        rs->MoveFirst();
        QVERIFY(!rs->Eof() && !rs->Bof());
        rs->MoveNext();
        QVERIFY(rs->Eof() && !rs->Bof());
        QCOMPARE(errorNumber([&] { rs->Fields(u"DESCRI"_s).Value(); }), 3021);
        rs->MovePrevious();
        QCOMPARE(rs->Fields(u"DESCRI"_s).Value().toString(), u"ONLY"_s);
        rs->MovePrevious();
        QVERIFY(rs->Bof() && !rs->Eof());
        QCOMPARE(errorNumber([&] { rs->MovePrevious(); }), 3021);
        rs->MoveFirst();
        rs->Delete();
        QVERIFY(rs->Eof() && rs->Bof());
        QCOMPARE(errorNumber([&] { rs->Fields(u"DESCRI"_s).Value(); }), 3021);
    }

    void duplicateKeyStoresNothing()
    {
        auto db = catalogue::open(u"Marcas.mdb"_s);
        auto rs = db->OpenRecordset(u"rubros"_s);
        addBrand(*rs, u"0001"_s, u"A"_s);
        rs->AddNew();
        rs->Fields(u"COD_RUB"_s).setValue(u"0001"_s);
        QCOMPARE(errorNumber([&] { rs->Update(); }), 3022);
        rs->CancelUpdate();
        QCOMPARE(walk(*rs, u"DESCRI"_s), QStringList{u"A"_s});
    }

    void passwords()
    {
        const QString path = paths::inBases(u"Marcas.mdb"_s);
        catalogue::FileDef other = *catalogue::find(u"Marcas.mdb"_s);
        for (const auto& password : {u"otra"_s, u""_s, u"vek_hs83"_s}) {
            other.password = password;
            QCOMPARE(errorNumber([&] { catalogue::openAt(other, path); }), 3031);
        }
        QVERIFY(catalogue::open(u"Marcas.mdb"));

        // A file made without a password opens with any.
        catalogue::FileDef open = *catalogue::find(u"Rubros.mdb"_s);
        open.password.clear();
        catalogue::createFile(open, store_->nativePath(u"Rubros.mdb"_s));
        QVERIFY(catalogue::open(u"Rubros.mdb"));
        open.password = u"cualquiera"_s;
        QVERIFY(catalogue::openAt(open, paths::inBases(u"Rubros.mdb"_s)));

        // A file written with another password refuses the catalogue's.
        QFile::remove(store_->nativePath(u"Departamentos.mdb"_s));
        catalogue::FileDef changed = *catalogue::find(u"Departamentos.mdb"_s);
        changed.password = u"Otra_83"_s;
        catalogue::createFile(changed, store_->nativePath(u"Departamentos.mdb"_s));
        QCOMPARE(errorNumber([&] { catalogue::open(u"Departamentos.mdb"); }), 3031);

        QFile file(store_->nativePath(u"Marcas.mdb"_s));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(!file.readAll().contains("Vek_Hs83"));
    }

    void dataControlReadsTheFileItIsBoundTo()
    {
        Data data;
        QCOMPARE(errorNumber([&] { data.Recordset(); }), 3024);
        auto file = catalogue::open(u"marcas.mdb");
        data.setSource(file, u"RUBROS"_s);
        QVERIFY(data.Recordset().Eof());
        addBrand(data.Recordset(), u"0001"_s, u"X"_s);
        file.reset();
        QCOMPARE(walk(data.Recordset(), u"DESCRI"_s),
                 QStringList{u"X"_s});  // the control keeps it open
        data.close();
        QCOMPARE(errorNumber([&] { data.Recordset(); }), 3024);
        data.setSource(catalogue::open(u"Marcas.mdb"), u"nada"_s);
        QCOMPARE(errorNumber([&] { data.Recordset(); }), 3078);
    }

    void filesThatAreNotOurs_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("error");
        QTest::newRow("empty") << QByteArray() << 3343;
        QTest::newRow("text") << QByteArray("no es una base de datos\n").repeated(100) << 3343;
        QTest::newRow("truncated")
            << QByteArray("SQLite format 3\0", 16) + QByteArray(84, '\x01') << 3343;
    }
    void filesThatAreNotOurs()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, error);
        QFile file(store_->nativePath(u"Clientes.mdb"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        QCOMPARE(errorNumber([&] { catalogue::open(u"Clientes.mdb"); }), error);
    }

    void otherFilesAndMissingOnes()
    {
        // A name that is not one of the store's files, and one of them that is missing.
        QCOMPARE(errorNumber([&] { catalogue::open(u"Nada.mdb"); }), 3024);
        QFile::remove(store_->nativePath(u"Clientes.mdb"_s));
        QCOMPARE(errorNumber([&] { catalogue::open(u"Clientes.mdb"); }), 3024);
        const catalogue::FileDef& def = *catalogue::find(u"Marcas.mdb"_s);
        QCOMPARE(errorNumber([&] { catalogue::openAt(def, paths::inBases(u"Nada.mdb"_s)); }), 3024);
        QVERIFY(QDir().mkpath(store_->nativePath(u"Carpeta.mdb"_s)));
        QCOMPARE(errorNumber([&] { catalogue::openAt(def, paths::inBases(u"Carpeta.mdb"_s)); }),
                 3051);
        // Another program's SQLite file: a database, but not one of ours.
        const QString foreign = store_->nativePath(u"Ajeno.mdb"_s);
        {
            catalogue::createFile(def, foreign);
            auto db = catalogue::openAt(def, paths::inBases(u"Ajeno.mdb"_s));
            db->Execute(u"DROP TABLE valdrameno_meta"_s);
        }
        QCOMPARE(errorNumber([&] { catalogue::openAt(def, paths::inBases(u"Ajeno.mdb"_s)); }),
                 3343);
        // A file written by a newer release is refused, not read with the wrong layout.
        {
            auto db = catalogue::open(u"Marcas.mdb"_s);
            db->Execute(u"UPDATE valdrameno_meta SET value = '2' WHERE key = 'schema_version'"_s);
        }
        QCOMPARE(errorNumber([&] { catalogue::open(u"Marcas.mdb"_s); }), 3041);
    }

    // Rows copied from elsewhere go in as given, counters included; the file's own checks hold.
    void inserterStoresRowsAsGiven()
    {
        auto db = catalogue::open(u"Articulos.mdb"_s);
        QCOMPARE(errorNumber([&] { db->Inserter(u"nada"_s); }), 3078);
        const auto insert = db->Inserter(u"articulos"_s);
        std::vector<QVariant> row(catalogue::find(u"Articulos.mdb"_s)->table.fields.size());
        row[0] = qlonglong(500);
        row[1] = u"COPIADO"_s;
        insert(row);
        QCOMPARE(errorNumber([&] { insert(row); }), 3022);
        const auto rows = db->Select(u"SELECT codigo, descripcion, cos FROM articulos"_s);
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0][0].toLongLong(), 500);
        QCOMPARE(rows[0][1].toString(), u"COPIADO"_s);
        QVERIFY(!rows[0][2].isValid());
    }

    // A writer of numbers binds each value as it is given (a whole number still finds its key)
    // and tells how many records it changed.
    void numberWriterBindsValuesAsGiven()
    {
        auto db = catalogue::open(u"Articulos.mdb"_s);
        const auto insert = db->Inserter(u"articulos"_s);
        std::vector<QVariant> row(catalogue::find(u"Articulos.mdb"_s)->table.fields.size());
        row[0] = qlonglong(7);
        insert(row);
        const auto update = db->NumberWriter(u"UPDATE articulos SET cos = ?1 WHERE codigo = ?2"_s);
        const std::array<Database::Number, 2> found{12.5, qint64(7)};
        QCOMPARE(update(found), 1);
        const std::array<Database::Number, 2> missing{1.0, qint64(8)};
        QCOMPARE(update(missing), 0);
        const auto rows = db->Select(u"SELECT cos, typeof(cos) FROM articulos"_s);
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0][0].toDouble(), 12.5);
        QCOMPARE(rows[0][1].toString(), u"real"_s);
    }

    void executeIsOneUnit()
    {
        auto db = catalogue::open(u"Marcas.mdb"_s);
        auto rs = db->OpenRecordset(u"rubros"_s);
        addBrand(*rs, u"0001"_s, u"A"_s);
        addBrand(*rs, u"0002"_s, u"B"_s);
        QCOMPARE(errorNumber([&] {
                     db->Execute(
                         u"UPDATE rubros SET DESCRI = 'Z'; UPDATE rubros SET COD_RUB = '0001'"_s);
                 }),
                 3022);
        QCOMPARE(walk(*rs, u"DESCRI"_s), (QStringList{u"A"_s, u"B"_s}));
        QCOMPARE(db->Execute(u"UPDATE rubros SET DESCRI = 'Z' WHERE COD_RUB = '0002'"_s), 1);
        QCOMPARE(walk(*rs, u"DESCRI"_s), (QStringList{u"A"_s, u"Z"_s}));
        QCOMPARE(errorNumber([&] { db->Select(u"DELETE FROM rubros"_s); }), 3251);
    }

    void fullDiskLeavesWhatWasStored()
    {
        auto db = catalogue::open(u"Articulos.mdb"_s);
        auto rs = db->OpenRecordset(u"articulos"_s);
        const int pages = db->Select(u"PRAGMA page_count"_s).value(0).value(0).toInt();
        db->pragmaLines(QStringLiteral("max_page_count = %1").arg(pages + 3));
        int stored = 0, error = 0;
        while (error == 0 && stored < 10000) {
            error = errorNumber([&] { addArticle(*rs, QString(200, u'x')); });
            if (error == 0) ++stored;
        }
        QCOMPARE(error, 3026);
        rs->CancelUpdate();
        QCOMPARE(walk(*rs, u"descripcion"_s).size(), stored);
    }

    void errorTable()
    {
        for (int code = 3000; code < 3500; ++code) {
            const EngineError e(EngineErrorCode(code), u"X"_s);
            if (e.text().startsWith(u"Error "_s)) continue;  // not one of ours
            QVERIFY(!e.text().contains(u"%1"_s));
            QVERIFY(QString::fromUtf8(e.what()).startsWith(QString::number(code)));
        }
        QCOMPARE(EngineError(EngineErrorCode::InvalidPassword).text(), u"Contraseña no válida."_s);
    }
};

RUN_TEST_CLASS(runEngineTest, EngineTest)
#include "tst_engine.moc"
