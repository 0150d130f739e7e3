#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QScopeGuard>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <bit>
#include <climits>
#include <cmath>
#include <random>

#include "data/catalogue.h"
#include "data/engine.h"
#include "data/numbertext.h"
#include "lookups/lookups.h"
#include "lookups/textwidth.h"
#include "shell/lookupnames.h"
#include "shell/msgbox.h"
#include "store.h"

using namespace Qt::StringLiterals;
using lookups::LookupDialog;
using lookups::OpenedBy;

namespace {

QString spaces(int n) { return QString(n, u' '); }

const QStringList kCatalogueMembers{u"ConsuMarcas"_s, u"ConsuMarcas1"_s, u"ConsuRubros"_s,
                                    u"ConsuRubros1"_s, u"ConsuDepartamentos"_s};
const QStringList kArticleMembers{u"ConsArticulo"_s, u"ConsArticuloPro"_s,
                                  u"ConsArticuloEtiqueta"_s, u"ConsArticuloEtiquetaDB"_s};

}  // namespace

class TestLookups : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void members_data();
    void members();
    void everyNameHasItsDialog();
    void search_data();
    void search();
    void secondSearchLeavesNothingBehind_data();
    void secondSearchLeavesNothingBehind();
    void choiceWritesTheCellAsShown_data();
    void choiceWritesTheCellAsShown();
    void noMatchThenEnterWritesEmptyText();
    void remitoMarksCustomerRowsOnly();
    void typedTextIsUpperCasePastedTextKeepsItsCase();
    void composedTextIsUpperCase();
    void columnsShowWholeTexts_data();
    void columnsShowWholeTexts();
    void longTextBeyondTheFirstScreenWidensItsColumn_data();
    void longTextBeyondTheFirstScreenWidensItsColumn();
    void numberMakeupMatchesItsText_data();
    void numberMakeupMatchesItsText();
    void widthBoundNeverUnderstates();
    void everyKeyMakesTheFirstCellCurrent();
    void escapeClosesWithoutWriting_data();
    void escapeClosesWithoutWriting();
    void backspaceReturnsToTheSearchBox();
    void doubleClick_data();
    void doubleClick();
    void modalMemberBlocksItsCaller_data();
    void modalMemberBlocksItsCaller();
    void modelessMemberComesToTheFront_data();
    void modelessMemberComesToTheFront();
    void modelessMemberOutlivingItsTargetBox();
    void openingFailureShowsTheErrorBox_data();
    void openingFailureShowsTheErrorBox();
    void searchFailureShowsTheErrorBoxAndCloses();

private:
    // A dialog shown for the caller's box, as the caller's code would open it without blocking.
    LookupDialog* show(const QString& member);
    QTableView* grid(LookupDialog* dialog)
    {
        return dialog->findChild<QTableView*>(u"MSFlexGrid1"_s);
    }
    QLineEdit* text1(LookupDialog* dialog) { return dialog->findChild<QLineEdit*>(u"Text1"_s); }
    QString cell(LookupDialog* dialog, int row, int column)
    {
        auto* model = grid(dialog)->model();
        return model->data(model->index(row, column)).toString();
    }
    QStringList rowCells(LookupDialog* dialog, int row)
    {
        QStringList cells;
        for (int c = 1; c <= 5; ++c) cells << cell(dialog, row, c);
        return cells;
    }
    int filledRows(LookupDialog* dialog)
    {
        auto* model = grid(dialog)->model();
        int rows = 0;
        while (rows < model->rowCount() && !rowCells(dialog, rows).join(QString()).isEmpty())
            ++rows;
        return rows;
    }
    void searchFor(LookupDialog* dialog, const QString& typed)
    {
        text1(dialog)->clear();
        QTest::keyClicks(text1(dialog), typed);
        QTest::keyClick(text1(dialog), Qt::Key_Return);
    }
    static void flushDeletes()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    LookupStore store_;
    std::unique_ptr<QWidget> caller_;
    QLineEdit* target_ = nullptr;
};

void TestLookups::init()
{
    caller_ = std::make_unique<QWidget>();
    target_ = new QLineEdit(caller_.get());
    target_->setObjectName(u"Text1"_s);
    target_->setText(u"ANTES"_s);
    new QLineEdit(caller_.get());  // another box of the form, holding the focus
    caller_->show();
}

void TestLookups::cleanup()
{
    caller_.reset();
    flushDeletes();
}

LookupDialog* TestLookups::show(const QString& member)
{
    auto* dialog = new LookupDialog(*lookups::findMember(member), target_, caller_.get());
    dialog->show();
    return dialog;
}

// ---------------------------------------------------------------- the member table

