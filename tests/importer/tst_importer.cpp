#include <sys/stat.h>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include "admin/admin.h"
#include "data/catalogue.h"
#include "data/engine.h"
#include "data/folderlock.h"
#include "data/passwords.h"
#include "data/paths.h"
#include "importer/legacyfile.h"
#include "importer/legacyimport.h"
#include "tempstore.h"

#include <mdbtools.h>

using namespace Qt::StringLiterals;

namespace {

const QString kFixtures = QStringLiteral(LEGACY_FIXTURES);

QList<QVariantList> rowsOf(const QString& fileName)
{
    const QString table = catalogue::find(fileName)->table.name;
    return catalogue::open(fileName)->Select(
        QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(table));
}

QString dataFolder() { return paths::toNative(paths::basesFolder()); }

// Every file under the data folder with its bytes, so any change shows.
QByteArray digestOfDataFolder()
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    QStringList names;
    QDirIterator it(dataFolder(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) names << it.next();
    names.sort();
    for (const QString& name : names) {
        hash.addData(name.toUtf8());
        QFile f(name);
        if (f.open(QIODevice::ReadOnly)) hash.addData(f.readAll());
    }
    return hash.result();
}

// Makes the descripcion column of the old article file at `path` a memo column, as a table
// designed with a memo there would be: each row's value becomes an inline memo over the same
// bytes, and the first row's memo takes `firstHeader` as its length word and `firstPointer`
// (page << 8 | row) as where its pages start. `chain`, when given, is appended as pages of one
// row each, linked in order, and the first row's memo points to them.
void describeWithMemos(const QString& path, quint32 firstHeader, quint32 firstPointer = 0,
                       const QByteArray& chain = {})
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    MdbHandle* mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    QVERIFY(mdb && mdb_read_catalog(mdb, MDB_TABLE));
    MdbTableDef* def = nullptr;
    MdbCatalogEntry* entry = nullptr;
    for (guint i = 0; i < mdb->num_catalog && !def; ++i) {
        entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type == MDB_TABLE && qstrcmp(entry->object_name, "articulos") == 0)
            def = mdb_read_table(entry);
    }
    QVERIFY(def && mdb_read_columns(def));
    MdbColumn* column = nullptr;
    for (guint i = 0; i < def->num_cols; ++i) {
        auto* c = static_cast<MdbColumn*>(g_ptr_array_index(def->columns, i));
        if (qstrcmp(c->name, "descripcion") == 0) column = c;
    }
    QVERIFY(column);
    // The column's entry in the table's definition page: its type is the entry's first byte.
    const MdbFormatConstants* format = mdb->fmt;
    const qint64 columns = qint64(entry->table_pg) * format->pg_size +
                           format->tab_cols_start_offset +
                           qint64(def->num_real_idxs) * format->tab_ridx_entry_size;
    for (guint i = 0; i < def->num_cols; ++i) {
        const qint64 at = columns + qint64(i) * format->tab_col_entry_size;
        const int number = quint8(bytes[at + format->col_num_offset]) |
                           (quint8(bytes[at + format->col_num_offset + 1]) << 8);
        if (number == column->col_num) bytes[at] = char(MDB_MEMO);
    }
    // Each page of the chain: a data page holding one row, the pointer to the next row and then
    // the memo's bytes.
    const int pageSize = int(format->pg_size), perPage = pageSize - 100;
    const qint64 firstPage = bytes.size() / pageSize;
    for (qsizetype done = 0, page = firstPage; done < chain.size(); done += perPage, ++page) {
        const QByteArray part = chain.mid(done, perPage);
        QByteArray pageBytes(pageSize, '\0');
        const int rowStart = pageSize - 4 - int(part.size());
        const quint32 next = done + perPage < chain.size() ? quint32((page + 1) << 8) : 0;
        pageBytes[0] = 1;
        pageBytes[12] = 1;  // one row
        pageBytes[14] = char(rowStart & 0xFF);
        pageBytes[15] = char(rowStart >> 8);
        for (int b = 0; b < 4; ++b) pageBytes[rowStart + b] = char(next >> (8 * b));
        pageBytes.replace(rowStart + 4, part.size(), part);
        bytes += pageBytes;
    }
    if (!chain.isEmpty()) firstPointer = quint32(firstPage << 8);
    mdb_rewind_table(def);
    for (bool first = true; mdb_fetch_row(def); first = false) {
        const int length = column->cur_value_len;
        if (length < 12) continue;
        const qint64 at = qint64(def->cur_phys_pg) * format->pg_size + column->cur_value_start;
        const quint32 header = first ? firstHeader : (0x80000000u | quint32(length - 12));
        for (int b = 0; b < 4; ++b) bytes[at + b] = char(header >> (8 * b));
        const quint32 pointer = first ? firstPointer : 0;
        for (int b = 4; b < 8; ++b) bytes[at + b] = char(pointer >> (8 * (b - 4)));
        for (int b = 8; b < 12; ++b) bytes[at + b] = 0;
        // The other rows keep the end of their text, marked as compressed text again.
        if (!first && length >= 14) {
            bytes[at + 12] = char(0xFF);
            bytes[at + 13] = char(0xFE);
        }
    }
    mdb_free_tabledef(def);
    mdb_close(mdb);
    QVERIFY(file.seek(0));
    QCOMPARE(file.write(bytes), bytes.size());
}

}  // namespace

