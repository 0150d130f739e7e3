// The report viewers and their reports, checked through the PDF they write and the Excel
// workbook read back with openpyxl.

#include <sys/resource.h>
#include <QDir>
#include <QDoubleSpinBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QScrollArea>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QToolButton>
#include <QWheelEvent>
#include <charconv>
#include <csignal>

#include "admin/demo.h"
#include "data/filereplace.h"
#include "data/numbertext.h"
#include "data/settings.h"
#include "guards.h"
#include "reports/crviewer.h"
#include "reports/forlista.h"
#include "reports/report.h"
#include "reports/reportdefs.h"
#include "scenario.h"
#include "shell/dialogs.h"
#include "shell/principal.h"
#include "shell/windowregistry.h"
#include "tempstore.h"

using namespace Qt::StringLiterals;
using reports::CRViewer;
using reports::ForLista;

namespace {

QString run(const QString& program, const QStringList& args)
{
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(120000) || process.exitCode() != 0) return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The PDF's text, one string per page.
QStringList pdfPages(const QString& pdf)
{
    QStringList pages = run(u"pdftotext"_s, {u"-layout"_s, pdf, u"-"_s}).split(u'\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty()) pages.removeLast();
    return pages;
}

struct Word {
    int page;
    double x, y;  // top left, in millimetres
    QString text;
    double right;  // in millimetres
};

// Every word of the PDF with its position.
QList<Word> pdfWords(const QString& pdf, const QString& folder)
{
    const QString html = folder + u"/words.html"_s;
    run(u"pdftotext"_s, {u"-bbox"_s, pdf, html});
    QFile file(html);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QString text = QString::fromUtf8(file.readAll());
    static const QRegularExpression page(u"<page "_s),
        word(
            uR"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="[\d.]+">([^<]*)</word>)re"_s);
    QList<Word> words;
    int pageNumber = -1;
    qsizetype at = 0;
    const QList<qsizetype> pageStarts = [&] {
        QList<qsizetype> starts;
        for (auto it = page.globalMatch(text); it.hasNext();) starts << it.next().capturedStart();
        return starts;
    }();
    for (auto it = word.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        while (pageNumber + 1 < pageStarts.size() && pageStarts[pageNumber + 1] < m.capturedStart())
            ++pageNumber;
        at = m.capturedStart();
        auto mm = [](const QString& points) {
            double v = 0;
            const QByteArray bytes = points.toLatin1();
            std::from_chars(bytes.constData(), bytes.constData() + bytes.size(), v);
            return v * 25.4 / 72.0;
        };
        words.push_back(
            {pageNumber, mm(m.captured(1)), mm(m.captured(2)), m.captured(4), mm(m.captured(3))});
    }
    Q_UNUSED(at);
    return words;
}

// The first sheet of an .xlsx as openpyxl reads it: rows of cells, each one [value, Python type
// name, number format].
QJsonArray workbookCells(const QString& xlsx)
{
    static const QString script =
        uR"(
import json, sys, openpyxl
sheet = openpyxl.load_workbook(sys.argv[1]).worksheets[0]
print(json.dumps([[[c.value, type(c.value).__name__, c.number_format] for c in row] for row in sheet.iter_rows()]))
)"_s;
    // Debian's interpreter, where python3-openpyxl is installed.
    return QJsonDocument::fromJson(run(u"/usr/bin/python3"_s, {u"-c"_s, script, xlsx}).toUtf8())
        .array();
}

// The files of `folder` that the safe replace leaves only when it fails half-way.
QStringList temporaries(const QString& folder)
{
    return QDir(folder).entryList({u".*.tmp"_s}, QDir::Hidden | QDir::Files);
}

// Files written by this process may not grow past `bytes` while the object lives: a write past
// it fails as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previousSignal_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved_;
        limited.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousSignal_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*previousSignal_)(int) = nullptr;
};

// Answers every file chooser with the path the test is about to export to.
class ExportPathDialogs : public DialogService {
public:
    explicit ExportPathDialogs(const QString& path) : path_(path) {}
    QString chooseFile(QWidget*, DialogKind, const QString&, const QString&,
                       const QString&) override
    {
        return path_;
    }
    bool choosePrinter(QWidget*, QPrinter&, int) override { return false; }

private:
    const QString& path_;
};

// EAN-13, EAN-8 and Code 128 barcodes for the labels.
const QStringList kBarcodes = {u"7790895000997"_s, u"40123455"_s, u"ABC-123"_s,
                               u"5012345678900"_s, u"95011011"_s, u"LOTE 77"_s,
                               u"4006381333931"_s};

QList<QVariantMap> labelRecords(int count)
{
    QList<QVariantMap> records;
    for (int i = 1; i <= count; ++i) {
        const QString n = QString::number(i).rightJustified(2, u'0');
        records << QVariantMap{{u"codigo"_s, i},
                               {u"codbarra"_s, kBarcodes[(i - 1) % kBarcodes.size()]},
                               {u"descripcion"_s, u"ART%1 PRODUCTO"_s.arg(n)},
                               {u"neto1"_s, 10 + i + 0.5}};
    }
    return records;
}

}  // namespace

class TestReports : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void listsThroughTheirPdf_data();
    void listsThroughTheirPdf();
    void listColumnsFollowTheirData_data();
    void listColumnsFollowTheirData();
    void threePageList();
    void navigationAndZoom();
    void printsARangeOfPages();
    void printButtonPrintsWhatTheDialogChose_data();
    void printButtonPrintsWhatTheDialogChose();
    void fileChooserOpensInTheLastFolder();
    void openViewerComesForwardWithTheDataAsItIsNow();
    void labelSheetBroughtForwardPrintsTheQueueAsItIsNow();
    void reopenedViewerReloadsTheSameReport();
    void viewerFillsTheForm();
    void labelSheetsPlaceEveryLabel_data();
    void labelSheetsPlaceEveryLabel();
    void printerOffsetTakesTheFullStopAsTheDecimalComma_data();
    void printerOffsetTakesTheFullStopAsTheDecimalComma();
    void barcodesScan_data();
    void barcodesScan();
    void emptyLabelFieldsPrintNothing();
    void longDescriptionKeepsWholeWords();
    void failures_data();
    void failures();
    void unwritablePdfPath_data();
    void unwritablePdfPath();
    void printerThatFails();
    void readsOnlyWhatIsCommitted();
    void listsOpenFromTheMainWindowsMenu_data();
    void listsOpenFromTheMainWindowsMenu();
    void spreadsheetHoldsThePdfsRecords_data();
    void spreadsheetHoldsThePdfsRecords();
    void labelSheetSpreadsheetHoldsTheQueue_data();
    void labelSheetSpreadsheetHoldsTheQueue();
    void spreadsheetExportByKeyboard();
    void failedSpreadsheetKeepsTheOldFile_data();
    void failedSpreadsheetKeepsTheOldFile();
    void failedPdfKeepsTheOldFile_data();
    void failedPdfKeepsTheOldFile();

private:
    ForLista* show(const QString& viewer);
    QString exportPdf(ForLista* form, const QString& name);
    QString exportSpreadsheet(ForLista* form, const QString& name);

    QTemporaryDir config_;
    fixture::EnvVar configHome_{"XDG_CONFIG_HOME", QFile::encodeName(config_.path())};
    std::unique_ptr<fixture::DataFolder> folder_;
    QMdiArea frame_;
    std::optional<fixture::RegistryGuard> registry_;  // each test starts in frame_
    QString exportPath_;
    ExportPathDialogs exportDialogs_{exportPath_};
};

void TestReports::initTestCase()
{
    frame_.resize(1100, 800);
    frame_.show();
    frame_.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&frame_));
    setDialogService(&exportDialogs_);
}

void TestReports::init()
{
    folder_ = std::make_unique<fixture::DataFolder>();
    registry_.emplace(&frame_);
    reports::registerReportWindows(WindowRegistry::instance());
    reports::saveLabelOffset(QPointF());
}