void TestLookups::members_data()
{
    QTest::addColumn<QString>("member");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("dataRows");
    QTest::addColumn<QStringList>("headers");
    QTest::addColumn<bool>("modalFromButton");
    QTest::addColumn<bool>("modalFromEscape");

    const QStringList catalogue{
        QString(), u" CODIGO"_s + spaces(16), u" DESRIPCION"_s + spaces(103), QString(), QString(),
        QString()};
    const QStringList party{QString(),
                            u" CODIGO"_s + spaces(16),
                            u" DESRIPCION"_s + spaces(77),
                            u" DNI"_s + spaces(20),
                            QString(),
                            QString()};
    const QStringList article{QString(),
                              u" CODIGO"_s + spaces(13),
                              u" DESRIPCION"_s + spaces(90),
                              u"LISTA 1"_s,
                              u"LISTA 2"_s,
                              u"LISTA 3"_s,
                              QString(),
                              QString()};
    const QString marca = u"Buscar Marca"_s, rubro = u"Buscar Rubro"_s, art = u"Buscar Articulo"_s;
    QTest::newRow("ConsuMarcas") << u"ConsuMarcas"_s << marca << 499 << catalogue << true << true;
    QTest::newRow("ConsuMarcas1") << u"ConsuMarcas1"_s << marca << 499 << catalogue << true << true;
    QTest::newRow("ConsuRubros") << u"ConsuRubros"_s << rubro << 499 << catalogue << true << true;
    QTest::newRow("ConsuRubros1") << u"ConsuRubros1"_s << rubro << 499 << catalogue << true << true;
    QTest::newRow("ConsuDepartamentos")
        << u"ConsuDepartamentos"_s << u"Buscar Departamento"_s << 499 << catalogue << true << true;
    QTest::newRow("ConsuProveedor")
        << u"ConsuProveedor"_s << u"Buscar Proveedor"_s << 499 << party << true << true;
    QTest::newRow("ConsuProveedor1")
        << u"ConsuProveedor1"_s << u"Buscar Proveedor"_s << 499 << party << true << true;
    QTest::newRow("ConsuCliente") << u"ConsuCliente"_s << u"Buscar Cliente"_s << 499 << party
                                  << true << true;
    QTest::newRow("ConsArticulo") << u"ConsArticulo"_s << art << 999 << article << false << false;
    QTest::newRow("ConsArticuloPro")
        << u"ConsArticuloPro"_s << art << 999 << article << true << false;
    QTest::newRow("ConsArticuloEtiqueta")
        << u"ConsArticuloEtiqueta"_s << art << 999 << article << false << false;
    QTest::newRow("ConsArticuloEtiquetaDB")
        << u"ConsArticuloEtiquetaDB"_s << art << 999 << article << false << false;
}

// The names the windows open the dialogs by: one dialog for each, none without a name.
void TestLookups::everyNameHasItsDialog()
{
    QSet<QString> names;
    for (const LookupName& name : lookupnames::all) {
        const lookups::Member* member = lookups::findMember(name.text);
        QVERIFY2(member, qPrintable(name.text.toString()));
        names.insert(member->name);
    }
    QCOMPARE(names.size(), qsizetype(lookups::members().size()));
}

void TestLookups::members()
{
    QFETCH(QString, member);
    QFETCH(QString, caption);
    QFETCH(int, dataRows);
    QFETCH(QStringList, headers);
    QFETCH(bool, modalFromButton);
    QFETCH(bool, modalFromEscape);

    QCOMPARE(int(lookups::members().size()), 12);
    const lookups::Member* m = lookups::findMember(member);
    QVERIFY(m);
    QCOMPARE(m->isModal(OpenedBy::SearchButton), modalFromButton);
    QCOMPARE(m->isModal(OpenedBy::EscapeKey), modalFromEscape);

    LookupDialog* dialog = show(member);
    QCOMPARE(dialog->objectName(), member);
    QCOMPARE(dialog->windowTitle(), caption);
    QVERIFY(text1(dialog)->text().isEmpty());
    QVERIFY(text1(dialog)->font().bold());
    QCOMPARE(text1(dialog)->palette().color(QPalette::Text), QColor(0, 0, 255));
    QCOMPARE(dialog->focusWidget(), text1(dialog));

    // One fixed header row plus the data rows; column 0 fixed, unlabelled, 400 twips wide.
    QAbstractItemModel* model = grid(dialog)->model();
    QCOMPARE(model->rowCount(), dataRows);
    QCOMPARE(model->columnCount(), int(headers.size()));
    for (int c = 0; c < headers.size(); ++c)
        QCOMPARE(model->headerData(c, Qt::Horizontal).toString(), headers[c]);
    QCOMPARE(grid(dialog)->verticalHeader()->width(), 27);  // 400 twips at 96 dpi
    QVERIFY(grid(dialog)->editTriggers() == QAbstractItemView::NoEditTriggers);
    // The header blanks set the widths: the description column is the widest.
    QVERIFY(grid(dialog)->columnWidth(2) > 3 * grid(dialog)->columnWidth(1));

    // The one left-aligned column of the article members holds a number-like text too.
    if (kArticleMembers.contains(member)) {
        searchFor(dialog, u"LECHE"_s);
        const int left = member == u"ConsArticuloPro"_s ? 1 : 2;
        for (int c = 1; c <= 2; ++c) {
            const int align = model->data(model->index(0, c), Qt::TextAlignmentRole).toInt();
            QCOMPARE(bool(align & Qt::AlignLeft), c == left || c == 2);
        }
    }
}

// ---------------------------------------------------------------- searches per layout

