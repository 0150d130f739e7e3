#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xlsxwriter.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "data/catalogue.h"
#include "data/engine.h"
#include "filemodes.h"
#include "importer/pricelist.h"
#include "tempstore.h"

using namespace Qt::StringLiterals;
using Rows = QList<QStringList>;

namespace {

// Writes the fixtures that come from Python's spreadsheet libraries into the folder given as
// its argument: openpyxl's workbook and odfpy's, and damaged variants of them.
const char* const kFixtureScript = R"PY(
import os, shutil, struct, sys, zipfile
import openpyxl
from odf.opendocument import OpenDocumentSpreadsheet
from odf.table import Table, TableRow, TableCell
from odf.text import P

def at(name):
    return os.path.join(sys.argv[1], name)

wb = openpyxl.Workbook()
ws = wb.active
ws.title = "Lista de precios"
ws.append(["Código de barras", "Descripción", "Costo"])
ws.append(["7790001000017", "YERBA MATE 1 KG", 1234.5])
ws["A3"] = 7790001000024
ws["C3"] = 980
ws.append(["7790001000031", "ACEITE ÑANDÚ", "1.234,56"])
ws["B6"] = 0.1 + 0.2
ws["D6"] = True
ws["A7"] = -2.5
ws["B7"] = 1234567.125
wb.create_sheet("Otra")["A1"] = "no se lee"
wb.save(at("lista.xlsx"))

with zipfile.ZipFile(at("lista.xlsx")) as src, zipfile.ZipFile(at("sin-hoja.xlsx"), "w", zipfile.ZIP_DEFLATED) as dst:
    for info in src.infolist():
        if not info.filename.startswith("xl/worksheets/"):
            dst.writestr(info, src.read(info.filename))
with zipfile.ZipFile(at("sin-libro.xlsx"), "w") as z:
    z.writestr("hola.txt", "hola")

# Bytes changed in the middle of the worksheet's compressed data.
shutil.copy(at("lista.xlsx"), at("hoja-danada.xlsx"))
with zipfile.ZipFile(at("lista.xlsx")) as z:
    info = z.getinfo("xl/worksheets/sheet1.xml")
with open(at("hoja-danada.xlsx"), "r+b") as f:
    f.seek(info.header_offset + 26)
    name_length, extra_length = struct.unpack("<HH", f.read(4))
    f.seek(info.header_offset + 30 + name_length + extra_length + info.compress_size // 2)
    f.write(b"\xff" * 8)

def cell(*paragraphs, **attributes):
    c = TableCell(**attributes)
    for p in paragraphs:
        c.addElement(P(text=p))
    return c

def row(*cells, **attributes):
    r = TableRow(**attributes)
    for c in cells:
        r.addElement(c)
    return r

doc = OpenDocumentSpreadsheet()
first = Table(name="Lista")
for r in [row(cell("Código"), cell("Descripción"), cell("Costo")),
          row(cell("7790001000017"), cell("YERBA"), cell("1.234,50", valuetype="float", value="1234.5")),
          row(cell("7790001000024"), cell(numbercolumnsrepeated=2),
              cell("12,5 %", valuetype="percentage", value="0.125")),
          row(cell("x", numbercolumnsrepeated=3)),
          row(cell("ÑANDÚ"), cell("VERDADERO", valuetype="boolean", booleanvalue="true"), numberrowsrepeated=2),
          row(cell("línea 1", "línea 2")),
          row(cell(numbercolumnsrepeated=1024), numberrowsrepeated=1048000)]:
    first.addElement(r)
second = Table(name="Otra")
second.addElement(row(cell("no se lee")))
doc.spreadsheet.addElement(first)
doc.spreadsheet.addElement(second)
doc.save(at("lista.ods"))

huge = OpenDocumentSpreadsheet()
table = Table(name="Enorme")
table.addElement(row(cell("x", numbercolumnsrepeated=16384), numberrowsrepeated=1048576))
huge.spreadsheet.addElement(table)
huge.save(at("enorme.ods"))

with zipfile.ZipFile(at("sin-contenido.ods"), "w") as z:
    z.writestr("mimetype", "application/vnd.oasis.opendocument.spreadsheet")

# A part that unpacks to more than the reader takes, whose entry says so.
with zipfile.ZipFile(at("parte-enorme.ods"), "w", zipfile.ZIP_DEFLATED, compresslevel=1) as z:
    z.writestr("mimetype", "application/vnd.oasis.opendocument.spreadsheet")
    with z.open("content.xml", "w") as part:
        for _ in range(257):
            part.write(b" " * (1024 * 1024))

# A copy of `src` whose entry for `part` declares `size` bytes unpacked, in both its headers.
def declare_size(src, dst, part, size):
    data = bytearray(open(at(src), "rb").read())
    name = part.encode()
    with zipfile.ZipFile(at(src)) as z:
        struct.pack_into("<I", data, z.getinfo(part).header_offset + 22, size)
    entry = data.find(b"PK\x01\x02")
    while struct.unpack_from("<H", data, entry + 28)[0] != len(name) or data[entry + 46:entry + 46 + len(name)] != name:
        entry = data.find(b"PK\x01\x02", entry + 4)
    struct.pack_into("<I", data, entry + 24, size)
    open(at(dst), "wb").write(data)

declare_size("parte-enorme.ods", "parte-enorme-oculta.ods", "content.xml", 1000)
with zipfile.ZipFile(at("lista.ods")) as z:
    declare_size("lista.ods", "parte-corta.ods", "content.xml", z.getinfo("content.xml").file_size + 1000)
)PY";

// The Python that has openpyxl and odfpy (scripts/setup installs them for the system's
// python3, which another python3 earlier on the PATH may hide).
QString pythonWithLibraries()
{
    for (const QString& candidate : {u"/usr/bin/python3"_s, u"python3"_s}) {
        QProcess probe;
        probe.start(candidate, {u"-c"_s, u"import openpyxl, odf"_s});
        if (probe.waitForFinished(-1) && probe.exitStatus() == QProcess::NormalExit &&
            probe.exitCode() == 0)
            return candidate;
    }
    return QString();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Runs `program` with `arguments` and checks that it succeeds.
void run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    QVERIFY2(process.waitForFinished(-1), qPrintable(program));
    QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0,
             process.readAll().constData());
}