void TestReports::cleanup()
{
    frame_.closeAllSubWindows();
    QTRY_VERIFY(frame_.subWindowList().isEmpty());
    registry_.reset();
    folder_.reset();
    filereplace::clearFaults();
}

ForLista* TestReports::show(const QString& viewer)
{
    auto* form = qobject_cast<ForLista*>(WindowRegistry::instance().show(viewer));
    if (form && !QTest::qWaitFor([form] { return form->loaded(); }, 10000)) return nullptr;
    return form;
}

QString TestReports::exportPdf(ForLista* form, const QString& name)
{
    exportPath_ = folder_->path() + u'/' + name;
    QTest::mouseClick(form->findChild<QWidget*>(u"cmdExportar"_s), Qt::LeftButton);
    return QFileInfo::exists(exportPath_) ? exportPath_ : QString();
}

QString TestReports::exportSpreadsheet(ForLista* form, const QString& name)
{
    exportPath_ = folder_->path() + u'/' + name;
    QTest::mouseClick(form->findChild<QWidget*>(u"cmdExportarExcel"_s), Qt::LeftButton);
    return QFileInfo::exists(exportPath_) ? exportPath_ : QString();
}

void TestReports::listsThroughTheirPdf_data()
{
    QTest::addColumn<QString>("viewer");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QList<QVariantMap>>("records");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("texts");  // in this order on the page

    QTest::newRow("articles") << u"ForListaArticulos"_s << u"Articulos.mdb"_s
                              << QList<QVariantMap>{{{u"descripcion"_s, u"YERBA MATE"_s},
                                                     {u"codbarra"_s, u"7790895000997"_s},
                                                     {u"cos"_s, 100.0},
                                                     {u"lis1"_s, 150.5},
                                                     {u"lis2"_s, 160.0},
                                                     {u"lis3"_s, 170.25},
                                                     {u"dept"_s, 12.0}},
                                                    {{u"descripcion"_s, u"AZUCAR"_s},
                                                     {u"cos"_s, 50.0},
                                                     {u"dept"_s, 3.0}}}
                              << u"Lista Articulos"_s
                              << QStringList{u"Lista de Articulos"_s,
                                             u"CODIGO"_s,
                                             u"COD.BARRA"_s,
                                             u"DESCRIPCION"_s,
                                             u"COSTO"_s,
                                             u"LISTA 1"_s,
                                             u"STOCK"_s,
                                             u"1"_s,
                                             u"7790895000997"_s,
                                             u"YERBA MATE"_s,
                                             u"100,00"_s,
                                             u"150,50"_s,
                                             u"160,00"_s,
                                             u"170,25"_s,
                                             u"12,00"_s,
                                             u"2"_s,
                                             u"AZUCAR"_s,
                                             u"50,00"_s,
                                             u"Total: 2 registros"_s,
                                             u"15,00"_s,
                                             u"Página 1 de 1"_s};
    QTest::newRow("customers") << u"ForListaClientes"_s << u"Clientes.mdb"_s
                               << QList<QVariantMap>{{{u"COD_CLIENT"_s, u"0007"_s},
                                                      {u"RAZON_SOC"_s, u"LA ESQUINA"_s},
                                                      {u"DOMICILIO"_s, u"SAN MARTIN 12"_s},
                                                      {u"CIUDAD"_s, u"SALTA"_s},
                                                      {u"TEL_1"_s, u"4211234"_s},
                                                      {u"CUIT"_s, u"20-12345678-9"_s},
                                                      {u"SALDO"_s, 1234.5}},
                                                     {{u"COD_CLIENT"_s, u"0002"_s},
                                                      {u"RAZON_SOC"_s, u"ANA LOPEZ"_s},
                                                      {u"SALDO"_s, -34.5}}}
                               << u"Lista Proveedores"_s
                               << QStringList{u"Lista de Clientes"_s,
                                              u"RAZON SOCIAL"_s,
                                              u"SALDO"_s,
                                              u"0002"_s,
                                              u"ANA LOPEZ"_s,
                                              u"-34,50"_s,
                                              u"0007"_s,
                                              u"LA ESQUINA"_s,
                                              u"SAN MARTIN 12"_s,
                                              u"SALTA"_s,
                                              u"4211234"_s,
                                              u"20-12345678-9"_s,
                                              u"1234,50"_s,
                                              u"Total: 2 registros"_s,
                                              u"1200,00"_s,
                                              u"Página 1 de 1"_s};
    QTest::newRow("suppliers") << u"ForListaProveedores"_s << u"Proveedores.mdb"_s
                               << QList<QVariantMap>{{{u"COD_PROV"_s, u"0004"_s},
                                                      {u"RAZON_SOC"_s, u"LOPEZ DISTRIBUCIONES"_s},
                                                      {u"TIPO_IVA"_s, u"MONOTRIBUTO"_s},
                                                      {u"CUIT"_s, u"30-1-2"_s}},
                                                     {{u"COD_PROV"_s, u"0001"_s},
                                                      {u"RAZON_SOC"_s, u"ARCOR"_s},
                                                      {u"TIPO_IVA"_s, u"RESP. INSCRIPTO"_s}}}
                               << u"Lista Proveedores"_s
                               << QStringList{u"Lista de Proveedores"_s,
                                              u"COND. IVA"_s,
                                              u"0001"_s,
                                              u"ARCOR"_s,
                                              u"RESP. INSCRIPTO"_s,
                                              u"0004"_s,
                                              u"LOPEZ DISTRIBUCIONES"_s,
                                              u"30-1-2"_s,
                                              u"MONOTRIBUTO"_s,
                                              u"Total: 2 registros"_s,
                                              u"Página 1 de 1"_s};
    QTest::newRow("departments") << u"ForListaDepartamentos"_s << u"Departamentos.mdb"_s
                                 << QList<QVariantMap>{{{u"COD_RUB"_s, u"0002"_s},
                                                        {u"DESCRI"_s, u"BAZAR"_s},
                                                        {u"COD_LET"_s, u"D2"_s}},
                                                       {{u"COD_RUB"_s, u"0001"_s},
                                                        {u"DESCRI"_s, u"ALMACEN"_s},
                                                        {u"COD_LET"_s, u"D1"_s}}}
                                 << u"Lista Departamentos"_s
                                 << QStringList{u"Lista de Departamentos"_s,
                                                u"0001"_s,
                                                u"ALMACEN"_s,
                                                u"D1"_s,
                                                u"0002"_s,
                                                u"BAZAR"_s,
                                                u"D2"_s,
                                                u"Total: 2 registros"_s,
                                                u"Página 1 de 1"_s};
}

void TestReports::listsThroughTheirPdf()
{
    QFETCH(QString, viewer);
    QFETCH(QString, file);
    QFETCH(QList<QVariantMap>, records);
    QFETCH(QString, caption);
    QFETCH(QStringList, texts);

    folder_->create(file, records);
    ScriptedMessageBoxes boxes;
    ForLista* form = show(viewer);
    QVERIFY(form);
    QCOMPARE(form->windowTitle(), caption);
    QCOMPARE(form->viewer()->zoomPercent(), 88);
    QVERIFY(!form->viewer()->pageImage().isNull());
    const QString pdf = exportPdf(form, u"lista.pdf"_s);
    QVERIFY(!pdf.isEmpty());
    QCOMPARE(boxes.shown().size(), 0);
    const QStringList pages = pdfPages(pdf);
    QCOMPARE(pages.size(), 1);
    qsizetype at = 0;
    for (const QString& text : texts) {
        const qsizetype found = pages[0].indexOf(text, at);
        QVERIFY2(found >= 0, qPrintable(text + u" after "_s + pages[0].mid(at, 80)));
        at = found + text.size();
    }
    QVERIFY(pages[0].contains(QDate::currentDate().toString(u"dd/MM/yyyy"_s)));
}