void TestLookups::search_data()
{
    QTest::addColumn<QString>("member");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QStringList>("first");
    QTest::addColumn<QStringList>("last");
    QTest::addColumn<bool>("focusInGrid");

    const QStringList none{QString(), QString(), QString(), QString(), QString()};
    auto cells = [](QStringList c) {
        while (c.size() < 5) c << QString();
        return c;
    };
    for (const QString& m : kCatalogueMembers) {
        const QByteArray tag = m.toUtf8();
        // Empty text: every non-empty description in table order, up to the grid's 499 rows.
        QTest::newRow(tag + " empty")
            << m << QString() << 499 << cells({u"0007"_s, u"LECHE ENTERA"_s})
            << cells({u"1495"_s, u"MARCA 495"_s}) << false;
        // Typed lower case becomes LECHE, which does not find "Leche"; a code that is not a
        // number shows as stored.
        QTest::newRow(tag + " leche")
            << m << u"leche"_s << 2 << cells({u"0007"_s, u"LECHE ENTERA"_s})
            << cells({u"A1"_s, u"DULCE DE LECHE"_s}) << true;
        QTest::newRow(tag + " no match") << m << u"zzz"_s << 0 << none << none << true;
        QTest::newRow(tag + " more than rows")
            << m << u"MARCA"_s << 499 << cells({u"1000"_s, u"MARCA 000"_s})
            << cells({u"1498"_s, u"MARCA 498"_s}) << false;
    }
    QTest::newRow("ConsuProveedor formatted")
        << u"ConsuProveedor"_s << u"distri"_s << 1
        << cells({u"0007"_s, u"DISTRIBUIDORA NORTE"_s, u"30-555"_s})
        << cells({u"0007"_s, u"DISTRIBUIDORA NORTE"_s, u"30-555"_s}) << true;
    QTest::newRow("ConsuProveedor1 raw")
        << u"ConsuProveedor1"_s << u"distri"_s << 1
        << cells({u"7"_s, u"DISTRIBUIDORA NORTE"_s, u"30-555"_s})
        << cells({u"7"_s, u"DISTRIBUIDORA NORTE"_s, u"30-555"_s}) << true;
    QTest::newRow("ConsuProveedor empty")
        << u"ConsuProveedor"_s << QString() << 6 << cells({u"0015"_s, u"JUAN PEREZ"_s, u"remito"_s})
        << cells({u"0007"_s, u"DISTRIBUIDORA NORTE"_s, u"30-555"_s}) << true;
    QTest::newRow("ConsuProveedor case counts")
        << u"ConsuProveedor"_s << u"BEATRIZ"_s << 0 << none << none << true;
    QTest::newRow("ConsuCliente as stored")
        << u"ConsuCliente"_s << u"a"_s << 5 << cells({u"15"_s, u"JUAN PEREZ"_s, u"remito"_s})
        << cells({u"7"_s, u"DISTRIBUIDORA NORTE"_s, u"30-555"_s}) << true;
    QTest::newRow("ConsuCliente null cuit")
        << u"ConsuCliente"_s << u"carlos"_s << 1 << cells({u"18"_s, u"CARLOS RUIZ"_s})
        << cells({u"18"_s, u"CARLOS RUIZ"_s}) << true;
    QTest::newRow("ConsArticulo empty")
        << u"ConsArticulo"_s << QString() << 999
        << QStringList{u"00000001"_s, u"LECHE ENTERA 1L"_s, u"12,5"_s, u"100"_s, u"0,3"_s}
        << cells({u"00001000"_s, u"ARTICULO 0995"_s, u"997"_s}) << false;
    QTest::newRow("ConsArticulo leche")
        << u"ConsArticulo"_s << u"leche"_s << 3
        << QStringList{u"00000001"_s, u"LECHE ENTERA 1L"_s, u"12,5"_s, u"100"_s, u"0,3"_s}
        << QStringList{u"00000004"_s, u"DULCE DE LECHE"_s, u"1234,75"_s, u"0"_s, u"99,9"_s} << true;
    QTest::newRow("ConsArticuloPro leche")
        << u"ConsArticuloPro"_s << u"leche"_s << 3
        << QStringList{u"7790001"_s, u"LECHE ENTERA 1L"_s, u"12,5"_s, u"100"_s, u"0,3"_s}
        << QStringList{QString(), u"DULCE DE LECHE"_s, u"1234,75"_s, u"0"_s, u"99,9"_s} << true;
    QTest::newRow("ConsArticuloEtiqueta leche")
        << u"ConsArticuloEtiqueta"_s << u"leche"_s << 3
        << cells({u"00000001"_s, u"LECHE ENTERA 1L"_s, u"12,5"_s, u"100"_s})
        << cells({u"00000004"_s, u"DULCE DE LECHE"_s, u"1234,75"_s, u"0"_s}) << true;
    QTest::newRow("ConsArticuloEtiquetaDB leche")
        << u"ConsArticuloEtiquetaDB"_s << u"leche"_s << 3
        << cells({u"7790001"_s, u"LECHE ENTERA 1L"_s, u"12,5"_s, u"100"_s})
        << cells({QString(), u"DULCE DE LECHE"_s, u"1234,75"_s, u"0"_s}) << true;
    QTest::newRow("ConsArticuloEtiquetaDB more than rows")
        << u"ConsArticuloEtiquetaDB"_s << u"articulo"_s << 999
        << cells({u"7800000"_s, u"ARTICULO 0000"_s, u"2"_s})
        << cells({u"7800998"_s, u"ARTICULO 0998"_s, u"1000"_s}) << false;
    QTest::newRow("ConsArticulo no match")
        << u"ConsArticulo"_s << u"nada"_s << 0 << none << none << true;
}

void TestLookups::search()
{
    QFETCH(QString, member);
    QFETCH(QString, typed);
    QFETCH(int, rows);
    QFETCH(QStringList, first);
    QFETCH(QStringList, last);
    QFETCH(bool, focusInGrid);

    LookupDialog* dialog = show(member);
    searchFor(dialog, typed);
    QCOMPARE(filledRows(dialog), rows);
    QCOMPARE(rowCells(dialog, 0), first);
    QCOMPARE(rowCells(dialog, std::max(rows - 1, 0)), last);
    // Columns beyond the member's fields stay empty.
    for (int c = 6; c < grid(dialog)->model()->columnCount(); ++c)
        QVERIFY(cell(dialog, 0, c).isEmpty());
    QCOMPARE(dialog->focusWidget(),
             focusInGrid ? static_cast<QWidget*>(grid(dialog)) : text1(dialog));
    QCOMPARE(grid(dialog)->currentIndex().row(), 0);
    QCOMPARE(grid(dialog)->currentIndex().column(), 1);
    QVERIFY(dialog->isVisible());
}

void TestLookups::secondSearchLeavesNothingBehind_data()
{
    QTest::addColumn<QString>("member");
    QTest::newRow("catalogue") << u"ConsuRubros"_s;
    QTest::newRow("article") << u"ConsArticuloPro"_s;
}