// Rows as "[a|b]" lines, so that an empty cell and a missing one differ in a failure's output.
QString shown(const Rows& rows)
{
    QStringList lines;
    for (const QStringList& row : rows) lines << u'[' + row.join(u'|') + u']';
    return lines.join(u'\n');
}

// libxlsxwriter writes numbers with printf in the thread's locale, so the Excel export writes
// under the C locale; so do these fixtures, while this lives.
class CNumbers {
public:
    CNumbers() : c_(::newlocale(LC_ALL_MASK, "C", locale_t(nullptr))), previous_(::uselocale(c_)) {}
    ~CNumbers()
    {
        ::uselocale(previous_);
        ::freelocale(c_);
    }
    CNumbers(const CNumbers&) = delete;
    CNumbers& operator=(const CNumbers&) = delete;

private:
    locale_t c_, previous_;
};

// Writes with libxlsxwriter, the Excel export's library, in this process: strings shared, kept
// in xl/sharedStrings.xml.
void writeWithXlsxwriter(const QString& path)
{
    const CNumbers cNumbers;
    lxw_workbook* workbook = workbook_new(QFile::encodeName(path).constData());
    QVERIFY(workbook);
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Precios");
    worksheet_write_string(sheet, 0, 0, "Código", nullptr);
    worksheet_write_number(sheet, 0, 2, 1.5, nullptr);
    worksheet_write_boolean(sheet, 1, 1, 0, nullptr);
    worksheet_write_string(sheet, 2, 0, "ÑANDÚ", nullptr);
    worksheet_write_string(sheet, 2, 1, "Código", nullptr);
    QCOMPARE(int(workbook_close(workbook)), int(LXW_NO_ERROR));
}

QString describe(const pricelist::Matching& m)
{
    QStringList lines;
    for (const auto& match : m.matched)
        lines << u"%1: %2 -> %3"_s.arg(match.row)
                     .arg(match.codigo)
                     .arg(QString::number(match.newCost, 'f', 2));
    for (const auto& rejected : m.rejected)
        lines << u"%1: %2"_s.arg(rejected.row).arg(rejected.reason);
    return lines.join(u'\n');
}

}  // namespace

class PriceListTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

    QString at(const QString& name) const { return dir_.filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        const QString python = pythonWithLibraries();
        QVERIFY2(!python.isEmpty(),
                 "python3 with openpyxl and odfpy is missing (scripts/setup installs them)");
        run(python, {u"-c"_s, QString::fromUtf8(kFixtureScript), dir_.path()});
        writeWithXlsxwriter(at(u"COMPARTIDO.XLSX"_s));
        QVERIFY(QFile::copy(at(u"lista.xlsx"_s), at(u"Precios año 2026 — ÑANDÚ.xlsx"_s)));
        // Windows-1252, semicolons and decimal commas, as a spreadsheet in Spanish saves it.
        writeFile(at(u"windows.csv"_s),
                  "C\xf3"
                  "digo;Descripci\xf3n;Costo\r\n"
                  "7790001000017;CA\xd1"
                  "A \xc1RBOL;1234,56\r\n"
                  "7790001000024;\"ACEITE; 1,5 L\";\"1.234,5\"\r\n"
                  ";;\r\n"
                  "7790001000031;CAF\xc9 \x80 2;12\r\n");
        writeFile(at(u"bom.csv"_s),
                  "\xef\xbb\xbf"
                  "codbarra,descripcion,costo\n"
                  "7790001000017,\"Yerba, 1 kg\",1234.56\n"
                  "7790001000024,\"Dice \"\"hola\"\"\nen dos l\xc3\xad"
                  "neas\",1.5\n");
        writeFile(at(u"comillas.csv"_s), "a;b\n1;\"sin cerrar\n2;3\n");
        writeFile(at(u"texto.xlsx"_s), "codbarra;costo\n1;2\n");
        writeFile(at(u"texto.ods"_s), "codbarra;costo\n1;2\n");
        writeFile(at(u"lista.xls"_s),
                  QByteArray("\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1", 8) + QByteArray(504, '\0'));
        writeFile(at(u"sin-permiso.csv"_s), "a;b\n");
        QVERIFY(::chmod(QFile::encodeName(at(u"sin-permiso.csv"_s)).constData(), 0) == 0);
        QVERIFY(QDir(dir_.path()).mkdir(u"carpeta.csv"_s));
        QVERIFY(::mkfifo(QFile::encodeName(at(u"tuberia.csv"_s)).constData(), 0600) == 0);
    }

    void read_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<Rows>("rows");
        const Rows openpyxlRows{{u"Código de barras"_s, u"Descripción"_s, u"Costo"_s},
                                {u"7790001000017"_s, u"YERBA MATE 1 KG"_s, u"1234.5"_s},
                                {u"7790001000024"_s, u""_s, u"980"_s},
                                {u"7790001000031"_s, u"ACEITE ÑANDÚ"_s, u"1.234,56"_s},
                                {},
                                {u""_s, u"0.3"_s, u""_s, u"VERDADERO"_s},
                                {u"-2.5"_s, u"1234567.125"_s}};
        QTest::newRow("openpyxl .xlsx, inline strings") << u"lista.xlsx"_s << openpyxlRows;
        QTest::newRow("a name with accents and a dash")
            << u"Precios año 2026 — ÑANDÚ.xlsx"_s << openpyxlRows;
        QTest::newRow("libxlsxwriter .XLSX, shared strings")
            << u"COMPARTIDO.XLSX"_s
            << Rows{{u"Código"_s, u""_s, u"1.5"_s}, {u""_s, u"FALSO"_s}, {u"ÑANDÚ"_s, u"Código"_s}};
        QTest::newRow("odfpy .ods") << u"lista.ods"_s
                                    << Rows{{u"Código"_s, u"Descripción"_s, u"Costo"_s},
                                            {u"7790001000017"_s, u"YERBA"_s, u"1234.5"_s},
                                            {u"7790001000024"_s, u""_s, u""_s, u"0.125"_s},
                                            {u"x"_s, u"x"_s, u"x"_s},
                                            {u"ÑANDÚ"_s, u"VERDADERO"_s},
                                            {u"ÑANDÚ"_s, u"VERDADERO"_s},
                                            {u"línea 1\nlínea 2"_s}};
        QTest::newRow("Windows-1252 ; .csv")
            << u"windows.csv"_s
            << Rows{{u"Código"_s, u"Descripción"_s, u"Costo"_s},
                    {u"7790001000017"_s, u"CAÑA ÁRBOL"_s, u"1234,56"_s},
                    {u"7790001000024"_s, u"ACEITE; 1,5 L"_s, u"1.234,5"_s},
                    {},
                    {u"7790001000031"_s, u"CAFÉ € 2"_s, u"12"_s}};
        QTest::newRow("UTF-8 BOM , .csv")
            << u"bom.csv"_s
            << Rows{{u"codbarra"_s, u"descripcion"_s, u"costo"_s},
                    {u"7790001000017"_s, u"Yerba, 1 kg"_s, u"1234.56"_s},
                    {u"7790001000024"_s, u"Dice \"hola\"\nen dos líneas"_s, u"1.5"_s}};
    }

    void read()
    {
        QFETCH(QString, file);
        QFETCH(Rows, rows);
        const pricelist::Sheet sheet = pricelist::read(at(file));
        QCOMPARE(shown(sheet.rows), shown(rows));
        QCOMPARE(sheet.rows, rows);
    }

    void workbooksKeepStringsAsTheirNamesSay()
    {
        // A zip names its parts in plain bytes: openpyxl writes the strings into the cells,
        // libxlsxwriter into a part of their own.
        QVERIFY(!fileBytes(at(u"lista.xlsx"_s)).contains("sharedStrings.xml"));
        QVERIFY(fileBytes(at(u"COMPARTIDO.XLSX"_s)).contains("xl/sharedStrings.xml"));
    }

    void errors_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("reason");
        const int notOurs = int(EngineErrorCode::NotOurFormat);
        QTest::newRow("missing") << u"no-existe.xlsx"_s << int(EngineErrorCode::FileNotFound)
                                 << u""_s;
        QTest::newRow("no read permission")
            << u"sin-permiso.csv"_s << int(EngineErrorCode::NoReadPermission) << u""_s;
        QTest::newRow("a folder") << u"carpeta.csv"_s << int(EngineErrorCode::CannotOpenFile)
                                  << u""_s;
        QTest::newRow("a FIFO, with no writer")
            << u"tuberia.csv"_s << int(EngineErrorCode::CannotOpenFile) << u""_s;
        QTest::newRow(".xlsx that is not a zip")
            << u"texto.xlsx"_s << notOurs << u"no es un archivo comprimido"_s;
        QTest::newRow("zip without a workbook")
            << u"sin-libro.xlsx"_s << notOurs << u"le falta xl/workbook.xml"_s;
        QTest::newRow("workbook without a worksheet")
            << u"sin-hoja.xlsx"_s << notOurs << u"ninguna hoja"_s;
        QTest::newRow("damaged worksheet") << u"hoja-danada.xlsx"_s << notOurs << u"está dañado"_s;
        QTest::newRow(".ods that is not a zip")
            << u"texto.ods"_s << notOurs << u"no es un archivo comprimido"_s;
        QTest::newRow(".ods without content")
            << u"sin-contenido.ods"_s << notOurs << u"le falta content.xml"_s;
        QTest::newRow("a part over 256 MB")
            << u"parte-enorme.ods"_s << notOurs << u"content.xml pasa de 256 MB"_s;
        QTest::newRow("a part over 256 MB, its entry says 1000 bytes")
            << u"parte-enorme-oculta.ods"_s << notOurs
            << u"dañado (no se puede leer content.xml)"_s;
        QTest::newRow("a part shorter than its entry says")
            << u"parte-corta.ods"_s << notOurs << u"dañado (no se puede leer content.xml)"_s;
        QTest::newRow(".ods beyond the cell limit")
            << u"enorme.ods"_s << notOurs << u"más de 4000000 celdas"_s;
        QTest::newRow("old .xls") << u"lista.xls"_s << notOurs << u".csv, .xlsx u .ods"_s;
        QTest::newRow(".csv with open quotes")
            << u"comillas.csv"_s << notOurs << u"línea 2 no se cierran"_s;
    }

    void errors()
    {
        QFETCH(QString, file);
        QFETCH(int, code);
        QFETCH(QString, reason);
        const fixture::ByTheFilesModes asAnyUser;
        try {
            pricelist::read(at(file));
            QFAIL("read without an error");
        } catch (const EngineError& e) {
            QCOMPARE(e.number(), code);
            QVERIFY2(e.text().contains(at(file)), qPrintable(e.text()));
            QVERIFY2(e.text().contains(reason), qPrintable(e.text()));
        }
    }

    // The Excel export writes with libxlsxwriter, which unpacks and packs through the system's
    // minizip as the reader does: in one process, writing and reading both work, in turns.
    void excelLibraryAndReaderInOneProcess()
    {
        const QList<std::pair<double, QString>> rounds{{1234.5, u"1234.5"_s},
                                                       {7790001000017.0, u"7790001000017"_s}};
        for (const auto& [value, text] : rounds) {
            const QString path = at(u"exportado-%1.xlsx"_s.arg(text));
            {
                const CNumbers cNumbers;
                lxw_workbook* workbook = workbook_new(QFile::encodeName(path).constData());
                QVERIFY(workbook);
                lxw_worksheet* sheet = workbook_add_worksheet(workbook, nullptr);
                QCOMPARE(int(worksheet_write_number(sheet, 1, 1, value, nullptr)),
                         int(LXW_NO_ERROR));
                QCOMPARE(int(workbook_close(workbook)), int(LXW_NO_ERROR));
            }
            QCOMPARE(pricelist::read(path).rows, (Rows{{}, {u""_s, text}}));
        }
    }

    // Every cut and every changed byte of a real workbook either reads or is refused as
    // damaged; nothing else comes out and nothing crashes.
    void damagedAnywhere_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow(".xlsx") << u"lista.xlsx"_s;
        QTest::newRow(".ods") << u"lista.ods"_s;
    }

    void damagedAnywhere()
    {
        QFETCH(QString, file);
        const QByteArray whole = fileBytes(at(file));
        QVERIFY(!whole.isEmpty());
        const QString damaged = at(u"danado."_s + file.section(u'.', -1));
        int refused = 0;
        for (qsizetype i = 0; i < whole.size(); i += 7) {
            for (const bool cut : {true, false}) {
                QByteArray bytes = whole;
                if (cut) bytes.truncate(i);
                else bytes[i] = char(bytes[i] ^ 0x5a);
                writeFile(damaged, bytes);
                try {
                    pricelist::read(damaged);
                } catch (const EngineError& e) {
                    QVERIFY2(e.code() == EngineErrorCode::NotOurFormat, qPrintable(e.text()));
                    ++refused;
                }
            }
        }
        QVERIFY(refused > 0);
    }

    void parseCost_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<bool>("isCost");
        QTest::addColumn<double>("cost");
        const auto cost = [](const char* cell, double value) {
            QTest::newRow(cell) << QString::fromUtf8(cell) << true << value;
        };
        const auto none = [](const char* cell) {
            QTest::newRow(cell) << QString::fromUtf8(cell) << false << 0.0;
        };
        cost("1234,56", 1234.56);
        cost("1.234,56", 1234.56);
        cost("1234.56", 1234.56);
        cost("1,234.56", 1234.56);
        cost("$ 1.234,56", 1234.56);
        cost("$1234", 1234);
        cost(" 1234 ", 1234);
        cost(
            "\xc2\xa0"
            "12,5\xc2\xa0",
            12.5);
        cost("1.234.567", 1234567);
        cost("1,234,567", 1234567);
        cost("1.234.567,5", 1234567.5);
        cost("1,234", 1.234);  // a single comma is the decimal comma
        cost("0,5", 0.5);
        cost(",5", 0.5);
        cost("0.125", 0.125);
        cost("1234.567", 1234.567);
        cost("12.5", 12.5);
        cost("12.3456", 12.3456);
        cost("0", 0);
        none("");
        none("   ");
        none("diez");
        none("-5");
        none("-1.234,56");
        none("$ -5");
        none("(1.234,56)");
        none("1.234");  // thousands in Argentina, thousandths in an English file
        none("12.345");
        none("1.23.4");
        none("1.234,5,6");
        none("1,23.4");
        none("01.234.567");
        none("1234,");
        none("1e5");
        none("inf");
        none("nan");
        none("12 345");
        none("7.5%");
        none("1234 $");
        none(QByteArray(400, '9').constData());
    }

    void parseCost()
    {
        QFETCH(QString, cell);
        QFETCH(bool, isCost);
        QFETCH(double, cost);
        const std::optional<double> parsed = pricelist::parseCost(cell);
        QCOMPARE(parsed.has_value(), isCost);
        if (isCost) QCOMPARE(*parsed, cost);
    }

    void match()
    {
        fixture::DataFolder folder;
        QList<QVariantMap> articles;
        const QStringList barcodes = {u"7790001000017"_s, u"7790001000024"_s, u"7790001000031"_s,
                                      u"7790001000048"_s, u"7790001000048"_s, u"7790001000055"_s,
                                      u"7790001000062"_s};
        const QStringList suppliers = {u"0003"_s, u"0003"_s, u"0005"_s, u"0003"_s,
                                       u"0003"_s, u"3"_s,    u"0003"_s};
        for (int i = 0; i < barcodes.size(); ++i)
            articles << QVariantMap{{u"descripcion"_s, u"ARTICULO %1"_s.arg(i + 1)},
                                    {u"codbarra"_s, barcodes[i]},
                                    {u"codp"_s, suppliers[i]}};
        folder.create(u"Articulos.mdb"_s, articles);
        const std::shared_ptr<Database> db = catalogue::open(u"Articulos.mdb");

        const pricelist::Sheet sheet{Rows{
            {u"Código"_s, u"Descripción"_s, u"Costo"_s},
            {u"7790001000017"_s, u""_s, u"1.234,56"_s},
            {u"7790001000024"_s, u"x"_s, u"980"_s},
            {u"7790009999999"_s, u"x"_s, u"10"_s},
            {u"7790001000062"_s, u"x"_s, u"diez"_s},
            {u"7790001000031"_s, u"x"_s, u"10"_s},
            {},
            {u""_s, u"  "_s, u""_s},
            {u"7790001000048"_s, u"x"_s, u"10"_s},
            {u" 7790001000055 "_s, u"x"_s, u"$ 55"_s},
            {u"7790001000017"_s, u"x"_s, u"1234,56"_s},
            {u"7790001000024"_s, u"x"_s, u"990"_s},
            {u"7790001000062"_s},
            {u""_s, u"x"_s, u"5"_s},
            {u"7790001000062"_s, u"x"_s, u"1.234"_s},
            {u"7790001000062"_s, u"x"_s, u"0"_s},
            {u"7790001000062"_s, u"x"_s, u"-5"_s},
        }};
        const auto bySupplier =
            pricelist::match(*db, sheet, 1, 0, pricelist::Key::Barcode, 2, u"0003"_s);
        QCOMPARE(
            describe(bySupplier),
            QStringList(
                {
                    u"2: 1 -> 1234.56"_s,
                    u"10: 6 -> 55.00"_s,
                    u"3: código repetido en la lista con otro costo (fila 12)"_s,
                    u"4: no hay artículo con ese código de barras"_s,
                    u"5: el costo no es un número"_s,
                    u"6: el artículo es de otro proveedor"_s,
                    u"9: hay 2 artículos con ese código de barras (4, 5)"_s,
                    u"11: código repetido en la lista (fila 2)"_s,
                    u"12: código repetido en la lista (fila 3)"_s,
                    u"13: falta el costo"_s,
                    u"14: falta el código de barras"_s,
                    u"15: el costo 1.234 es ambiguo (¿miles o decimales?): escriba 1234 o 1,234"_s,
                    u"16: el costo es cero"_s,
                    u"17: el costo es negativo"_s,
                })
                .join(u'\n'));

        // Without a supplier the other supplier's article takes its cost; the header row, read
        // from row 0, finds no article.
        const auto anySupplier =
            pricelist::match(*db, sheet, 0, 0, pricelist::Key::Barcode, 2, QString());
        QCOMPARE(anySupplier.matched.size(), size_t(3));
        QCOMPARE(anySupplier.matched[1].row, 6);
        QCOMPARE(anySupplier.matched[1].codigo, 3);
        QCOMPARE(anySupplier.rejected.front().row, 1);

        const pricelist::Sheet byCode{
            Rows{{u"1"_s, u"5"_s}, {u"x"_s, u"5"_s}, {u"99"_s, u"5"_s}, {u"3"_s, u"7,5"_s}}};
        QCOMPARE(describe(pricelist::match(*db, byCode, 0, 0, pricelist::Key::Code, 1, u"3"_s)),
                 QStringList({u"1: 1 -> 5.00"_s, u"2: el código del artículo no es un número"_s,
                              u"3: no hay artículo con ese código"_s,
                              u"4: el artículo es de otro proveedor"_s})
                     .join(u'\n'));

        // A workbook as read: the barcode in a number cell finds its article too.
        const auto fromWorkbook = pricelist::match(*db, pricelist::read(at(u"lista.xlsx"_s)), 1, 0,
                                                   pricelist::Key::Barcode, 2, QString());
        QCOMPARE(describe(fromWorkbook),
                 QStringList({
                                 u"2: 1 -> 1234.50"_s,
                                 u"3: 2 -> 980.00"_s,
                                 u"4: 3 -> 1234.56"_s,
                                 u"6: falta el código de barras"_s,
                                 u"7: no hay artículo con ese código de barras"_s,
                             })
                     .join(u'\n'));
    }
};

QTEST_GUILESS_MAIN(PriceListTest)
#include "tst_pricelist.moc"