void TestReports::listColumnsFollowTheirData_data()
{
    QTest::addColumn<QString>("viewer");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QList<QVariantMap>>("records");
    QTest::addColumn<QStringList>("whole");  // shown whole, each on one line of the page
    QTest::addColumn<bool>("roomForAll");    // nothing is cut

    QTest::newRow("seven-digit prices and stock total")
        << u"ForListaArticulos"_s << u"Articulos.mdb"_s
        << QList<QVariantMap>{{{u"descripcion"_s, u"HELADERA NO FROST"_s},
                               {u"codbarra"_s, u"7790895000997"_s},
                               {u"cos"_s, 987654.32},
                               {u"lis1"_s, 1234567.89},
                               {u"lis2"_s, 1300000.0},
                               {u"lis3"_s, 1450000.5},
                               {u"dept"_s, 204676.75}},
                              {{u"descripcion"_s, u"FREEZER"_s},
                               {u"lis1"_s, -1234567.89},
                               {u"dept"_s, 204676.76}}}
        << QStringList{u"987654,32"_s,  u"1234567,89"_s,        u"1300000,00"_s,
                       u"1450000,50"_s, u"204676,75"_s,         u"-1234567,89"_s,
                       u"204676,76"_s,  u"HELADERA NO FROST"_s, u"Total: 2 registros"_s,
                       u"409353,51"_s}
        << true;
    QTest::newRow("supplier names take the room the others leave")
        << u"ForListaProveedores"_s << u"Proveedores.mdb"_s
        << QList<QVariantMap>{{{u"COD_PROV"_s, u"0001"_s},
                               {u"RAZON_SOC"_s, u"DISTRIBUIDORA DEL NOROESTE SRL"_s},
                               {u"DOMICILIO"_s, u"AV. BELGRANO 1234 PISO 2 OF. B"_s},
                               {u"CIUDAD"_s, u"SALTA"_s},
                               {u"TEL_1"_s, u"4211234"_s},
                               {u"CUIT"_s, u"30-12345678-9"_s},
                               {u"TIPO_IVA"_s, u"RESP. INSCRIPTO"_s}}}
        << QStringList{u"DISTRIBUIDORA DEL NOROESTE SRL"_s, u"AV. BELGRANO 1234 PISO 2 OF. B"_s,
                       u"30-12345678-9"_s, u"RESP. INSCRIPTO"_s}
        << true;
    QTest::newRow("customer balances of seven digits")
        << u"ForListaClientes"_s << u"Clientes.mdb"_s
        << QList<QVariantMap>{{{u"COD_CLIENT"_s, u"0001"_s},
                               {u"RAZON_SOC"_s, u"ALMACEN LA ESQUINA DE ENFRENTE"_s},
                               {u"SALDO"_s, -9876543.21}},
                              {{u"COD_CLIENT"_s, u"0002"_s},
                               {u"RAZON_SOC"_s, u"ANA"_s},
                               {u"SALDO"_s, 1.0}}}
        << QStringList{u"ALMACEN LA ESQUINA DE ENFRENTE"_s, u"-9876543,21"_s, u"-9876542,21"_s}
        << true;
    // Every field at its longest: the page cannot hold them all, so the longest texts are cut
    // alike, and the short ones and the headers still show whole.
    const QString full = u"WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW"_s;
    QTest::newRow("every field at its longest")
        << u"ForListaProveedores"_s << u"Proveedores.mdb"_s
        << QList<QVariantMap>{{{u"COD_PROV"_s, u"9999"_s},
                               {u"RAZON_SOC"_s, full},
                               {u"DOMICILIO"_s, full},
                               {u"CIUDAD"_s, u"SAN SALVADOR J."_s},
                               {u"TEL_1"_s, full},
                               {u"CUIT"_s, u"30-12345678-9"_s},
                               {u"TIPO_IVA"_s, u"RESP. INSCRIPTO"_s}}}
        << QStringList{u"9999"_s,          u"SAN SALVADOR J."_s,
                       u"30-12345678-9"_s, u"RESP. INSCRIPTO"_s,
                       u"RAZON SOCIAL"_s,  u"DOMICILIO"_s,
                       u"TELEFONO"_s,      u"COND. IVA"_s}
        << false;
}

void TestReports::listColumnsFollowTheirData()
{
    QFETCH(QString, viewer);
    QFETCH(QString, file);
    QFETCH(QList<QVariantMap>, records);
    QFETCH(QStringList, whole);
    QFETCH(bool, roomForAll);

    folder_->create(file, records);
    ScriptedMessageBoxes boxes;
    ForLista* form = show(viewer);
    QVERIFY(form);
    const QString pdf = exportPdf(form, u"columnas.pdf"_s);
    QVERIFY(!pdf.isEmpty());
    QCOMPARE(boxes.shown().size(), 0);
    const QStringList pages = pdfPages(pdf);
    QCOMPARE(pages.size(), 1);
    const QStringList lines = pages[0].split(u'\n');
    for (const QString& text : whole) {
        static const QRegularExpression around(u"(^|\\s)(%1)(\\s|$)"_s);
        const QRegularExpression alone(around.pattern().arg(QRegularExpression::escape(text)));
        QVERIFY2(std::any_of(lines.begin(), lines.end(),
                             [&](const QString& line) { return alone.match(line).hasMatch(); }),
                 qPrintable(text + u" in\n"_s + pages[0]));
    }
    QCOMPARE(!pages[0].contains(u"…"_s), roomForAll);
    // Nothing runs past the right margin (15 mm).
    for (const Word& word : pdfWords(pdf, folder_->path()))
        QVERIFY2(word.right <= 195.5, qPrintable(word.text));
}

void TestReports::threePageList()
{
    QList<QVariantMap> records;
    for (int i = 1; i <= 150; ++i)
        records << QVariantMap{
            {u"descripcion"_s, u"ARTICULO %1"_s.arg(i)}, {u"lis1"_s, i + 0.5}, {u"dept"_s, 1.0}};
    folder_->create(u"Articulos.mdb"_s, records);
    ForLista* form = show(u"ForListaArticulos"_s);
    QVERIFY(form);
    QCOMPARE(form->viewer()->pageCount(), 3);
    const QStringList pages = pdfPages(exportPdf(form, u"tres.pdf"_s));
    QCOMPARE(pages.size(), 3);
    for (int p = 0; p < 3; ++p) {
        QVERIFY(pages[p].contains(u"Lista de Articulos"_s));
        QVERIFY(pages[p].contains(u"DESCRIPCION"_s));
        QVERIFY(pages[p].contains(u"Página %1 de 3"_s.arg(p + 1)));
    }
    // Every article once, in code order, across the pages.
    const QString all = pages.join(QString());
    qsizetype at = 0;
    for (int i = 1; i <= 150; ++i) {
        const QString text = u"ARTICULO %1 "_s.arg(i);
        const qsizetype found = all.indexOf(text, at);
        QVERIFY2(found >= 0, qPrintable(text));
        at = found;
    }
    QVERIFY(pages[2].contains(u"Total: 150 registros"_s));
    QVERIFY(pages[2].contains(u"150,00"_s));
    QVERIFY(!pages[0].contains(u"Total:"_s));
}