void TestLookups::secondSearchLeavesNothingBehind()
{
    QFETCH(QString, member);
    LookupDialog* dialog = show(member);
    searchFor(dialog, QString());
    auto* model = grid(dialog)->model();
    const int last = model->rowCount() - 1;
    QVERIFY(!cell(dialog, last, 2).isEmpty());  // the grid's last data row was filled

    searchFor(dialog, u"LECHE"_s);
    // The articles are searched case aside ("Leche descremada" too); the catalogues are not.
    const int found = member == u"ConsArticuloPro"_s ? 3 : 2;
    QCOMPARE(filledRows(dialog), found);
    for (int row = found; row <= last; ++row)
        for (int c = 1; c < model->columnCount(); ++c)
            QVERIFY2(cell(dialog, row, c).isEmpty(),
                     qPrintable(u"row %1 column %2"_s.arg(row).arg(c)));
}

// ---------------------------------------------------------------- choosing

void TestLookups::choiceWritesTheCellAsShown_data()
{
    QTest::addColumn<QString>("member");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("downs");
    QTest::addColumn<QString>("chosen");

    QTest::newRow("ConsuMarcas padded") << u"ConsuMarcas"_s << u"leche"_s << 0 << u"0007"_s;
    QTest::newRow("ConsuMarcas1 not a number") << u"ConsuMarcas1"_s << u"leche"_s << 1 << u"A1"_s;
    QTest::newRow("ConsuDepartamentos")
        << u"ConsuDepartamentos"_s << u"MARCA 01"_s << 2 << u"1012"_s;
    QTest::newRow("ConsuProveedor padded") << u"ConsuProveedor"_s << u"distri"_s << 0 << u"0007"_s;
    QTest::newRow("ConsuProveedor1 as stored")
        << u"ConsuProveedor1"_s << u"distri"_s << 0 << u"7"_s;
    QTest::newRow("ConsuCliente as stored") << u"ConsuCliente"_s << QString() << 4 << u"0019"_s;
    QTest::newRow("ConsArticulo") << u"ConsArticulo"_s << u"leche"_s << 2 << u"00000004"_s;
    QTest::newRow("ConsArticuloPro") << u"ConsArticuloPro"_s << u"leche"_s << 0 << u"7790001"_s;
    QTest::newRow("ConsArticuloPro empty code")
        << u"ConsArticuloPro"_s << u"leche"_s << 2 << QString();
    QTest::newRow("ConsArticuloEtiqueta")
        << u"ConsArticuloEtiqueta"_s << u"dulce"_s << 0 << u"00000004"_s;
    QTest::newRow("ConsArticuloEtiquetaDB")
        << u"ConsArticuloEtiquetaDB"_s << u"0012"_s << 0 << u"7800012"_s;
}

void TestLookups::choiceWritesTheCellAsShown()
{
    QFETCH(QString, member);
    QFETCH(QString, typed);
    QFETCH(int, downs);
    QFETCH(QString, chosen);

    QPointer<LookupDialog> dialog = show(member);
    searchFor(dialog, typed);
    QCOMPARE(dialog->focusWidget(), grid(dialog));
    for (int i = 0; i < downs; ++i) QTest::keyClick(grid(dialog), Qt::Key_Down);
    QCOMPARE(cell(dialog, downs, 1), chosen);
    QTest::keyClick(grid(dialog), Qt::Key_Return);

    QCOMPARE(target_->text(), chosen);
    QCOMPARE(target_->selectedText(), chosen);
    QCOMPARE(caller_->focusWidget(), target_);
    QVERIFY(!dialog->isVisible());
    flushDeletes();
    QVERIFY(dialog.isNull());
}

void TestLookups::noMatchThenEnterWritesEmptyText()
{
    QPointer<LookupDialog> dialog = show(u"ConsuCliente"_s);
    searchFor(dialog, u"nadie"_s);
    QCOMPARE(filledRows(dialog), 0);
    QCOMPARE(dialog->focusWidget(), grid(dialog));
    QTest::keyClick(grid(dialog), Qt::Key_Enter);
    QCOMPARE(target_->text(), QString());
    QVERIFY(!dialog->isVisible());
}

void TestLookups::remitoMarksCustomerRowsOnly()
{
    const QColor blue(0, 0, 255), black(Qt::black);
    for (const QString& member : {u"ConsuCliente"_s, u"ConsuProveedor1"_s}) {
        LookupDialog* dialog = show(member);
        searchFor(dialog, QString());
        auto* model = grid(dialog)->model();
        auto colour = [&](int row, int column) {
            return model->data(model->index(row, column), Qt::ForegroundRole).value<QColor>();
        };
        const bool customer = member == u"ConsuCliente"_s;
        // "remito" alone and inside other text marks the row; "REMITO" and a Null CUIT do not.
        for (int c = 1; c <= 3; ++c) {
            QCOMPARE(colour(0, c), customer ? blue : black);
            QCOMPARE(colour(1, c), customer ? blue : black);
            QCOMPARE(colour(2, c), black);
            QCOMPARE(colour(3, c), black);
        }
        QCOMPARE(colour(0, 4), black);
        QCOMPARE(colour(10, 1), black);
        dialog->close();
    }
}

// ---------------------------------------------------------------- keys