class ImporterTest : public QObject {
    Q_OBJECT
    std::optional<fixture::DataFolder> folder_;
    QString out_, err_;

    int import(const QString& folder, const QStringList& flags = {})
    {
        out_.clear();
        err_.clear();
        QTextStream out(&out_), err(&err_);
        return admin::run(QStringList{u"importar"_s, folder} + flags, out, err,
                          [](const QString&) { return QString(); });
    }

    int adminCommand(const QStringList& args)
    {
        out_.clear();
        err_.clear();
        QTextStream out(&out_), err(&err_);
        return admin::run(args, out, err, [](const QString&) { return QString(); });
    }

    // The lines of the last report that name a problem with a row.
    QStringList problemLines() const
    {
        QStringList lines;
        for (const QString& line : out_.split(u'\n'))
            if (line.startsWith(u"  fila "_s)) lines << line;
        return lines;
    }

private slots:
    void init() { folder_.emplace(); }

    void datesComeFromTheStoredDayCount_data()
    {
        QTest::addColumn<double>("days");
        QTest::addColumn<QString>("text");
        QTest::newRow("day zero") << 0.0 << u"1899-12-30 00:00:00"_s;
        QTest::newRow("noon") << 36526.5 << u"2000-01-01 12:00:00"_s;
        QTest::newRow("last second") << 41152.0 + 73427.0 / 86400 << u"2012-08-31 20:23:47"_s;
        QTest::newRow("before 1899") << -1.25 << u"1899-12-29 06:00:00"_s;
        QTest::newRow("rounds to the next day") << 1.0 - 0.1 / 86400 << u"1899-12-31 00:00:00"_s;
        QTest::newRow("beyond 9999") << 3e6 << QString();
        QTest::newRow("not a number") << std::nan("") << QString();
    }
    void datesComeFromTheStoredDayCount()
    {
        QFETCH(double, days);
        QFETCH(QString, text);
        QCOMPARE(legacy::dateText(days), text);
    }