void TestReports::navigationAndZoom()
{
    QList<QVariantMap> records;
    for (int i = 1; i <= 150; ++i)
        records << QVariantMap{{u"descripcion"_s, u"ARTICULO %1"_s.arg(i)}};
    folder_->create(u"Articulos.mdb"_s, records);
    ForLista* form = show(u"ForListaArticulos"_s);
    QVERIFY(form);
    CRViewer* viewer = form->viewer();
    auto* label = viewer->findChild<QLabel*>(u"lblPagina"_s);
    QCOMPARE(label->text(), u"Página 1 de 3"_s);
    struct Step {
        QString control;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int page;
    };
    const Step steps[] = {{{}, Qt::Key_PageDown, {}, 2},
                          {{}, Qt::Key_End, Qt::ControlModifier, 3},
                          {{}, Qt::Key_PageDown, {}, 3},
                          {{}, Qt::Key_PageUp, {}, 2},
                          {{}, Qt::Key_Home, Qt::ControlModifier, 1},
                          {u"cmdUltima"_s, Qt::Key_unknown, {}, 3},
                          {u"cmdAnterior"_s, Qt::Key_unknown, {}, 2},
                          {u"cmdPrimera"_s, Qt::Key_unknown, {}, 1},
                          {u"cmdSiguiente"_s, Qt::Key_unknown, {}, 2}};
    viewer->findChild<QWidget*>(u"scrollArea"_s)->setFocus();
    for (const Step& step : steps) {
        if (step.control.isEmpty())
            QTest::keyClick(viewer->findChild<QWidget*>(u"scrollArea"_s), step.key, step.modifiers);
        else QTest::mouseClick(viewer->findChild<QWidget*>(step.control), Qt::LeftButton);
        QCOMPARE(viewer->currentPage(), step.page);
        QCOMPARE(label->text(), u"Página %1 de 3"_s.arg(step.page));
    }
    // Zoom: 88 % at first; Ctrl with the wheel steps it; fit width and fit page follow the window.
    QCOMPARE(viewer->zoomPercent(), 88);
    const QSize at88 = viewer->pageImage().size();
    QWidget* viewport = viewer->findChild<QScrollArea*>(u"scrollArea"_s)->viewport();
    QWheelEvent wheel(QPointF(50, 50), viewport->mapToGlobal(QPointF(50, 50)), QPoint(),
                      QPoint(0, 120), Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &wheel);
    QCOMPARE(viewer->zoomPercent(), 98);
    QVERIFY(viewer->pageImage().width() > at88.width());
    viewer->setZoomMode(CRViewer::ZoomMode::FitWidth);
    QVERIFY(qAbs(viewer->findChild<QWidget*>(u"Pagina"_s)->width() - (viewport->width() - 16)) <=
            2);
    viewer->setZoomMode(CRViewer::ZoomMode::FitPage);
    QVERIFY(viewer->findChild<QWidget*>(u"Pagina"_s)->height() <= viewport->height());
    QCOMPARE(viewer->currentPage(), 2);
}

void TestReports::printButtonPrintsWhatTheDialogChose_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QStringList>("printed");  // the pages' numbers as the PDF shows them
    QTest::newRow("every page") << 0 << 0 << QStringList{u"1"_s, u"2"_s, u"3"_s};
    QTest::newRow("pages 2 to 3") << 2 << 3 << QStringList{u"2"_s, u"3"_s};
    QTest::newRow("cancelled") << -1 << 0 << QStringList();
}

void TestReports::printButtonPrintsWhatTheDialogChose()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QStringList, printed);
    QList<QVariantMap> records;
    for (int i = 1; i <= 150; ++i)
        records << QVariantMap{{u"descripcion"_s, u"ARTICULO %1"_s.arg(i)}};
    folder_->create(u"Articulos.mdb"_s, records);
    ScriptedMessageBoxes boxes;
    ForLista* form = show(u"ForListaArticulos"_s);
    QVERIFY(form);
    const QString pdf = folder_->path() + u"/impreso.pdf"_s;
    ScriptedDialogs dialogs;
    if (from < 0) dialogs.answerCancel();
    else dialogs.answerPrint(pdf, from, to);
    QTest::keyClick(form->findChild<QWidget*>(u"cmdImprimir"_s), Qt::Key_Space);

    QCOMPARE(dialogs.shown().size(), 1);
    QCOMPARE(dialogs.shown()[0].kind, DialogKind::Print);
    QCOMPARE(dialogs.shown()[0].pages, 3);
    QCOMPARE(boxes.shown().size(), 0);
    QCOMPARE(QFileInfo::exists(pdf), !printed.isEmpty());
    if (printed.isEmpty()) return;
    const QStringList pages = pdfPages(pdf);
    QCOMPARE(pages.size(), printed.size());
    for (int i = 0; i < printed.size(); ++i)
        QVERIFY2(pages[i].contains(u"Página %1 de 3"_s.arg(printed[i])), qPrintable(pages[i]));
}

void TestReports::fileChooserOpensInTheLastFolder()
{
    QTemporaryDir config;
    fixture::EnvVar configHome("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    folder_->create(u"Departamentos.mdb"_s,
                    {{{u"COD_RUB"_s, u"0001"_s}, {u"DESCRI"_s, u"ALMACEN"_s}}});
    ScriptedMessageBoxes boxes;
    ForLista* form = show(u"ForListaDepartamentos"_s);
    QVERIFY(form);
    const QString first = folder_->path() + u"/primera"_s, second = folder_->path() + u"/segunda"_s;
    QVERIFY(QDir().mkpath(first) && QDir().mkpath(second));
    ScriptedDialogs dialogs;
    dialogs.answerFile(first + u"/lista.pdf"_s);
    dialogs.answerFile(second + u"/libro"_s);
    dialogs.answerCancel();
    dialogs.answerCancel();
    const auto click = [form](const QString& button) {
        QTest::keyClick(form->findChild<QWidget*>(button), Qt::Key_Space);
    };
    click(u"cmdExportar"_s);
    click(u"cmdExportarExcel"_s);
    QVERIFY(QFileInfo::exists(first + u"/lista.pdf"_s));
    QVERIFY(QFileInfo::exists(second + u"/libro.xlsx"_s));
    click(u"cmdExportar"_s);
    QVERIFY(QDir(second).removeRecursively());
    click(u"cmdExportar"_s);

    QCOMPARE(boxes.shown().size(), 0);
    const QList<ScriptedDialogs::Shown>& shown = dialogs.shown();
    QCOMPARE(shown.size(), 4);
    // Nothing chosen yet: the report's name alone, in the folder the dialog opens by itself.
    QCOMPARE(shown[0].kind, DialogKind::SaveFile);
    QCOMPARE(shown[0].title, u"Exportar PDF"_s);
    QCOMPARE(shown[0].filter, u"PDF (*.pdf)"_s);
    const QString name = QFileInfo(shown[0].start).completeBaseName();
    QCOMPARE(shown[0].start, name + u".pdf"_s);
    // Then the folder of the file chosen last, whichever export chose it; a folder removed
    // since is forgotten.
    QCOMPARE(shown[1].title, u"Exportar Excel"_s);
    QCOMPARE(shown[1].start, first + u'/' + name + u".xlsx"_s);
    QCOMPARE(shown[2].start, second + u'/' + name + u".pdf"_s);
    QCOMPARE(shown[3].start, name + u".pdf"_s);
}

void TestReports::printsARangeOfPages()
{
    QList<QVariantMap> records;
    for (int i = 1; i <= 150; ++i)
        records << QVariantMap{{u"descripcion"_s, u"ARTICULO %1"_s.arg(i)}};
    folder_->create(u"Articulos.mdb"_s, records);
    ForLista* form = show(u"ForListaArticulos"_s);
    QVERIFY(form);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString pdf = folder_->path() + u"/impreso.pdf"_s;
    printer.setOutputFileName(pdf);
    QVERIFY(form->viewer()->printTo(printer, 2, 3));
    const QStringList pages = pdfPages(pdf);
    QCOMPARE(pages.size(), 2);
    QVERIFY(pages[0].contains(u"Página 2 de 3"_s));
    QVERIFY(pages[1].contains(u"Página 3 de 3"_s));
    QVERIFY(pages[0].contains(QRegularExpression(u"ARTICULO 61\\s"_s)));
    QVERIFY(!pages[0].contains(QRegularExpression(u"ARTICULO 60\\s"_s)));
}