void TestLookups::typedTextIsUpperCasePastedTextKeepsItsCase()
{
    LookupDialog* dialog = show(u"ConsuMarcas"_s);
    QTest::keyClicks(text1(dialog), u"leche "_s);
    for (const QString& letter : {u"ñ"_s, u"a"_s, u"n"_s, u"d"_s, u"ú"_s})
        QTest::sendKeyEvent(QTest::Click, text1(dialog), Qt::Key_unknown, letter, Qt::NoModifier);
    QCOMPARE(text1(dialog)->text(), u"LECHE ÑANDÚ"_s);

    text1(dialog)->clear();
    QGuiApplication::clipboard()->setText(u"Leche"_s);
    QTest::keyClick(text1(dialog), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(text1(dialog)->text(), u"Leche"_s);
    QTest::keyClick(text1(dialog), Qt::Key_Return);
    QCOMPARE(filledRows(dialog), 1);
    QCOMPARE(cell(dialog, 0, 1), u"0012"_s);
}

void TestLookups::composedTextIsUpperCase()
{
    // The accent of a dead key comes with its letter as composed text, not as a key press.
    catalogue::open(u"Rubros.mdb"_s)
        ->Execute(u"INSERT INTO rubros (COD_RUB, DESCRI) VALUES ('9', 'CAFÉ')"_s);
    const auto restore = qScopeGuard([] {
        catalogue::open(u"Rubros.mdb"_s)->Execute(u"DELETE FROM rubros WHERE COD_RUB = '9'"_s);
    });
    LookupDialog* dialog = show(u"ConsuRubros"_s);
    QTest::keyClicks(text1(dialog), u"caf"_s);
    QInputMethodEvent composed;
    composed.setCommitString(u"é"_s);
    QApplication::sendEvent(text1(dialog), &composed);
    QCOMPARE(text1(dialog)->text(), u"CAFÉ"_s);
    QTest::keyClick(text1(dialog), Qt::Key_Return);
    QCOMPARE(filledRows(dialog), 1);
    QCOMPARE(cell(dialog, 0, 2), u"CAFÉ"_s);
    dialog->close();
}

void TestLookups::columnsShowWholeTexts_data()
{
    QTest::addColumn<QString>("member");
    QTest::addColumn<int>("width");  // the dialog's width; 0 as it opens
    for (const QString& member : {u"ConsArticulo"_s, u"ConsArticuloPro"_s}) {
        QTest::newRow(qPrintable(member + u" as it opens"_s)) << member << 0;
        QTest::newRow(qPrintable(member + u" narrowed"_s)) << member << 640;
    }
}

void TestLookups::columnsShowWholeTexts()
{
    QFETCH(QString, member);
    QFETCH(int, width);
    // Prices wider than their headers ("LISTA 1").
    catalogue::open(u"Articulos.mdb"_s)
        ->Execute(
            u"INSERT INTO articulos (descripcion, codbarra, lis1, lis2, lis3) "
            "VALUES ('CAFE EN GRANO', '7790895000997', 3764.35, 123456.78, 1234567.89)"_s);
    const auto restore = qScopeGuard([] {
        catalogue::open(u"Articulos.mdb"_s)
            ->Execute(u"DELETE FROM articulos WHERE descripcion = 'CAFE EN GRANO'"_s);
    });
    LookupDialog* dialog = show(member);
    if (width) dialog->resize(width, dialog->height());
    searchFor(dialog, u"CAFE EN GRANO"_s);
    QCOMPARE(filledRows(dialog), 1);
    QCOMPARE(cell(dialog, 0, 3), u"3764,35"_s);
    QCOMPARE(cell(dialog, 0, 4), u"123456,78"_s);
    QCOMPARE(cell(dialog, 0, 5), u"1234567,89"_s);
    QTableView* table = grid(dialog);
    const QFontMetrics metrics(table->font());
    const int margins =
        2 * (table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table) + 1);
    for (int column = 1; column <= 5; ++column)
        QVERIFY2(table->columnWidth(column) >=
                     metrics.horizontalAdvance(cell(dialog, 0, column)) + margins,
                 qPrintable(cell(dialog, 0, column)));
    // A header wider than the texts keeps its width.
    const QFontMetrics headerMetrics(table->horizontalHeader()->font());
    QVERIFY(table->columnWidth(5) >= headerMetrics.horizontalAdvance(u"LISTA 3"_s));
    // The row shows whole, LISTA 3 included, without scrolling sideways; the description
    // takes what the other columns leave.
    int total = 0;
    for (int column = 1; column <= 5; ++column) total += table->columnWidth(column);
    QVERIFY2(total <= table->viewport()->width(),
             qPrintable(u"%1 > %2"_s.arg(total).arg(table->viewport()->width())));
    QTRY_COMPARE(table->horizontalScrollBar()->maximum(), 0);
    QVERIFY(table->columnWidth(2) > 2 * table->columnWidth(3));
    // Narrowed or widened by hand, the row still fits.
    dialog->resize(dialog->width() - 60, dialog->height());
    QTRY_COMPARE(table->horizontalScrollBar()->maximum(), 0);
    dialog->close();
}

void TestLookups::longTextBeyondTheFirstScreenWidensItsColumn_data()
{
    QTest::addColumn<QString>("member");
    QTest::addColumn<QString>("assignment");  // given to one article far down the list
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("shown");
    QTest::newRow("price") << u"ConsArticulo"_s << u"lis1 = 123456789.125"_s << 3
                           << u"123456789,125"_s;
    QTest::newRow("negative price")
        << u"ConsArticulo"_s << u"lis2 = -9876543.5"_s << 4 << u"-9876543,5"_s;
    QTest::newRow("fifteen digits")
        << u"ConsArticulo"_s << u"lis3 = 1.23456789012345"_s << 5 << u"1,23456789012345"_s;
    QTest::newRow("price below one")
        << u"ConsArticuloPro"_s << u"lis3 = 0.000123456789"_s << 5 << u"0,000123456789"_s;
    QTest::newRow("long code") << u"ConsArticuloPro"_s << u"codbarra = '7790895000997000123'"_s << 1
                               << u"7790895000997000123"_s;
    QTest::newRow("code with letters")
        << u"ConsArticuloPro"_s << u"codbarra = 'ÑANDÚ-WWW-1234'"_s << 1 << u"ÑANDÚ-WWW-1234"_s;
}