    // Each old type onto each kind of field, and the values that cannot go in.
    void valuesConvertOrSayWhyNot_data()
    {
        using Kind = legacy::Value::Kind;
        QTest::addColumn<int>("fieldType");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("number");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("reason");  // empty when the value goes in
        const int text = int(FieldType::Text), whole = int(FieldType::Integer),
                  shortWhole = int(FieldType::Short), number = int(FieldType::Double),
                  date = int(FieldType::Date);
        QTest::newRow("null stays null")
            << number << int(Kind::Null) << QString() << 0.0 << QVariant() << QString();
        QTest::newRow("empty text stays empty")
            << text << int(Kind::Text) << u""_s << 0.0 << QVariant(u""_s) << QString();
        QTest::newRow("text of the width") << text << int(Kind::Text) << u"ÑANDÚ LÁCT"_s << 0.0
                                           << QVariant(u"ÑANDÚ LÁCT"_s) << QString();
        QTest::newRow("text too long")
            << text << int(Kind::Text) << u"ÑANDUBAYSAL"_s << 0.0 << QVariant()
            << u"texto más largo que el campo (11 caracteres; el campo admite 10)"_s;
        QTest::newRow("number into text")
            << text << int(Kind::Number) << QString() << 12.5 << QVariant(u"12,5"_s) << QString();
        QTest::newRow("whole number")
            << whole << int(Kind::Whole) << QString() << 42.0 << QVariant(qint64(42)) << QString();
        QTest::newRow("text that is a whole number")
            << whole << int(Kind::Text) << u" 17 "_s << 0.0 << QVariant(qint64(17)) << QString();
        QTest::newRow("text that is not a number")
            << whole << int(Kind::Text) << u"12A"_s << 0.0 << QVariant()
            << u"valor de otro tipo: se esperaba un número entero"_s;
        QTest::newRow("fraction into a whole field")
            << whole << int(Kind::Number) << QString() << 1.5 << QVariant()
            << u"valor de otro tipo: se esperaba un número entero"_s;
        QTest::newRow("too big for a short")
            << shortWhole << int(Kind::Whole) << QString() << 40000.0 << QVariant()
            << u"número fuera de rango (el campo admite de -32768 a 32767)"_s;
        QTest::newRow("decimal comma text")
            << number << int(Kind::Text) << u"1234,56"_s << 0.0 << QVariant(1234.56) << QString();
        QTest::newRow("decimal point text")
            << number << int(Kind::Text) << u"1234.56"_s << 0.0 << QVariant(1234.56) << QString();
        QTest::newRow("word into a number")
            << number << int(Kind::Text) << u"doce"_s << 0.0 << QVariant()
            << u"valor de otro tipo: se esperaba un número"_s;
        QTest::newRow("date into a number")
            << number << int(Kind::Date) << QString() << 1.0 << QVariant()
            << u"valor de otro tipo: se esperaba un número"_s;
        QTest::newRow("stored date") << date << int(Kind::Date) << QString() << 41152.5
                                     << QVariant(u"2012-08-31 12:00:00"_s) << QString();
        QTest::newRow("date written as text") << date << int(Kind::Text) << u"14/09/2012"_s << 0.0
                                              << QVariant(u"2012-09-14 00:00:00"_s) << QString();
        QTest::newRow("date and time as text")
            << date << int(Kind::Text) << u"30/12/2007 00:00:00"_s << 0.0
            << QVariant(u"2007-12-30 00:00:00"_s) << QString();
        QTest::newRow("date into text") << text << int(Kind::Date) << QString() << 39446.0
                                        << QVariant(u"30/12/2007"_s) << QString();
        QTest::newRow("date out of range") << date << int(Kind::Date) << QString() << 1e7
                                           << QVariant() << u"fecha fuera de rango"_s;
        QTest::newRow("text that is not a date")
            << date << int(Kind::Text) << u"ayer"_s << 0.0 << QVariant()
            << u"valor de otro tipo: se esperaba una fecha"_s;
        QTest::newRow("binary value")
            << text << int(Kind::Unsupported) << QString() << 0.0 << QVariant()
            << u"valor de otro tipo: se esperaba un texto"_s;
    }
    void valuesConvertOrSayWhyNot()
    {
        QFETCH(int, fieldType);
        QFETCH(int, kind);
        QFETCH(QString, text);
        QFETCH(double, number);
        QFETCH(QVariant, stored);
        QFETCH(QString, reason);
        const FieldDef field{u"campo"_s, FieldType(fieldType),
                             fieldType == int(FieldType::Text) ? 10 : 0};
        legacy::Value value;
        value.kind = legacy::Value::Kind(kind);
        value.text = text;
        value.number = number;
        value.whole = qint64(number);
        QVariant result;
        const auto why = legacyimport::convert(field, value, result);
        QCOMPARE(why.value_or(QString()), reason);
        QCOMPARE(result, stored);
    }