void TestReports::openViewerComesForwardWithTheDataAsItIsNow()
{
    folder_->create(u"Departamentos.mdb"_s,
                    {{{u"COD_RUB"_s, u"0001"_s}, {u"DESCRI"_s, u"ALMACEN"_s}}});
    auto* form =
        qobject_cast<ForLista*>(WindowRegistry::instance().show(u"ForListaDepartamentos"_s));
    QVERIFY(form);
    QSignalSpy drawn(form->viewer(), &CRViewer::pageShown);
    QVERIFY(QTest::qWaitFor([form] { return form->loaded(); }, 10000));
    QCOMPARE(form->report()->recordCount(), 1);
    // Opening draws the first page once: the zoom it already has and a refresh that finds the
    // file as it was draw nothing again; nor does being brought forward with nothing changed.
    QCOMPARE(drawn.count(), 1);
    QCOMPARE(WindowRegistry::instance().show(u"ForListaDepartamentos"_s), form);
    QCOMPARE(drawn.count(), 1);
    {
        auto db = catalogue::open(u"Departamentos.mdb"_s);
        QCOMPARE(db->Execute(u"INSERT INTO rubros (COD_RUB, DESCRI) VALUES ('0002', 'BAZAR')"_s),
                 1);
    }
    // Brought forward, it reads what was committed since, as Actualizar does.
    QCOMPARE(WindowRegistry::instance().show(u"ForListaDepartamentos"_s), form);
    QVERIFY(form->loaded());
    QCOMPARE(form->report()->recordCount(), 2);
    QCOMPARE(drawn.count(), 2);
    {
        auto db = catalogue::open(u"Departamentos.mdb"_s);
        QCOMPARE(db->Execute(u"INSERT INTO rubros (COD_RUB, DESCRI) VALUES ('0003', 'LIBRERIA')"_s),
                 1);
    }
    QTest::mouseClick(form->findChild<QWidget*>(u"cmdActualizar"_s), Qt::LeftButton);
    QCOMPARE(form->report()->recordCount(), 3);
}

void TestReports::labelSheetBroughtForwardPrintsTheQueueAsItIsNow()
{
    folder_->create(u"Etiquetas.mdb"_s, labelRecords(2));
    ForLista* form = show(u"ForListaEtiqueta1"_s);
    QVERIFY(form);
    QCOMPARE(form->viewer()->pageCount(), 1);
    const QImage before = form->viewer()->pageImage();
    // The queue emptied and filled again, with more than a sheet, while the sheet stays open.
    {
        auto db = catalogue::open(u"Etiquetas.mdb"_s);
        db->Execute(u"DELETE FROM articulos"_s);
        for (int i = 0; i < 25; ++i)
            db->Execute(
                u"INSERT INTO articulos (descripcion, neto1) VALUES ('YERBA NUEVA', 99.5)"_s);
    }
    QCOMPARE(WindowRegistry::instance().show(u"ForListaEtiqueta1"_s), form);
    QCOMPARE(form->viewer()->pageCount(), 2);
    QCOMPARE(form->findChild<QLabel*>(u"lblPagina"_s)->text(), u"Página 1 de 2"_s);
    QVERIFY(form->viewer()->pageImage() != before);
    const QStringList pages = pdfPages(exportPdf(form, u"ahora.pdf"_s));
    QCOMPARE(pages.size(), 2);
    QCOMPARE(pages.join(QString()).count(u"YERBA NUEVA"_s), 25);
    QVERIFY(!pages.join(QString()).contains(u"ART0"_s));
}

void TestReports::reopenedViewerReloadsTheSameReport()
{
    folder_->create(u"Departamentos.mdb"_s,
                    {{{u"COD_RUB"_s, u"0001"_s}, {u"DESCRI"_s, u"ALMACEN"_s}}});
    ForLista* form = show(u"ForListaDepartamentos"_s);
    QVERIFY(form);
    reports::Report* report = form->report();
    QPointer<ForLista> first(form);
    form->parentWidget()->close();
    QTRY_VERIFY(!first);
    QVERIFY(!report->isOpen());
    ForLista* again = show(u"ForListaDepartamentos"_s);
    QVERIFY(again);
    QCOMPARE(again->report(), report);
    QVERIFY(report->isOpen());
}

void TestReports::viewerFillsTheForm()
{
    folder_->create(u"Departamentos.mdb"_s);
    ForLista* form = show(u"ForListaDepartamentos"_s);
    QVERIFY(form);
    for (const QSize size : {QSize(700, 500), QSize(1000, 760)}) {
        form->parentWidget()->resize(size);
        QTRY_COMPARE(form->viewer()->geometry(), form->rect());
    }
}

void TestReports::labelSheetsPlaceEveryLabel_data()
{
    QTest::addColumn<QString>("viewer");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("start");
    QTest::addColumn<QPointF>("offset");
    QTest::newRow("small, two sheets") << u"ForListaEtiqueta"_s << 70 << 1 << QPointF();
    QTest::newRow("medium from label 5") << u"ForListaEtiqueta1"_s << 20 << 5 << QPointF();
    QTest::newRow("large with the printer offset")
        << u"ForListaEtiqueta2"_s << 9 << 2 << QPointF(2.0, -1.5);
}

void TestReports::labelSheetsPlaceEveryLabel()
{
    QFETCH(QString, viewer);
    QFETCH(int, count);
    QFETCH(int, start);
    QFETCH(QPointF, offset);

    folder_->create(u"Etiquetas.mdb"_s, labelRecords(count));
    reports::saveLabelOffset(offset);
    ScriptedMessageBoxes boxes;
    ForLista* form = show(viewer);
    QVERIFY(form);
    auto* startBox = form->findChild<QSpinBox*>(u"txtEmpezar"_s);
    QVERIFY(startBox->isVisibleTo(form));
    startBox->setValue(start);
    const reports::LabelDef& sheet = *reports::findByViewer(viewer)->labels();
    const int pages = (count + start - 1 + sheet.perSheet() - 1) / sheet.perSheet();
    QCOMPARE(form->viewer()->pageCount(), pages);
    const QString pdf = exportPdf(form, u"etiquetas.pdf"_s);
    QVERIFY(!pdf.isEmpty());
    QCOMPARE(boxes.shown().size(), 0);
    QCOMPARE(pdfPages(pdf).size(), pages);

    const QList<Word> words = pdfWords(pdf, folder_->path());
    for (int i = 0; i < count; ++i) {
        const QString name = u"ART"_s + QString::number(i + 1).rightJustified(2, u'0');
        const auto found =
            std::find_if(words.begin(), words.end(), [&](const Word& w) { return w.text == name; });
        QVERIFY2(found != words.end(), qPrintable(name));
        const int slot = i + start - 1;
        const int page = slot / sheet.perSheet(), inPage = slot % sheet.perSheet();
        const double left = sheet.leftMm + (inPage % sheet.columns) * sheet.pitchXMm + offset.x();
        const double top = sheet.topMm + (inPage / sheet.columns) * sheet.pitchYMm + offset.y();
        QCOMPARE(found->page, page);
        QVERIFY2(found->x > left && found->x < left + sheet.widthMm / 2, qPrintable(name));
        QVERIFY2(found->y > top && found->y < top + sheet.heightMm / 2, qPrintable(name));
        // The price, as the label's largest text, in the same label.
        const QString price = numbertext::fixed(10 + i + 1 + 0.5);
        const bool priced = std::any_of(words.begin(), words.end(), [&](const Word& w) {
            return w.text == price && w.page == page && w.x > left && w.x < left + sheet.widthMm &&
                   w.y > top && w.y < top + sheet.heightMm;
        });
        QVERIFY2(priced, qPrintable(price));
    }
    QCOMPARE(reports::savedLabelOffset(), offset);
}

void TestReports::printerOffsetTakesTheFullStopAsTheDecimalComma_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("millimetres");
    QTest::addColumn<QString>("shown");
    QTest::newRow("full stop") << u"1.5"_s << 1.5 << u"Horizontal 1,5"_s;
    QTest::newRow("full stop, two and a half") << u"2.5"_s << 2.5 << u"Horizontal 2,5"_s;
    QTest::newRow("comma") << u"1,5"_s << 1.5 << u"Horizontal 1,5"_s;
    QTest::newRow("negative") << u"-0.5"_s << -0.5 << u"Horizontal -0,5"_s;
    QTest::newRow("a second decimal is not taken") << u"1.25"_s << 1.2 << u"Horizontal 1,2"_s;
}