void TestLookups::longTextBeyondTheFirstScreenWidensItsColumn()
{
    QFETCH(QString, member);
    QFETCH(QString, assignment);
    QFETCH(int, column);
    QFETCH(QString, shown);
    // The grid fits its columns to every listed text, not only to those of the first screen.
    const QString where = u"descripcion = 'ARTICULO 0900'"_s;
    catalogue::open(u"Articulos.mdb"_s)
        ->Execute(u"UPDATE articulos SET %1 WHERE %2"_s.arg(assignment, where));
    const auto restore = qScopeGuard([&] {
        catalogue::open(u"Articulos.mdb"_s)
            ->Execute(
                u"UPDATE articulos SET codbarra = '7800900', lis1 = 902, lis2 = NULL, lis3 = "
                u"NULL WHERE %1"_s.arg(where));
    });
    LookupDialog* dialog = show(member);
    searchFor(dialog, u"ARTICULO"_s);
    QTableView* table = grid(dialog);
    const int row = 900;
    QCOMPARE(cell(dialog, row, 2), u"ARTICULO 0900"_s);
    QCOMPARE(cell(dialog, row, column), shown);
    // As wide as measuring every text makes it.
    const QFontMetrics metrics(table->font());
    const int margins =
        2 * (table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table) + 1) + 2;
    const QFontMetrics headerMetrics(table->horizontalHeader()->font());
    int plain = headerMetrics.horizontalAdvance(
                    table->model()->headerData(column, Qt::Horizontal).toString()) +
                8;
    for (int r = 0; r < filledRows(dialog); ++r)
        plain = std::max(plain, metrics.horizontalAdvance(cell(dialog, r, column)) + margins);
    QCOMPARE(table->columnWidth(column), plain);
    QVERIFY(plain >= metrics.horizontalAdvance(shown) + margins);
    dialog->close();
}

void TestLookups::numberMakeupMatchesItsText_data()
{
    QTest::addColumn<double>("value");
    for (const double value : {0.0,
                               -0.0,
                               1.0,
                               12.5,
                               100.0,
                               1234.75,
                               -1234.75,
                               0.1 + 0.2,
                               0.5,
                               -0.25,
                               16.909750000000003,
                               18.603749999999998,
                               999.9999999999999,
                               999999999999999.9,
                               123456789012345.0,
                               1e15,
                               1e20,
                               1e-20,
                               2.5e-7,
                               9.999999999999999,
                               1.0 / 3.0,
                               2.0 / 3.0,
                               1234567.89,
                               99.95})
        QTest::newRow(qPrintable(QString::number(value, 'g', 17))) << value;
}

void TestLookups::numberMakeupMatchesItsText()
{
    // Counted from the value, the characters are those of the written number; and a number
    // said to fit in some digits has no more.
    QFETCH(double, value);
    std::vector<double> values{value};
    std::mt19937_64 random(QTest::currentDataTag()[0]);
    for (int i = 0; i < 2000; ++i) {
        const double cents = double(random() % 100'000'000) / 100;
        const double scaled = cents * std::pow(10.0, int(random() % 12) - 4);
        values.push_back(scaled * (value == 0 ? 1 : value) * (random() % 2 ? 1 : -1));
        values.push_back(std::bit_cast<double>(random()));
    }
    for (const double v : values) {
        const QString text = numbertext::shortest(v);
        const lookups::TextMakeup counted = lookups::makeupOf(text);
        if (const auto makeup = lookups::shortestMakeup(v))
            QVERIFY2(*makeup == counted, qPrintable(text));
        for (int digits = 0; digits <= 17; ++digits)
            if (lookups::shortestWithin(v, digits))
                QVERIFY2(counted.digits <= digits, qPrintable(text));
    }
    for (const qint64 code : {0LL, 12LL, 12345678LL, 123456789LL, -5LL})
        QCOMPARE(lookups::codeMakeup(code, 8), lookups::makeupOf(numbertext::code(code, 8)));
}

void TestLookups::widthBoundNeverUnderstates()
{
    // Whatever the text, its measured advance is within the bound of its makeup, in the grid's
    // font as in bolder and larger ones.
    QFont big = QTableView().font();
    big.setPointSize(big.pointSize() * 2);
    QFont bold = QTableView().font();
    bold.setBold(true);
    const QString alphabet = u"0123456789,-0123456789 AWMmiÑÁéü.%/()'"_s;
    std::mt19937 random(7);
    for (const QFont& font : {QTableView().font(), big, bold}) {
        const lookups::TextWidthBound widths(font);
        const QFontMetrics metrics(font);
        for (int i = 0; i < 3000; ++i) {
            QString text;
            const int length = int(random() % 24);
            const int kinds = i % 2 ? 13 : int(alphabet.size());  // half of them numbers only
            for (int c = 0; c < length; ++c) text += alphabet[int(random() % kinds)];
            const lookups::TextMakeup makeup = lookups::makeupOf(text);
            QVERIFY2(metrics.horizontalAdvance(text) <= widths.bound(makeup), qPrintable(text));
        }
        // A number with as many digits as a width leaves room for is bounded by that width.
        for (int width = 0; width < 300; ++width)
            for (const bool negative : {false, true}) {
                const int digits = widths.digitsWithin(width, negative);
                if (digits < 0) continue;
                const lookups::TextMakeup number{
                    .digits = qint16(digits), .commas = 1, .minus = qint16(negative)};
                QVERIFY2(widths.bound(number) <= width, qPrintable(QString::number(width)));
            }
        QCOMPARE(widths.bound(lookups::makeupOf(u"\u4e2d"_s)), INT_MAX);
    }
}