    // Every value of every table of the small store, as the fixtures' list of rows gives it.
    void smallStoreArrivesWhole()
    {
        QCOMPARE(import(kFixtures + u"/store-small"_s), 0);
        QVERIFY2(out_.contains(u"Importación completa: no se perdió ningún dato."_s),
                 qPrintable(out_));
        QFile file(kFixtures + u"/gen/expected.json"_s);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QJsonArray files =
            QJsonDocument::fromJson(file.readAll()).object()[u"files"_s].toArray();
        int compared = 0;
        for (const QJsonValue& entry : files) {
            const QJsonObject f = entry.toObject();
            const QString path = f[u"path"_s].toString();
            if (!path.startsWith(u"store-small/"_s)) continue;
            const QString fileName = path.mid(12);
            const catalogue::FileDef& def = *catalogue::find(fileName);
            const QJsonArray expected = f[u"rows"_s].toArray();
            const QList<QVariantList> rows = rowsOf(fileName);
            QCOMPARE(rows.size(), expected.size());
            for (qsizetype r = 0; r < rows.size(); ++r) {
                const QJsonArray want = expected[r].toArray();  // [row number, values...]
                QCOMPARE(rows[r].size(), want.size() - 1);
                for (qsizetype c = 0; c < rows[r].size(); ++c) {
                    const QVariant have = rows[r][c];
                    const QJsonValue value = want[c + 1];
                    const FieldDef& field = def.table.fields[size_t(c)];
                    const QString where =
                        QStringLiteral("%1 row %2 %3").arg(fileName).arg(r + 1).arg(field.name);
                    if (value.isNull()) {
                        QVERIFY2(!have.isValid(), qPrintable(where));
                    } else if (fileName == u"Opcion.mdb" && field.name == u"contrasena") {
                        QVERIFY2(have.toString() != value.toString(), qPrintable(where));
                        QVERIFY2(passwords::loginMatches(have, value.toString()),
                                 qPrintable(where));
                    } else if (value.isString()) {
                        QCOMPARE(have.typeId(), QMetaType::QString);
                        QVERIFY2(have.toString() == value.toString(),
                                 qPrintable(where + u": "_s + have.toString()));
                    } else if (field.type == FieldType::Double) {
                        QCOMPARE(have.typeId(), QMetaType::Double);
                        QVERIFY2(have.toDouble() == value.toDouble(), qPrintable(where));
                    } else {
                        QCOMPARE(have.typeId(), QMetaType::LongLong);
                        QVERIFY2(have.toLongLong() == value.toInteger(), qPrintable(where));
                    }
                    ++compared;
                }
            }
        }
        QVERIFY(compared > 9000);

        // New articles go on after the highest old code.
        auto articles = catalogue::open(u"Articulos.mdb"_s)->OpenRecordset(u"articulos"_s);
        articles->AddNew();
        articles->Fields(u"descripcion"_s).setValue(u"ARTÍCULO NUEVO"_s);
        articles->Update();
        articles->setIndex(u"codigo"_s);
        articles->MoveLast();
        QCOMPARE(articles->Fields(u"codigo"_s).Value().toInt(), 301);
        QCOMPARE(articles->Fields(u"descripcion"_s).Value().toString(), u"ARTÍCULO NUEVO"_s);

        QCOMPARE(adminCommand({u"verificar"_s}), 0);
    }

    void dryRunReportsEachFaultOnceAndWritesNothing_data()
    {
        QTest::addColumn<QString>("line");
        QTest::newRow("duplicate barcode")
            << u"  fila 302 (codigo 302), codbarra = \"7795555003011\": código de barras "
               u"repetido (también en la fila 301"_s;
        QTest::newRow("no description")
            << u"  fila 303 (codigo 303), descripcion = (nulo): artículo sin descripción; se "
               u"importa igual"_s;
        QTest::newRow("negative cost")
            << u"  fila 304 (codigo 304), cos = -125,5: precio negativo; se importa igual"_s;
        QTest::newRow("repeated customer code")
            << u"  fila 41 (COD_CLIENT \"0005\"), COD_CLIENT = \"0005\": clave repetida (queda "
               u"la fila 5); no se importa"_s;
        QTest::newRow("customer without code")
            << u"  fila 42, COD_CLIENT = (nulo): clave vacía; no se importa"_s;
        QTest::newRow("brand code not a number")
            << u"  fila 11 (COD_RUB \"12A\"), COD_RUB = \"12A\": el código no es un número; no "
               u"se importa"_s;
        QTest::newRow("blank brand code")
            << u"  fila 12, COD_RUB = \"    \": clave vacía; no se importa"_s;
        QTest::newRow("article counts")
            << u"Articulos.mdb (tabla articulos): 305 fila(s) leída(s), 305 se importarían, 3 "
               u"aviso(s)"_s;
        QTest::newRow("customer counts")
            << u"Clientes.mdb (tabla clientes): 42 fila(s) leída(s), 40 se importarían, 2 no"_s;
        QTest::newRow("brand counts")
            << u"Marcas.mdb (tabla rubros): 12 fila(s) leída(s), 10 se importarían, 2 no"_s;
        QTest::newRow("truncated file")
            << u"Proveedores.mdb: no se puede leer: el archivo está dañado: no tiene la tabla "
               u"proveedores"_s;
        QTest::newRow("not a database")
            << u"Rubros.mdb: no se puede leer: no es un archivo de base de datos Jet (Access)"_s;
    }
    void dryRunReportsEachFaultOnceAndWritesNothing()
    {
        QFETCH(QString, line);
        QCOMPARE(import(kFixtures + u"/store-faults"_s, {u"--prueba"_s}), 1);
        QCOMPARE(out_.count(line), 1);
        QCOMPARE(problemLines().size(), 7);      // nothing else is reported about a row
        QVERIFY(!out_.contains(u"fila 305"_s));  // a text of exactly the field's width is fine
        QVERIFY(!QFileInfo::exists(paths::mappedRoot()));
    }