void TestReports::printerOffsetTakesTheFullStopAsTheDecimalComma()
{
    QFETCH(QString, typed);
    QFETCH(double, millimetres);
    QFETCH(QString, shown);
    folder_->create(u"Etiquetas.mdb"_s, labelRecords(2));
    ScriptedMessageBoxes boxes;
    ForLista* form = show(u"ForListaEtiqueta"_s);
    QVERIFY(form);
    auto* box = form->findChild<QDoubleSpinBox*>(u"txtCorrimientoX"_s);
    QVERIFY(box);
    // Written as the store writes numbers, whatever the system's language.
    QCOMPARE(box->text(), u"Horizontal 0,0"_s);
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, typed);
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(box->value(), millimetres);
    QCOMPARE(box->text(), shown);
    QCOMPARE(reports::savedLabelOffset().x(), millimetres);
    QCOMPARE(boxes.shown().size(), 0);
}

void TestReports::barcodesScan_data()
{
    QTest::addColumn<QString>("viewer");
    QTest::newRow("medium") << u"ForListaEtiqueta1"_s;
    QTest::newRow("large") << u"ForListaEtiqueta2"_s;
}

void TestReports::barcodesScan()
{
    QFETCH(QString, viewer);
    const int count = int(kBarcodes.size());
    folder_->create(u"Etiquetas.mdb"_s, labelRecords(count));
    ForLista* form = show(viewer);
    QVERIFY(form);
    const QString pdf = exportPdf(form, u"barras.pdf"_s);
    QVERIFY(!pdf.isEmpty());
    const QString prefix = folder_->path() + u"/hoja"_s;
    run(u"pdftoppm"_s, {u"-r"_s, u"300"_s, u"-gray"_s, u"-png"_s, pdf, prefix});
    QDir folder(folder_->path());
    const QStringList images = folder.entryList({u"hoja*.png"_s});
    QVERIFY(!images.isEmpty());
    QStringList decoded;
    for (const QString& image : images)
        decoded += run(u"zbarimg"_s, {u"-q"_s, u"--raw"_s, folder.filePath(image)})
                       .split(u'\n', Qt::SkipEmptyParts);
    QStringList expected = kBarcodes;
    expected.sort();
    decoded.sort();
    QCOMPARE(decoded, expected);
}

void TestReports::emptyLabelFieldsPrintNothing()
{
    folder_->create(u"Etiquetas.mdb"_s,
                    {QVariantMap{{u"codigo"_s, 0}}, QVariantMap{{u"descripcion"_s, u"SOLO"_s}}});
    ForLista* form = show(u"ForListaEtiqueta2"_s);
    QVERIFY(form);
    const QStringList pages = pdfPages(exportPdf(form, u"vacias.pdf"_s));
    QCOMPARE(pages.size(), 1);
    QCOMPARE(pages[0].simplified(), u"SOLO"_s);
}

void TestReports::longDescriptionKeepsWholeWords()
{
    const QString description = u"GALLETITAS DULCES RELLENAS CHOCOLATE"_s;
    folder_->create(u"Etiquetas.mdb"_s,
                    {QVariantMap{{u"descripcion"_s, description}, {u"neto1"_s, 1250.0}}});
    ForLista* form = show(u"ForListaEtiqueta"_s);
    QVERIFY(form);
    const QList<Word> words = pdfWords(exportPdf(form, u"larga.pdf"_s), folder_->path());
    QStringList texts;
    for (const Word& w : words) texts << w.text;
    QCOMPARE(texts, (QStringList{u"GALLETITAS"_s, u"DULCES"_s, u"RELLENAS"_s, u"CHOCOLATE"_s,
                                 u"$"_s, u"1250,00"_s}));
    // Two lines, inside the label.
    QVERIFY(words[3].y > words[0].y);
    QVERIFY(words[3].y < 10.7 + 21.2);
}

void TestReports::failures_data()
{
    QTest::addColumn<QString>("viewer");
    QTest::addColumn<QString>("setUp");
    QTest::addColumn<QString>("message");
    QTest::newRow("file missing") << u"ForListaClientes"_s << u"none"_s << u"Error 3024: "_s;
    QTest::newRow("wrong password") << u"ForListaClientes"_s << u"password"_s << u"Error 3031: "_s;
    QTest::newRow("table missing") << u"ForListaDepartamentos"_s << u"table"_s << u"Error 3078: "_s;
    QTest::newRow("not a store file") << u"ForListaEtiqueta"_s << u"garbage"_s << u"Error 3343: "_s;
}

void TestReports::failures()
{
    QFETCH(QString, viewer);
    QFETCH(QString, setUp);
    QFETCH(QString, message);

    const reports::ReportDef& def = *reports::findByViewer(viewer);
    const catalogue::FileDef& file = *catalogue::find(def.fileName);
    if (setUp == u"password"_s) {
        catalogue::FileDef other = file;
        other.password = u"otra"_s;
        folder_->create(other, {});
    } else if (setUp == u"table"_s) {
        catalogue::FileDef other = file;
        other.table.name = u"otra"_s;
        folder_->create(other, {});
    } else if (setUp == u"garbage"_s) {
        QDir().mkpath(paths::toNative(paths::basesFolder()));
        QFile junk(paths::toNative(paths::inBases(def.fileName)));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("no es una base");
    }
    ScriptedMessageBoxes boxes;
    ForLista* form = show(viewer);
    QVERIFY(form);
    QCOMPARE(boxes.shown().size(), 1);
    QVERIFY2(boxes.shown()[0].prompt.startsWith(message), qPrintable(boxes.shown()[0].prompt));
    QCOMPARE(boxes.shown()[0].flags, 16);
    // The viewer stays open and empty; the program goes on.
    QVERIFY(form->isVisible());
    QCOMPARE(form->viewer()->pageCount(), 0);
    QCOMPARE(form->findChild<QLabel*>(u"lblPagina"_s)->text(), u"Página 0 de 0"_s);
    QVERIFY(!form->findChild<QWidget*>(u"cmdExportar"_s)->isEnabled());
    QVERIFY(!form->findChild<QWidget*>(u"cmdExportarExcel"_s)->isEnabled());
    folder_->create(u"Proveedores.mdb"_s);
    ForLista* other = show(u"ForListaProveedores"_s);
    QVERIFY(other);
    QCOMPARE(other->viewer()->pageCount(), 1);
    QCOMPARE(boxes.shown().size(), 1);
}

void TestReports::unwritablePdfPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("message");
    QTest::newRow("folder missing") << u"/no/existe/lista.pdf"_s << u"Error 3044: "_s;
    QTest::newRow("a folder of that name") << u"carpeta.pdf"_s << u"Error 3044: "_s;
}

void TestReports::unwritablePdfPath()
{
    QFETCH(QString, path);
    QFETCH(QString, message);
    folder_->create(u"Departamentos.mdb"_s,
                    {{{u"COD_RUB"_s, u"0001"_s}, {u"DESCRI"_s, u"ALMACEN"_s}}});
    ScriptedMessageBoxes boxes;
    ForLista* form = show(u"ForListaDepartamentos"_s);
    QVERIFY(form);
    exportPath_ = path;
    if (!path.startsWith(u'/')) {
        exportPath_ = folder_->path() + u'/' + path;
        QVERIFY(QDir().mkpath(exportPath_));
    }
    const QImage before = form->viewer()->pageImage();
    QTest::mouseClick(form->findChild<QWidget*>(u"cmdExportar"_s), Qt::LeftButton);
    QCOMPARE(boxes.shown().size(), 1);
    QVERIFY2(boxes.shown()[0].prompt.startsWith(message), qPrintable(boxes.shown()[0].prompt));
    // The viewer keeps what it showed; no temporary file stays behind.
    QCOMPARE(form->viewer()->pageCount(), 1);
    QCOMPARE(form->viewer()->pageImage(), before);
    QCOMPARE(QDir(folder_->path()).entryList({u".*.tmp"_s}, QDir::Hidden | QDir::Files),
             QStringList());
}