void TestLookups::everyKeyMakesTheFirstCellCurrent()
{
    LookupDialog* dialog = show(u"ConsArticulo"_s);
    searchFor(dialog, u"ARTICULO 00"_s);
    QTest::keyClick(grid(dialog), Qt::Key_Down);
    QTest::keyClick(grid(dialog), Qt::Key_Down);
    QCOMPARE(grid(dialog)->currentIndex().row(), 2);
    QTest::keyClick(grid(dialog), Qt::Key_Backspace);
    QTest::keyClick(text1(dialog), Qt::Key_End);
    QCOMPARE(grid(dialog)->currentIndex(), grid(dialog)->model()->index(0, 1));
}

void TestLookups::escapeClosesWithoutWriting_data()
{
    QTest::addColumn<QString>("member");
    QTest::addColumn<bool>("inGrid");
    QTest::newRow("search box") << u"ConsuMarcas"_s << false;
    QTest::newRow("grid") << u"ConsuMarcas"_s << true;
    QTest::newRow("article grid") << u"ConsArticulo"_s << true;
}

void TestLookups::escapeClosesWithoutWriting()
{
    QFETCH(QString, member);
    QFETCH(bool, inGrid);
    QPointer<LookupDialog> dialog = show(member);
    searchFor(dialog, u"LECHE"_s);
    QTest::keyClick(inGrid ? static_cast<QWidget*>(grid(dialog)) : text1(dialog), Qt::Key_Escape);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(target_->text(), u"ANTES"_s);
    flushDeletes();
    QVERIFY(dialog.isNull());
}

void TestLookups::backspaceReturnsToTheSearchBox()
{
    LookupDialog* dialog = show(u"ConsuRubros"_s);
    searchFor(dialog, u"LECHE"_s);
    QTest::keyClick(grid(dialog), Qt::Key_Down);
    QTest::keyClick(grid(dialog), Qt::Key_Backspace);
    QCOMPARE(dialog->focusWidget(), text1(dialog));
    QCOMPARE(text1(dialog)->selectedText(), u"LECHE"_s);
    QCOMPARE(filledRows(dialog), 2);
    QVERIFY(dialog->isVisible());
}

void TestLookups::doubleClick_data()
{
    QTest::addColumn<QString>("member");
    QTest::addColumn<bool>("chooses");
    for (const QString& m : kArticleMembers) QTest::newRow(m.toUtf8()) << m << true;
    QTest::newRow("ConsuMarcas") << u"ConsuMarcas"_s << false;
    QTest::newRow("ConsuProveedor") << u"ConsuProveedor"_s << false;
    QTest::newRow("ConsuCliente") << u"ConsuCliente"_s << false;
}

void TestLookups::doubleClick()
{
    QFETCH(QString, member);
    QFETCH(bool, chooses);
    QPointer<LookupDialog> dialog = show(member);
    searchFor(dialog, QString());
    QTableView* view = grid(dialog);
    const QModelIndex second = view->model()->index(1, 2);
    const QString code = cell(dialog, 1, 1);
    // A double-click as the window system delivers it: a click, then the double-click event.
    const QPoint at = view->visualRect(second).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
    if (dialog) QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(dialog && dialog->isVisible(), !chooses);
    QCOMPARE(target_->text(), chooses ? code : u"ANTES"_s);
}

// ---------------------------------------------------------------- showing

void TestLookups::modalMemberBlocksItsCaller_data()
{
    QTest::addColumn<QString>("member");
    QTest::addColumn<int>("how");
    QTest::addColumn<QString>("chosen");
    QTest::newRow("ConsuMarcas button")
        << u"ConsuMarcas"_s << int(OpenedBy::SearchButton) << u"0007"_s;
    QTest::newRow("ConsuCliente Esc") << u"ConsuCliente"_s << int(OpenedBy::EscapeKey) << u"15"_s;
    QTest::newRow("ConsArticuloPro button")
        << u"ConsArticuloPro"_s << int(OpenedBy::SearchButton) << u"7790001"_s;
}

void TestLookups::modalMemberBlocksItsCaller()
{
    QFETCH(QString, member);
    QFETCH(int, how);
    QFETCH(QString, chosen);

    bool sawModal = false;
    QTimer::singleShot(0, this, [&] {
        auto* dialog = qobject_cast<LookupDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        sawModal = dialog->objectName() == member && dialog->isModal();
        searchFor(dialog, u"E"_s);
        QTest::keyClick(grid(dialog), Qt::Key_Return);
    });
    lookups::openLookup(member, target_, caller_.get(), OpenedBy(how));
    // openLookup returned only after the choice.
    QVERIFY(sawModal);
    QCOMPARE(target_->text(), chosen);
    QCOMPARE(target_->selectedText(), chosen);
    QVERIFY(!lookups::openDialog(member));
}

void TestLookups::modelessMemberComesToTheFront_data()
{
    QTest::addColumn<QString>("member");
    QTest::addColumn<int>("how");
    QTest::newRow("ConsArticulo button") << u"ConsArticulo"_s << int(OpenedBy::SearchButton);
    QTest::newRow("ConsArticulo Esc") << u"ConsArticulo"_s << int(OpenedBy::EscapeKey);
    QTest::newRow("ConsArticuloPro Esc") << u"ConsArticuloPro"_s << int(OpenedBy::EscapeKey);
    QTest::newRow("ConsArticuloEtiqueta")
        << u"ConsArticuloEtiqueta"_s << int(OpenedBy::SearchButton);
    QTest::newRow("ConsArticuloEtiquetaDB")
        << u"ConsArticuloEtiquetaDB"_s << int(OpenedBy::EscapeKey);
}