    void dryRunOfAGoodStoreEndsWell()
    {
        QCOMPARE(import(kFixtures + u"/store-small"_s, {u"--prueba"_s}), 0);
        QVERIFY(out_.contains(
            u"Articulos.mdb (tabla articulos): 300 fila(s) leída(s), 300 se importarían\n"_s));
        QVERIFY(out_.contains(u"No se perdería ningún dato."_s));
        QVERIFY(problemLines().isEmpty());
        QVERIFY(!QFileInfo::exists(paths::mappedRoot()));
    }

    // The damaged and foreign files are reported; the others are imported and the folder works.
    void faultyStoreImportsWhatCanBeRead()
    {
        QCOMPARE(import(kFixtures + u"/store-faults"_s), 1);
        QCOMPARE(rowsOf(u"Articulos.mdb"_s).size(), 305);
        QCOMPARE(rowsOf(u"Clientes.mdb"_s).size(), 40);
        QCOMPARE(rowsOf(u"Marcas.mdb"_s).size(), 10);
        QCOMPARE(rowsOf(u"Proveedores.mdb"_s).size(), 0);
        QCOMPARE(rowsOf(u"Rubros.mdb"_s).size(), 0);
        QVERIFY(out_.contains(u"Rubros.mdb: se crea vacío"_s));
        // No Opcion.mdb among the old files: the first user is made so the program opens.
        QVERIFY(passwords::loginMatches(rowsOf(u"Opcion.mdb"_s).value(0).value(1), u"VUMRE"_s));
        QCOMPARE(adminCommand({u"verificar"_s}), 0);
    }

    void replaceKeepsTheOldFilesAndIsRefusedWhileTheProgramRuns()
    {
        QCOMPARE(adminCommand({u"inicializar"_s, u"--demo"_s}), 0);
        QMap<QString, QByteArray> before;
        for (const QString& name : QDir(dataFolder()).entryList(QDir::Files)) {
            QFile f(dataFolder() + u'/' + name);
            QVERIFY(f.open(QIODevice::ReadOnly));
            before[name] = f.readAll();
        }
        const QByteArray untouched = digestOfDataFolder();

        QCOMPARE(import(kFixtures + u"/store-small"_s), 1);
        QVERIFY(err_.contains(u"--reemplazar"_s));
        QCOMPARE(digestOfDataFolder(), untouched);
        {
            const auto running = FolderLock::acquire();
            QVERIFY(running);
            QCOMPARE(import(kFixtures + u"/store-small"_s, {u"--reemplazar"_s}), 1);
            QVERIFY(err_.contains(u"El programa está abierto"_s));
            QCOMPARE(digestOfDataFolder(), untouched);
        }

        QCOMPARE(import(kFixtures + u"/store-small"_s, {u"--reemplazar"_s}), 0);
        const QStringList kept =
            QDir(dataFolder()).entryList({u"antes-de-importar-*"_s}, QDir::Dirs);
        QCOMPARE(kept.size(), 1);
        for (auto it = before.cbegin(); it != before.cend(); ++it) {
            QFile f(dataFolder() + u'/' + kept[0] + u'/' + it.key());
            QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(it.key()));
            QVERIFY(f.readAll() == it.value());
        }
        QCOMPARE(rowsOf(u"Articulos.mdb"_s).size(), 300);
        QCOMPARE(adminCommand({u"verificar"_s}), 0);
        // Nothing is left beside the data folder.
        QCOMPARE(QDir(QFileInfo(dataFolder()).absolutePath())
                     .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{u"Bases"_s});