void TestReports::printerThatFails()
{
    folder_->create(u"Departamentos.mdb"_s,
                    {{{u"COD_RUB"_s, u"0001"_s}, {u"DESCRI"_s, u"ALMACEN"_s}}});
    ScriptedMessageBoxes boxes;
    ForLista* form = show(u"ForListaDepartamentos"_s);
    QVERIFY(form);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(u"/no/existe/impresora.pdf"_s);
    QVERIFY(!form->viewer()->printTo(printer, 1, 1));
    QCOMPARE(boxes.shown().size(), 1);
    QVERIFY2(boxes.shown()[0].prompt.startsWith(u"Error 3043: "_s),
             qPrintable(boxes.shown()[0].prompt));
    QCOMPARE(form->viewer()->pageCount(), 1);
    QVERIFY(form->isVisible());
}

void TestReports::readsOnlyWhatIsCommitted()
{
    folder_->create(u"Etiquetas.mdb"_s, labelRecords(3));
    auto db = catalogue::open(u"Etiquetas.mdb"_s);
    db->BeginTrans();
    db->Execute(u"INSERT INTO articulos (descripcion) VALUES ('PENDIENTE')"_s);
    ScriptedMessageBoxes boxes;
    ForLista* form = show(u"ForListaEtiqueta"_s);
    QVERIFY(form);
    QCOMPARE(boxes.shown().size(), 0);
    QCOMPARE(form->report()->recordCount(), 3);
    db->CommitTrans();
    QTest::mouseClick(form->findChild<QWidget*>(u"cmdActualizar"_s), Qt::LeftButton);
    QCOMPARE(form->report()->recordCount(), 4);
}

void TestReports::listsOpenFromTheMainWindowsMenu_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("viewer");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("title");
    QTest::newRow("Articulos") << u"mnuListArticulos"_s << u"ForListaArticulos"_s
                               << u"Lista Articulos"_s << u"Lista de Articulos"_s;
    QTest::newRow("Clientes") << u"mnuListClientes"_s << u"ForListaClientes"_s
                              << u"Lista Proveedores"_s << u"Lista de Clientes"_s;
    QTest::newRow("Proveedores") << u"mnuListProveedores"_s << u"ForListaProveedores"_s
                                 << u"Lista Proveedores"_s << u"Lista de Proveedores"_s;
    QTest::newRow("Departamentos") << u"mnuListDepartamentos"_s << u"ForListaDepartamentos"_s
                                   << u"Lista Departamentos"_s << u"Lista de Departamentos"_s;
}

void TestReports::listsOpenFromTheMainWindowsMenu()
{
    QFETCH(QString, item);
    QFETCH(QString, viewer);
    QFETCH(QString, caption);
    QFETCH(QString, title);
    for (const QString& file : {u"Opcion.mdb"_s, u"Articulos.mdb"_s, u"Clientes.mdb"_s,
                                u"Proveedores.mdb"_s, u"Departamentos.mdb"_s})
        folder_->create(file);
    {
        Principal principal;
        principal.show();
        QAction* action = nullptr;
        for (QAction* a : principal.findChildren<QAction*>())
            if (a->objectName() == item) action = a;
        QVERIFY(action);
        action->trigger();
        auto* form = qobject_cast<ForLista*>(WindowRegistry::instance().openWindow(viewer));
        QVERIFY(form);
        QCOMPARE(form->parentWidget()->parentWidget()->parentWidget(), principal.frame());
        QTRY_VERIFY_WITH_TIMEOUT(form->loaded(), 10000);
        QCOMPARE(form->windowTitle(), caption);
        const QStringList pages = pdfPages(exportPdf(form, u"menu.pdf"_s));
        QCOMPARE(pages.size(), 1);
        QVERIFY(pages[0].contains(title));
    }
}

void TestReports::spreadsheetHoldsThePdfsRecords_data()
{
    QTest::addColumn<QString>("viewer");
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("count");
    QTest::newRow("articles") << u"ForListaArticulos"_s << u"Articulos.mdb"_s << 200;
    QTest::newRow("customers") << u"ForListaClientes"_s << u"Clientes.mdb"_s << 50;
    QTest::newRow("suppliers") << u"ForListaProveedores"_s << u"Proveedores.mdb"_s << 20;
    QTest::newRow("departments") << u"ForListaDepartamentos"_s << u"Departamentos.mdb"_s << 8;
}

// The demo store's list as a workbook: the title, the column captions, then each record as one
// line of the PDF, with numbers as number cells.
void TestReports::spreadsheetHoldsThePdfsRecords()
{
    QFETCH(QString, viewer);
    QFETCH(QString, file);
    QFETCH(int, count);

    folder_->createFilled(file, [&](Database& db) { demo::fill(file, db); });
    ScriptedMessageBoxes boxes;
    ForLista* form = show(viewer);
    QVERIFY(form);
    const QString pdf = exportPdf(form, u"lista.pdf"_s);
    const QString xlsx = exportSpreadsheet(form, u"lista.xlsx"_s);
    QVERIFY(!pdf.isEmpty());
    QVERIFY(!xlsx.isEmpty());
    QCOMPARE(boxes.shown().size(), 0);
    QCOMPARE(temporaries(folder_->path()), QStringList());

    const reports::ReportDef& def = *reports::findByViewer(viewer);
    const std::vector<reports::ColumnDef> columns = def.columns();
    const QJsonArray rows = workbookCells(xlsx);
    QCOMPARE(rows.size(), count + 2);
    QCOMPARE(rows[0][0][0].toString(), def.list()->title);
    for (size_t i = 0; i < columns.size(); ++i) {
        if (i > 0) QVERIFY(rows[0][qsizetype(i)][0].isNull());
        QCOMPARE(rows[1][qsizetype(i)][0].toString(), columns[i].header);
    }

    // The PDF's record lines: all but the title, headers, total and page footers.
    QStringList lines;
    for (const QString& line : pdfPages(pdf).join(u'\n').split(u'\n')) {
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(def.list()->title) ||
            trimmed.startsWith(columns[0].header) || trimmed.startsWith(u"Total:"_s) ||
            trimmed.startsWith(u"Página "_s))
            continue;
        lines << line;
    }
    QCOMPARE(lines.size(), qsizetype(count));
    for (qsizetype r = 2; r < rows.size(); ++r) {
        const QJsonArray row = rows[r].toArray();
        const QString& line = lines[r - 2];
        QCOMPARE(row.size(), qsizetype(columns.size()));
        qsizetype at = 0;
        for (size_t i = 0; i < columns.size(); ++i) {
            const QJsonArray cell = row[qsizetype(i)].toArray();
            const QString type = cell[1].toString(),
                          where = u"row %1 column %2: "_s.arg(r + 1).arg(i + 1);
            QString shown;
            if (columns[i].format == reports::Format::Text) {
                QVERIFY2(type == u"str"_s, qPrintable(where + type));
                shown = cell[0].toString();
            } else {
                QVERIFY2(type == u"int"_s || type == u"float"_s, qPrintable(where + type));
                const bool price = columns[i].format == reports::Format::Fixed2;
                QCOMPARE(cell[2].toString(), price ? u"0.00"_s : u"General"_s);
                shown = price ? numbertext::fixed(cell[0].toDouble())
                              : numbertext::shortest(cell[0].toDouble());
            }
            // Every cell as the PDF writes it, in the same order on the record's line.
            const qsizetype found = line.indexOf(shown, at);
            QVERIFY2(found >= 0, qPrintable(where + shown + u" in "_s + line));
            at = found + shown.size();
        }
    }
}

void TestReports::labelSheetSpreadsheetHoldsTheQueue_data()
{
    QTest::addColumn<QString>("viewer");
    QTest::newRow("small") << u"ForListaEtiqueta"_s;
    QTest::newRow("medium") << u"ForListaEtiqueta1"_s;
    QTest::newRow("large") << u"ForListaEtiqueta2"_s;
}