void TestLookups::modelessMemberComesToTheFront()
{
    QFETCH(QString, member);
    QFETCH(int, how);

    lookups::openLookup(member, target_, caller_.get(), OpenedBy(how));
    QPointer<LookupDialog> dialog = lookups::openDialog(member);
    QVERIFY(dialog);
    QVERIFY(!dialog->isModal());
    QVERIFY(dialog->isVisible());
    // The caller stays usable while the dialog is open.
    QVERIFY(!QApplication::activeModalWidget());
    searchFor(dialog, u"leche"_s);

    // Opened again: the same window, with its search, not a second one.
    lookups::openLookup(member, target_, caller_.get(), OpenedBy(how));
    QCOMPARE(lookups::openDialog(member), dialog.data());
    QCOMPARE(caller_->findChildren<LookupDialog*>(member).size(), 1);
    QCOMPARE(text1(dialog)->text(), u"LECHE"_s);
    QCOMPARE(filledRows(dialog),
             3);  // "Leche descremada" too: the articles are searched case aside

    QTest::keyClick(grid(dialog), Qt::Key_Return);
    QVERIFY(!lookups::openDialog(member));
    QCOMPARE(target_->text(), cell(dialog, 0, 1));
    flushDeletes();
    QVERIFY(dialog.isNull());

    // After closing, an opening makes a new, empty dialog.
    lookups::openLookup(member, target_, caller_.get(), OpenedBy(how));
    QVERIFY(lookups::openDialog(member));
    QVERIFY(text1(lookups::openDialog(member))->text().isEmpty());
    QCOMPARE(filledRows(lookups::openDialog(member)), 0);
}

void TestLookups::modelessMemberOutlivingItsTargetBox()
{
    // The form's box goes away while the dialog stays open: a choice then writes nowhere.
    lookups::openLookup(u"ConsArticuloEtiqueta"_s, target_, caller_.get(), OpenedBy::EscapeKey);
    QPointer<LookupDialog> dialog = lookups::openDialog(u"ConsArticuloEtiqueta"_s);
    QVERIFY(dialog);
    delete target_;
    target_ = nullptr;
    searchFor(dialog, u"leche"_s);
    QTest::keyClick(grid(dialog), Qt::Key_Return);
    QVERIFY(!dialog->isVisible());

    // The caller closing takes its open dialog with it.
    auto* box = new QLineEdit(caller_.get());
    lookups::openLookup(u"ConsArticulo"_s, box, caller_.get());
    dialog = lookups::openDialog(u"ConsArticulo"_s);
    QVERIFY(dialog);
    caller_.reset();
    QVERIFY(dialog.isNull());
    QVERIFY(!lookups::openDialog(u"ConsArticulo"_s));
}

// ---------------------------------------------------------------- engine failures

void TestLookups::openingFailureShowsTheErrorBox_data()
{
    QTest::addColumn<QString>("member");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("password");  // of a file put in place of the real one; empty: none
    QTest::addColumn<int>("number");
    QTest::newRow("missing file") << u"ConsuMarcas"_s << u"Marcas.mdb"_s << QString() << 3024;
    QTest::newRow("missing article file modeless")
        << u"ConsArticulo"_s << u"Articulos.mdb"_s << QString() << 3024;
    QTest::newRow("wrong password")
        << u"ConsuCliente"_s << u"Clientes.mdb"_s << u"Vek_Tb83"_s << 3031;
}

void TestLookups::openingFailureShowsTheErrorBox()
{
    QFETCH(QString, member);
    QFETCH(QString, fileName);
    QFETCH(QString, password);
    QFETCH(int, number);

    const QString path = fixture::DataFolder::nativePath(fileName);
    QVERIFY(QFile::rename(path, path + u".aside"_s));
    if (!password.isEmpty()) {
        catalogue::FileDef other = *catalogue::find(fileName);
        other.password = password;
        catalogue::createFile(other, path);
    }
    ScriptedMessageBoxes boxes;
    lookups::openLookup(member, target_, caller_.get());

    QCOMPARE(boxes.shown().size(), 1);
    QVERIFY2(boxes.shown()[0].prompt.startsWith(u"Error %1"_s.arg(number)),
             qPrintable(boxes.shown()[0].prompt));
    QCOMPARE(boxes.shown()[0].flags, int(vbCritical));
    QVERIFY(!lookups::openDialog(member));
    QCOMPARE(caller_->findChildren<LookupDialog*>().size(), 0);
    QCOMPARE(target_->text(), u"ANTES"_s);

    QFile::remove(path);
    QVERIFY(QFile::rename(path + u".aside"_s, path));
}

void TestLookups::searchFailureShowsTheErrorBoxAndCloses()
{
    const QString path = fixture::DataFolder::nativePath(u"Departamentos.mdb"_s);
    QVERIFY(QFile::copy(path, path + u".aside"_s));
    {
        ScriptedMessageBoxes boxes;
        QPointer<LookupDialog> dialog = show(u"ConsuDepartamentos"_s);
        searchFor(dialog, u"LECHE"_s);
        // The table disappears under the open dialog.
        catalogue::open(u"Departamentos.mdb"_s)->Execute(u"DROP TABLE rubros"_s);
        QTest::keyClick(text1(dialog), Qt::Key_Return);

        QCOMPARE(boxes.shown().size(), 1);
        QVERIFY(boxes.shown()[0].prompt.startsWith(u"Error "_s));
        QVERIFY(!dialog->isVisible());
        QCOMPARE(target_->text(), u"ANTES"_s);
        flushDeletes();
        QVERIFY(dialog.isNull());
    }
    QFile::remove(path);
    QVERIFY(QFile::rename(path + u".aside"_s, path));
}

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    TestLookups test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_lookups.moc"