        // A second import keeps the first one's copies too.
        QCOMPARE(import(kFixtures + u"/store-small"_s, {u"--reemplazar"_s}), 0);
        QVERIFY(QDir(dataFolder()).entryList({u"antes-de-importar-*"_s}, QDir::Dirs).size() >= 1);
        QVERIFY(QFileInfo::exists(dataFolder() + u'/' + kept[0] + u"/Articulos.mdb"_s));
    }

    // The tool is killed at points picked at random among its steps: afterwards the data folder
    // is exactly as it was, or the import is complete; never a mix.
    void killedImportLeavesTheFolderAsItWas()
    {
        const quint32 seed = QRandomGenerator::global()->generate();
        QRandomGenerator random(seed);
        for (int trial = 0; trial < 8; ++trial) {
            init();
            QCOMPARE(adminCommand({u"inicializar"_s, u"--demo"_s}), 0);
            const QByteArray before = digestOfDataFolder();
            const int killAfterLines = int(random.bounded(16));
            const QString where = QStringLiteral("seed %1, trial %2, kill after %3 line(s)")
                                      .arg(seed)
                                      .arg(trial)
                                      .arg(killAfterLines);

            QProcess tool;
            tool.start(QStringLiteral(ADMIN_TOOL),
                       {u"importar"_s, kFixtures + u"/store-small"_s, u"--reemplazar"_s});
            QVERIFY(tool.waitForStarted());
            int lines = 0;
            while (lines < killAfterLines && tool.state() == QProcess::Running) {
                tool.waitForReadyRead(60000);
                while (tool.canReadLine()) {
                    tool.readLine();
                    ++lines;
                }
            }
            if (tool.state() != QProcess::NotRunning) {
                tool.kill();
                QVERIFY(tool.waitForFinished(60000));
            }

            if (digestOfDataFolder() == before) continue;
            QVERIFY2(
                QDir(dataFolder()).entryList({u"antes-de-importar-*"_s}, QDir::Dirs).size() == 1,
                qPrintable(where));
            QVERIFY2(rowsOf(u"Articulos.mdb"_s).size() == 300, qPrintable(where));
            QVERIFY2(adminCommand({u"verificar"_s}) == 0, qPrintable(where + u'\n' + out_));
        }
        // What a killed import left beside the data folder does not stop the next one.
        QCOMPARE(import(kFixtures + u"/store-small"_s, {u"--reemplazar"_s}), 0);
        QCOMPARE(QDir(QFileInfo(dataFolder()).absolutePath())
                     .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{u"Bases"_s});
    }

    // Whatever stands under an old file's name and is no file is named, never waited on: a pipe
    // would hold the import (and the data folder's lock) forever.
    void entriesThatAreNotFilesAreNamed_data()
    {
        QTest::addColumn<QString>("make");
        QTest::addColumn<QString>("line");
        QTest::newRow("folder")
            << u"folder"_s << u"Articulos.mdb: no se puede leer: es una carpeta, no un archivo"_s;
        QTest::newRow("link to a pipe")
            << u"fifo"_s
            << u"Articulos.mdb: no se puede leer: es una tubería (FIFO), no un archivo"_s;
        QTest::newRow("link to nothing")
            << u"dangling"_s
            << u"Articulos.mdb: no se puede leer: no se encuentra (o es un enlace que no lleva "
               u"a ningún archivo)"_s;
        QTest::newRow("link to itself")
            << u"loop"_s
            << u"Articulos.mdb: no se puede leer: es un enlace que vuelve sobre sí mismo"_s;
    }
    void entriesThatAreNotFilesAreNamed()
    {
        QFETCH(QString, make);
        QFETCH(QString, line);
        QTemporaryDir old;
        for (const QString& name : {u"Clientes.mdb"_s, u"Marcas.mdb"_s})
            QVERIFY(QFile::copy(kFixtures + u"/store-small/"_s + name, old.filePath(name)));
        if (make == u"folder") {
            QVERIFY(QDir(old.path()).mkdir(u"Articulos.mdb"_s));
        } else if (make == u"dangling") {
            QVERIFY(QFile::link(old.filePath(u"borrado.mdb"_s), old.filePath(u"Articulos.mdb"_s)));
        } else if (make == u"loop") {
            QVERIFY(
                QFile::link(old.filePath(u"Articulos.mdb"_s), old.filePath(u"Articulos.mdb"_s)));
        } else {
            const QByteArray pipe = QFile::encodeName(old.filePath(u"tuberia"_s));
            QCOMPARE(::mkfifo(pipe.constData(), 0600), 0);
            QVERIFY(QFile::link(old.filePath(u"tuberia"_s), old.filePath(u"Articulos.mdb"_s)));
        }
        for (const QStringList& flags : {QStringList{u"--prueba"_s}, QStringList{}}) {
            QCOMPARE(import(old.path(), flags), 1);
            QVERIFY2(out_.contains(line), qPrintable(out_));
            QVERIFY2(out_.contains(u"Clientes.mdb (tabla clientes): 40 fila(s) leída(s)"_s),
                     qPrintable(out_));
        }
        QCOMPARE(rowsOf(u"Clientes.mdb"_s).size(), 40);
    }

    // Two names for one old file: which one was meant is not guessed.
    void twoNamesForOneFileAreRefused()
    {
        QTemporaryDir old;
        QVERIFY(QFile::copy(kFixtures + u"/store-small/Articulos.mdb"_s,
                            old.filePath(u"Articulos.mdb"_s)));
        QVERIFY(QFile::copy(kFixtures + u"/store-faults/Articulos.mdb"_s,
                            old.filePath(u"ARTICULOS.MDB"_s)));
        QCOMPARE(import(old.path(), {u"--prueba"_s}), 1);
        QVERIFY2(err_.contains(u"Articulos.mdb: ARTICULOS.MDB y Articulos.mdb"_s),
                 qPrintable(err_));
        QVERIFY(err_.contains(u"deje uno solo"_s));
        QVERIFY(out_.isEmpty());
        QCOMPARE(import(old.path()), 1);
        QVERIFY(!QFileInfo::exists(dataFolder()));
    }

    // A NUL inside a text, or half of a UTF-16 pair, cannot be carried over as it is: the row is
    // reported, never stored cut short or with a stand-in character.
    void textsThatCannotBeStoredAreReported_data()
    {
        QTest::addColumn<QByteArray>("character");
        QTest::addColumn<QString>("reason");
        QTest::newRow("nul") << QByteArray("\x00\x00", 2)
                             << u"el texto tiene un carácter nulo en la posición 4"_s;
        QTest::newRow("lone surrogate")
            << QByteArray("\x00\xD8", 2)
            << u"el texto tiene medio carácter UTF-16 suelto en la posición 4"_s;
    }
    void textsThatCannotBeStoredAreReported()
    {
        QFETCH(QByteArray, character);
        QFETCH(QString, reason);
        QTemporaryDir old;
        QFile source(kFixtures + u"/store-small/Articulos.mdb"_s);
        QVERIFY(source.open(QIODevice::ReadOnly));
        QByteArray bytes = source.readAll();
        // An article description stored uncompressed (it holds quotation marks above U+00FF).
        const QString description = u"CAFÉ TORRADO “TRADICIÓN”"_s;
        const qsizetype at = bytes.indexOf(
            QByteArray(reinterpret_cast<const char*>(description.utf16()), description.size() * 2));
        QVERIFY(at > 0);
        bytes.replace(at + 3 * 2, 2, character);  // the É
        QFile patched(old.filePath(u"Articulos.mdb"_s));
        QVERIFY(patched.open(QIODevice::WriteOnly));
        patched.write(bytes);
        patched.close();

        QCOMPARE(import(old.path(), {u"--prueba"_s}), 1);
        const QStringList lines = problemLines();
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.front().contains(u", descripcion = "_s) &&
                     lines.front().endsWith(reason + u"; no se importa"_s),
                 qPrintable(lines.front()));
        QVERIFY(out_.contains(u"299 se importarían, 1 no"_s));
    }

    // A memo the old files' reader cannot read whole is reported, never imported empty with
    // "nothing lost".
    void memosTheReaderCannotReadAreReported_data()
    {
        QTest::addColumn<quint32>("header");
        QTest::addColumn<quint32>("pointer");
        QTest::addColumn<QByteArray>("chain");
        QTest::addColumn<QString>("reason");
        // A memo of 16 MiB or more, which the reading library gives back as "", is read whole
        // and reported with its real length. Compressed text: the marker FF FE, then one byte a
        // character.
        const QByteArray huge = QByteArray("\xFF\xFE") + QByteArray((16 << 20) + 8, 'A');
        QTest::newRow("16 MiB or more")
            << quint32(huge.size()) << 0u << huge
            << u"texto más largo que el campo (16777224 caracteres; el campo admite 255)"_s;
        const QByteArray long100k = QByteArray("\xFF\xFE") + QByteArray(100000, 'A');
        QTest::newRow("100,000 characters on a chain of pages")
            << quint32(long100k.size()) << 0u << long100k
            << u"texto más largo que el campo (100000 caracteres; el campo admite 255)"_s;
        QTest::newRow("chain shorter than it says")
            << quint32(20000) << 0u << long100k.left(10000)
            << u"el memo está dañado (dice tener 20000 bytes y se pudieron leer 10000)"_s;
        QTest::newRow("longer than its row")
            << quint32(0x80000000 | 5000) << 0u << QByteArray()
            << u"el memo está dañado (dice tener 5000 bytes y la fila guarda"_s;
        QTest::newRow("page beyond the file")
            << quint32(0x40000000 | 20) << 0xFFFF00u << QByteArray()
            << u"el memo está dañado (dice tener 20 bytes y se pudieron leer 0)"_s;
        // Uncompressed UTF-16: the reading library's text would stop at the NUL.
        QTest::newRow("nul") << 6u << 0u << QByteArray("A\0\0\0B\0", 6)
                             << u"el texto tiene un carácter nulo en la posición 2"_s;
        QTest::newRow("lone surrogate")
            << 6u << 0u
            << QByteArray(
                   "A\0\0\xD8"
                   "B\0",
                   6)
            << u"el texto tiene medio carácter UTF-16 suelto en la posición 2"_s;
    }
    void memosTheReaderCannotReadAreReported()
    {
        QFETCH(quint32, header);
        QFETCH(quint32, pointer);
        QFETCH(QByteArray, chain);
        QFETCH(QString, reason);
        QTemporaryDir old;
        QVERIFY(QFile::copy(kFixtures + u"/store-small/Articulos.mdb"_s,
                            old.filePath(u"Articulos.mdb"_s)));
        QFile::setPermissions(old.filePath(u"Articulos.mdb"_s),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        describeWithMemos(old.filePath(u"Articulos.mdb"_s), header, pointer, chain);
        QCOMPARE(import(old.path(), {u"--prueba"_s}), 1);
        // (Descriptions shorter than a memo's header are reported as damaged memos too.)
        const QStringList lines = problemLines().filter(u"fila 1 ("_s);
        QVERIFY2(lines.size() == 1, qPrintable(out_));
        QVERIFY2(lines.front().startsWith(u"  fila 1 (codigo 1), descripcion = "_s) &&
                     lines.front().contains(reason) && lines.front().endsWith(u"; no se importa"_s),
                 qPrintable(lines.front()));
        QVERIFY(!out_.contains(u"No se perdería ningún dato"_s));
        QVERIFY(!out_.contains(u"Unhandled"_s));
        // Reading a memo's pages leaves the row's other values as they are.
        for (const QString& other : problemLines())
            QVERIFY2(other.contains(u", descripcion = "_s), qPrintable(other));
        QVERIFY(out_.contains(u"Articulos.mdb (tabla articulos): 300 fila(s) leída(s)"_s));
    }

    // The reading library's own English lines ("offset ... is beyond EOF", "Unhandled memo field
    // flags = 02") never reach the report or the terminal: the report says in Spanish that the
    // reader warned.
    void readerLinesStayOutOfTheReport()
    {
        QTemporaryDir old;
        QVERIFY(QFile::copy(kFixtures + u"/store-small/Articulos.mdb"_s,
                            old.filePath(u"Articulos.mdb"_s)));
        QFile::setPermissions(old.filePath(u"Articulos.mdb"_s),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        describeWithMemos(old.filePath(u"Articulos.mdb"_s), 0x40000000 | 20, 0xFFFF00u);
        QProcess tool;
        tool.start(QStringLiteral(ADMIN_TOOL), {u"importar"_s, old.path(), u"--prueba"_s});
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitCode(), 1);
        const QString said =
            QString::fromUtf8(tool.readAllStandardOutput() + tool.readAllStandardError());
        QVERIFY2(
            said.contains(u"el lector del archivo anterior dio 1 aviso(s) de datos que no pudo "
                          u"interpretar"_s),
            qPrintable(said));
        for (const QString& english : {u"offset"_s, u"EOF"_s, u"Unhandled"_s, u"Warning"_s})
            QVERIFY2(!said.contains(english), qPrintable(said));

        // The command's own progress lines still reach the terminal while the reader is quieted.
        tool.start(QStringLiteral(ADMIN_TOOL),
                   {u"importar"_s, kFixtures + u"/big"_s, u"--prueba"_s});
        QVERIFY(tool.waitForFinished(60000));
        const QString big = QString::fromUtf8(tool.readAllStandardOutput());
        QVERIFY2(big.contains(u"  ... 5000 de 20000 filas\n  ... 10000 de 20000 filas\n"_s) &&
                     big.contains(u"No se perdería ningún dato."_s),
                 qPrintable(big));
    }

    void wrongCommandLinesAndFolders_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("no folder") << QStringList{u"importar"_s} << 2 << u"Uso:"_s;
        QTest::newRow("two folders")
            << QStringList{u"importar"_s, u"a"_s, u"b"_s} << 2 << u"Uso:"_s;
        QTest::newRow("unknown flag") << QStringList{u"importar"_s, u"--todo"_s} << 2 << u"Uso:"_s;
        QTest::newRow("missing folder")
            << QStringList{u"importar"_s, u"/no/existe"_s} << 1 << u"No existe la carpeta"_s;
        QTest::newRow("folder without old files")
            << QStringList{u"importar"_s, kFixtures + u"/gen"_s, u"--prueba"_s} << 1
            << u"no tiene ninguno"_s;
    }
    void wrongCommandLinesAndFolders()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, message);
        QCOMPARE(adminCommand(args), code);
        QVERIFY2(err_.contains(message), qPrintable(err_));
        QVERIFY(!QFileInfo::exists(dataFolder()));
    }
};

QTEST_GUILESS_MAIN(ImporterTest)
#include "tst_importer.moc"