// Every queued label, also those before the sheet's first free position, with the fields the
// labels print: the barcode stays a text, the price is a number with two decimals.
void TestReports::labelSheetSpreadsheetHoldsTheQueue()
{
    QFETCH(QString, viewer);
    QList<QVariantMap> records = labelRecords(3);
    records << QVariantMap{{u"descripcion"_s, u"SIN PRECIO"_s}};
    folder_->create(u"Etiquetas.mdb"_s, records);
    ScriptedMessageBoxes boxes;
    ForLista* form = show(viewer);
    QVERIFY(form);
    form->findChild<QSpinBox*>(u"txtEmpezar"_s)->setValue(3);
    const QString xlsx = exportSpreadsheet(form, u"etiquetas.xlsx"_s);
    QVERIFY(!xlsx.isEmpty());
    QCOMPARE(boxes.shown().size(), 0);

    QStringList cells;
    for (const QJsonValue& row : workbookCells(xlsx)) {
        QStringList line;
        for (const QJsonValue& cell : row.toArray()) {
            const QJsonArray c = cell.toArray();
            const QString type = c[1].toString();
            QString value = type == u"str"_s ? c[0].toString() : QString::number(c[0].toDouble());
            if (type == u"NoneType"_s) value.clear();
            line << value + u':' + type + (type == u"float"_s ? u':' + c[2].toString() : QString());
        }
        cells << line.join(u" | "_s);
    }
    const QStringList expected = {
        u"Lista Articulos:str | :NoneType | :NoneType | :NoneType"_s,
        u"CODIGO:str | COD.BARRA:str | DESCRIPCION:str | PRECIO:str"_s,
        u"1:int | 7790895000997:str | ART01 PRODUCTO:str | 11.5:float:0.00"_s,
        u"2:int | 40123455:str | ART02 PRODUCTO:str | 12.5:float:0.00"_s,
        u"3:int | ABC-123:str | ART03 PRODUCTO:str | 13.5:float:0.00"_s,
        u":NoneType | :NoneType | SIN PRECIO:str | :NoneType"_s,
    };
    QCOMPARE(cells, expected);
}

void TestReports::spreadsheetExportByKeyboard()
{
    folder_->create(u"Departamentos.mdb"_s,
                    {{{u"COD_RUB"_s, u"0001"_s}, {u"DESCRI"_s, u"ALMACEN"_s}}});
    ScriptedMessageBoxes boxes;
    ForLista* form = show(u"ForListaDepartamentos"_s);
    QVERIFY(form);
    auto* excel = form->findChild<QToolButton*>(u"cmdExportarExcel"_s);
    QWidget* pdf = form->findChild<QWidget*>(u"cmdExportar"_s);
    QVERIFY(excel);
    QCOMPARE(excel->text(), u"Exportar Excel"_s);
    QCOMPARE(excel->accessibleName(), excel->text());
    // Beside "Exportar PDF", enabled with it.
    QLayout* row = pdf->parentWidget()->layout();
    QCOMPARE(row->indexOf(excel), row->indexOf(pdf) + 1);
    QVERIFY(excel->isEnabled());

    // Tab from the page reaches the button; the space bar exports, the name given without
    // its suffix.
    frame_.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&frame_));
    form->findChild<QWidget*>(u"scrollArea"_s)->setFocus();
    for (int i = 0; i < 10 && QApplication::focusWidget() && QApplication::focusWidget() != excel;
         ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), excel);
    exportPath_ = folder_->path() + u"/rubros"_s;
    QTest::keyClick(excel, Qt::Key_Space);
    QCOMPARE(boxes.shown().size(), 0);
    const QJsonArray rows = workbookCells(exportPath_ + u".xlsx"_s);
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[2][0][0].toString(), u"0001"_s);
    QCOMPARE(rows[2][1][0].toString(), u"ALMACEN"_s);
}

void TestReports::failedSpreadsheetKeepsTheOldFile_data()
{
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("message");
    QTest::newRow("folder missing") << u"folder"_s << u"Error 3044: "_s;
    QTest::newRow("disk full at the start") << u"create"_s << u"Error 3026: "_s;
    QTest::newRow("the library cannot write the file") << u"size"_s << u"Error 3043: "_s;
    QTest::newRow("disk error putting it in place") << u"rename"_s << u"Error 3043: "_s;
}

void TestReports::failedSpreadsheetKeepsTheOldFile()
{
    QFETCH(QString, failure);
    QFETCH(QString, message);
    QList<QVariantMap> records;
    for (int i = 1; i <= 40; ++i)
        records << QVariantMap{{u"COD_RUB"_s, numbertext::code(i, 4)},
                               {u"DESCRI"_s, u"RUBRO %1"_s.arg(i)}};
    folder_->create(u"Departamentos.mdb"_s, records);
    ScriptedMessageBoxes boxes;
    ForLista* form = show(u"ForListaDepartamentos"_s);
    QVERIFY(form);
    const QString folder = folder_->path() + u"/exportados"_s;
    QVERIFY(QDir().mkpath(folder));
    exportPath_ = folder + u"/rubros.xlsx"_s;
    QFile old(exportPath_);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("el libro anterior");
    old.close();

    {
        std::optional<FileSizeLimit> limit;
        if (failure == u"folder"_s) exportPath_ = folder + u"/no/existe/rubros.xlsx"_s;
        else if (failure == u"create"_s)
            filereplace::injectFault(filereplace::FaultPoint::Create, ENOSPC);
        else if (failure == u"rename"_s)
            filereplace::injectFault(filereplace::FaultPoint::Rename, EIO);
        else limit.emplace(2048);
        QTest::mouseClick(form->findChild<QWidget*>(u"cmdExportarExcel"_s), Qt::LeftButton);
    }
    QCOMPARE(boxes.shown().size(), 1);
    QVERIFY2(boxes.shown()[0].prompt.startsWith(message), qPrintable(boxes.shown()[0].prompt));
    QCOMPARE(boxes.shown()[0].flags, 16);
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("el libro anterior"));
    QCOMPARE(temporaries(folder), QStringList());
    // The viewer goes on; the next export writes the file.
    QCOMPARE(form->viewer()->pageCount(), 1);
    exportPath_ = folder + u"/rubros.xlsx"_s;
    QTest::mouseClick(form->findChild<QWidget*>(u"cmdExportarExcel"_s), Qt::LeftButton);
    QCOMPARE(boxes.shown().size(), 1);
    QCOMPARE(workbookCells(exportPath_).size(), 42);
}

void TestReports::failedPdfKeepsTheOldFile_data()
{
    QTest::addColumn<int>("point");
    QTest::addColumn<QString>("message");
    QTest::newRow("disk full flushing the file")
        << int(filereplace::FaultPoint::Sync) << u"Error 3026: "_s;
    QTest::newRow("disk error putting it in place")
        << int(filereplace::FaultPoint::Rename) << u"Error 3043: "_s;
}

void TestReports::failedPdfKeepsTheOldFile()
{
    QFETCH(int, point);
    QFETCH(QString, message);
    folder_->create(u"Departamentos.mdb"_s,
                    {{{u"COD_RUB"_s, u"0001"_s}, {u"DESCRI"_s, u"ALMACEN"_s}}});
    ScriptedMessageBoxes boxes;
    ForLista* form = show(u"ForListaDepartamentos"_s);
    QVERIFY(form);
    const QString folder = folder_->path() + u"/exportados"_s;
    QVERIFY(QDir().mkpath(folder));
    exportPath_ = folder + u"/rubros.pdf"_s;
    QFile old(exportPath_);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("el listado anterior");
    old.close();

    filereplace::injectFault(filereplace::FaultPoint(point),
                             point == int(filereplace::FaultPoint::Sync) ? ENOSPC : EIO);
    QTest::keyClick(form->findChild<QWidget*>(u"cmdExportar"_s), Qt::Key_Space);
    QCOMPARE(boxes.shown().size(), 1);
    QVERIFY2(boxes.shown()[0].prompt.startsWith(message), qPrintable(boxes.shown()[0].prompt));
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("el listado anterior"));
    old.close();
    QCOMPARE(temporaries(folder), QStringList());
    // The next export replaces it.
    QTest::keyClick(form->findChild<QWidget*>(u"cmdExportar"_s), Qt::Key_Space);
    QCOMPARE(boxes.shown().size(), 1);
    QVERIFY(pdfPages(exportPath_).value(0).contains(u"ALMACEN"_s));
}

QTEST_MAIN(TestReports)
#include "tst_reports.moc"
