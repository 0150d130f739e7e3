#include <QDir>
#include <QFile>
#include <QTest>
#include <functional>
#include <map>

#include "articles/articlemodel.h"
#include "articles/articlesave.h"
#include "articles/ivapass.h"
#include "data/catalogue.h"
#include "data/engine.h"
#include "data/numbertext.h"
#include "data/paths.h"
#include "shell/msgbox.h"
#include "tempstore.h"
#include "tests.h"

using namespace Qt::StringLiterals;
using articles::ArticleField;
using articles::ArticleModel;
using articles::Outcome;
using articles::Unit;
using F = articles::ArticleField;

Q_DECLARE_METATYPE(articles::ArticleField)
Q_DECLARE_METATYPE(articles::Unit)

namespace {

using Routine = Outcome (ArticleModel::*)();

Routine routine(const QString& name)
{
    static const std::map<QString, Routine> routines = {
        {u"CalculoNeto"_s, &ArticleModel::CalculoNeto},
        {u"CalculoLista1"_s, &ArticleModel::CalculoLista1},
        {u"CalculoLista2"_s, &ArticleModel::CalculoLista2},
        {u"CalculoLista3"_s, &ArticleModel::CalculoLista3},
    };
    return routines.at(name);
}

// The surcharge field a list routine reads; NETO's routine reads none.
ArticleField surchargeOf(const QString& routineName)
{
    if (routineName.endsWith(u'1')) return F::Rec1;
    if (routineName.endsWith(u'2')) return F::Rec2;
    return F::Rec3;
}

const QString kArticulos = u"Articulos.mdb"_s;

}  // namespace

class TestArticles : public QObject {
    Q_OBJECT

private:
    std::optional<fixture::DataFolder> folder_;
    std::shared_ptr<Database> db_;
    std::unique_ptr<Recordset> rs_;

    QString nativePath() const { return paths::toNative(paths::inBases(kArticulos)); }

    // A fresh, empty Articulos.mdb in a data folder of its own, opened with its password.
    void openEmptyStore()
    {
        rs_.reset();
        db_.reset();
        folder_.emplace();
        folder_->create(kArticulos);
        db_ = catalogue::open(kArticulos);
        rs_ = db_->OpenRecordset(u"articulos"_s);
        rs_->setIndex(u"codigo"_s);
    }

    // Stores one article with the given columns (an invalid QVariant stores Null); returns
    // its code.
    int addArticle(const QVariantMap& columns)
    {
        rs_->AddNew();
        for (auto it = columns.begin(); it != columns.end(); ++it)
            rs_->Fields(it.key()).setValue(it.value());
        rs_->Update();
        rs_->MoveLast();
        return rs_->Fields(u"codigo").Value().toInt();
    }

    // Makes the article current by walking to it (as browsing does).
    static bool moveTo(Recordset& rs, int code)
    {
        for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext())
            if (rs.Fields(u"codigo").Value().toInt() == code) return true;
        return false;
    }

    void seekCode(int code) { QVERIFY(moveTo(*rs_, code)); }

    // The stored value of one column of one article, read afresh.
    QVariant stored(int code, const QString& columnName)
    {
        auto rs = db_->OpenRecordset(u"articulos"_s);
        if (!moveTo(*rs, code)) return u"<missing>"_s;
        return rs->Fields(columnName).Value();
    }

    // The save as the form runs it on a new article.
    Outcome saveNew(ArticleModel& model)
    {
        return articles::saveArticle(model, *rs_, std::nullopt);
    }

    // The box the form shows for a refusal, as "flags|title|prompt".
    static QString box(const Outcome& outcome)
    {
        const Message m = articles::refusalMessage(outcome);
        return u"%1|%2|%3"_s.arg(m.flags).arg(m.title, m.prompt);
    }

private slots:
    void computations_data();
    void computations();
    void rememberedSurcharges();
    void badInputAtComputation_data();
    void badInputAtComputation();

    void emptyFieldDefaults_data();
    void emptyFieldDefaults();
    void emptySaveStoresDefaults();
    void depositTotal_data();
    void depositTotal();
    void unitIsWrittenOnlyWhenSelected();
    void badInputAtSave_data();
    void badInputAtSave();
    void barcodeOfAnotherArticle();
    void costEntry_data();
    void costEntry();
    void filledBeforeSave_data();
    void filledBeforeSave();
    void deleteStandsOnTheArticle();

    void loadUnit_data();
    void loadUnit();
    void loadNullAndEmptyValues();
    void loadNumberTexts_data();
    void loadNumberTexts();

    void ivaPass();
    void ivaPassFailureChangesNothing_data();
    void ivaPassFailureChangesNothing();
};

// ---------------------------------------------------------------- computations

void TestArticles::computations_data()
{
    QTest::addColumn<QString>("routine");
    QTest::addColumn<QString>("cost");
    QTest::addColumn<QString>("iva");
    QTest::addColumn<QString>("surcharge");
    QTest::addColumn<ArticleField>("result");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("ivaAfter");

    QTest::newRow("121 with IVA 21")
        << u"CalculoNeto"_s << u"121"_s << u"21"_s << QString() << F::Net << u"100,00"_s << u"21"_s;
    QTest::newRow("100 with IVA 10,5") << u"CalculoNeto"_s << u"100"_s << u"10,5"_s << QString()
                                       << F::Net << u"90,50"_s << u"10,5"_s;
    QTest::newRow("empty IVA becomes 0") << u"CalculoNeto"_s << u"121"_s << QString() << QString()
                                         << F::Net << u"121,00"_s << u"0"_s;
    QTest::newRow("list 1: 10 and 30") << u"CalculoLista1"_s << u"10"_s << QString() << u"30"_s
                                       << F::Lis1 << u"13,00"_s << QString();
    QTest::newRow("list 2: 10 and 30") << u"CalculoLista2"_s << u"10"_s << QString() << u"30"_s
                                       << F::Lis2 << u"13,00"_s << QString();
    QTest::newRow("list 3: surcharge 0") << u"CalculoLista3"_s << u"10"_s << QString() << u"0"_s
                                         << F::Lis3 << u"10,00"_s << QString();
    QTest::newRow("list 1: surcharge 0 keeps the cent")
        << u"CalculoLista1"_s << u"7,5"_s << QString() << u"0"_s << F::Lis1 << u"7,50"_s
        << QString();
    QTest::newRow("negative surcharge") << u"CalculoLista2"_s << u"200"_s << QString() << u"-12,5"_s
                                        << F::Lis2 << u"175,00"_s << QString();
    // Values whose binary double lies just below the half must still round up.
    QTest::newRow("trap 2,675") << u"CalculoLista1"_s << u"2,675"_s << QString() << u"0"_s
                                << F::Lis1 << u"2,68"_s << QString();
    QTest::newRow("trap 1,005") << u"CalculoLista1"_s << u"1,005"_s << QString() << u"0"_s
                                << F::Lis1 << u"1,01"_s << QString();
    QTest::newRow("trap 0,285") << u"CalculoLista2"_s << u"0,285"_s << QString() << u"0"_s
                                << F::Lis2 << u"0,29"_s << QString();
    QTest::newRow("trap -2,675 rounds away from zero")
        << u"CalculoLista3"_s << u"-2,675"_s << QString() << u"0"_s << F::Lis3 << u"-2,68"_s
        << QString();
    QTest::newRow("trap 1,005 plus 10 %") << u"CalculoLista1"_s << u"1,005"_s << QString()
                                          << u"10"_s << F::Lis1 << u"1,11"_s << QString();
    QTest::newRow("trap 8,325 net at IVA 0")
        << u"CalculoNeto"_s << u"8,325"_s << u"0"_s << QString() << F::Net << u"8,33"_s << u"0"_s;
    QTest::newRow("net below one cent")
        << u"CalculoNeto"_s << u"0,004"_s << u"21"_s << QString() << F::Net << u"0,00"_s << u"21"_s;
    QTest::newRow("surrounding blanks") << u"CalculoNeto"_s << u" 121 "_s << u" 21"_s << QString()
                                        << F::Net << u"100,00"_s << u" 21"_s;
}

void TestArticles::computations()
{
    QFETCH(QString, routine);
    QFETCH(QString, cost);
    QFETCH(QString, iva);
    QFETCH(QString, surcharge);
    QFETCH(ArticleField, result);
    QFETCH(QString, expected);
    QFETCH(QString, ivaAfter);

    ScriptedMessageBoxes boxes;
    ArticleModel model;
    model.setText(F::Cos, cost);
    model.setText(F::Iva, iva);
    if (routine != u"CalculoNeto"_s) model.setText(surchargeOf(routine), surcharge);

    QVERIFY((model.*::routine(routine))().ok());
    QCOMPARE(model.text(result), expected);
    QCOMPARE(model.text(F::Iva), ivaAfter);
    QCOMPARE(model.text(F::Cos), cost);
    QVERIFY(boxes.shown().isEmpty());
}

void TestArticles::rememberedSurcharges()
{
    ScriptedMessageBoxes boxes;
    ArticleModel model;
    model.setText(F::Cos, u"10"_s);

    // Every remembered surcharge starts at 0 with the model.
    QVERIFY(model.CalculoLista1().ok());
    QCOMPARE(model.text(F::Lis1), u"10,00"_s);

    model.setText(F::Rec1, u"30"_s);
    QVERIFY(model.CalculoLista1().ok());
    QCOMPARE(model.text(F::Lis1), u"13,00"_s);

    model.setText(F::Rec1, QString());
    QVERIFY(model.CalculoLista1().ok());
    QCOMPARE(model.text(F::Lis1), u"13,00"_s);

    // The remembered surcharge applies to a new cost too.
    model.setText(F::Cos, u"20"_s);
    QVERIFY(model.CalculoLista1().ok());
    QCOMPARE(model.text(F::Lis1), u"26,00"_s);

    // A refused surcharge is not remembered.
    model.setText(F::Rec1, u"X"_s);
    QVERIFY(!model.CalculoLista1().ok());
    model.setText(F::Rec1, QString());
    QVERIFY(model.CalculoLista1().ok());
    QCOMPARE(model.text(F::Lis1), u"26,00"_s);

    // Lists 2 and 3 remember theirs but never fall back to it.
    model.setText(F::Rec3, u"50"_s);
    QVERIFY(model.CalculoLista3().ok());
    QCOMPARE(model.text(F::Lis3), u"30,00"_s);
    model.setText(F::Rec3, QString());
    QCOMPARE(model.CalculoLista3().focus, F::Rec3);
    QCOMPARE(model.text(F::Lis3), u"30,00"_s);

    // List 1's memory is its own: list 2 with surcharge 0 gives the cost.
    model.setText(F::Rec2, u"0"_s);
    QVERIFY(model.CalculoLista2().ok());
    QCOMPARE(model.text(F::Lis2), u"20,00"_s);

    // A fresh model (the form reloaded after a save) starts again at 0.
    ArticleModel reloaded;
    reloaded.setText(F::Cos, u"10"_s);
    QVERIFY(reloaded.CalculoLista1().ok());
    QCOMPARE(reloaded.text(F::Lis1), u"10,00"_s);
}

void TestArticles::badInputAtComputation_data()
{
    QTest::addColumn<QString>("routine");
    QTest::addColumn<QString>("cost");
    QTest::addColumn<QString>("iva");
    QTest::addColumn<QString>("surcharge");
    QTest::addColumn<QString>("message");
    QTest::addColumn<ArticleField>("focus");

    const QString neto = u"CalculoNeto"_s;
    QTest::newRow("letters in IVA")
        << neto << u"121"_s << u"ABC"_s << QString()
        << u"EL CAMPO IVA DEBE SER UN NUMERO (EJEMPLO: 1234,5)"_s << F::Iva;
    QTest::newRow("letters in COSTO")
        << neto << u"12A"_s << u"21"_s << QString()
        << u"EL CAMPO COSTO DEBE SER UN NUMERO (EJEMPLO: 1234,5)"_s << F::Cos;
    QTest::newRow("full stop in COSTO")
        << neto << u"1.5"_s << u"21"_s << QString()
        << u"EL CAMPO COSTO DEBE SER UN NUMERO (EJEMPLO: 1234,5)"_s << F::Cos;
    QTest::newRow("two commas in IVA")
        << neto << u"10"_s << u"1,0,5"_s << QString()
        << u"EL CAMPO IVA DEBE SER UN NUMERO (EJEMPLO: 1234,5)"_s << F::Iva;
    // The IVA stays empty: nothing changes when the routine refuses.
    QTest::newRow("empty COSTO at NETO")
        << neto << QString() << QString() << QString() << u"FALTA INGRESAR EL PRECIO."_s << F::Cos;
    QTest::newRow("IVA -100 divides by zero")
        << neto << u"121"_s << u"-100"_s << QString()
        << u"EL CAMPO IVA DA UN RESULTADO FUERA DE RANGO"_s << F::Iva;
    QTest::newRow("letters in surcharge 1")
        << u"CalculoLista1"_s << u"10"_s << QString() << u"X"_s
        << u"EL CAMPO RECARGO DE LA LISTA 1 DEBE SER UN NUMERO (EJEMPLO: 1234,5)"_s << F::Rec1;
    QTest::newRow("empty COSTO at list 1") << u"CalculoLista1"_s << QString() << QString()
                                           << u"30"_s << u"FALTA INGRESAR EL PRECIO."_s << F::Cos;
    QTest::newRow("letters in COSTO at list 3")
        << u"CalculoLista3"_s << u"DIEZ"_s << QString() << u"30"_s
        << u"EL CAMPO COSTO DEBE SER UN NUMERO (EJEMPLO: 1234,5)"_s << F::Cos;
    QTest::newRow("empty surcharge 2") << u"CalculoLista2"_s << u"10"_s << QString() << QString()
                                       << u"FALTA INGRESAR EL RECARGO DE LA LISTA 2"_s << F::Rec2;
    QTest::newRow("blank surcharge 3") << u"CalculoLista3"_s << u"10"_s << QString() << u"  "_s
                                       << u"FALTA INGRESAR EL RECARGO DE LA LISTA 3"_s << F::Rec3;
    QTest::newRow("overflowing price")
        << u"CalculoLista2"_s << u"1"_s + QString(308, u'0') << QString() << u"30"_s
        << u"EL CAMPO RECARGO DE LA LISTA 2 DA UN RESULTADO FUERA DE RANGO"_s << F::Rec2;
}

void TestArticles::badInputAtComputation()
{
    QFETCH(QString, routine);
    QFETCH(QString, cost);
    QFETCH(QString, iva);
    QFETCH(QString, surcharge);
    QFETCH(QString, message);
    QFETCH(ArticleField, focus);

    ScriptedMessageBoxes boxes;
    ArticleModel model;
    for (const articles::ArticleFieldDef& s : articles::fieldDefs()) model.setText(s.field, u"7"_s);
    model.setText(F::Cos, cost);
    model.setText(F::Iva, iva);
    if (routine != u"CalculoNeto"_s) model.setText(surchargeOf(routine), surcharge);
    std::array<QString, articles::kFieldCount> before;
    for (const articles::ArticleFieldDef& s : articles::fieldDefs())
        before[size_t(s.field)] = model.text(s.field);

    const Outcome outcome = (model.*::routine(routine))();
    QCOMPARE(outcome.focus, focus);
    QCOMPARE(box(outcome), u"16|ERROR|"_s + message);
    QVERIFY(boxes.shown().isEmpty());  // the window shows it
    for (const articles::ArticleFieldDef& s : articles::fieldDefs())
        QCOMPARE(model.text(s.field), before[size_t(s.field)]);
}

// ---------------------------------------------------------------- save

void TestArticles::emptyFieldDefaults_data()
{
    QTest::addColumn<ArticleField>("field");
    QTest::addColumn<QString>("expected");
    const std::vector<std::pair<ArticleField, QString>> defaults = {
        {F::Codigo, QString()}, {F::CodBarra, QString()}, {F::Descripcion, u"0"_s},
        {F::CodP, u"-"_s},      {F::DesP, u"0"_s},        {F::CodM, u"-"_s},
        {F::DesM, u"0"_s},      {F::CodR, u"-"_s},        {F::DesR, u"-"_s},
        {F::Net, u"0"_s},       {F::Iva, u"0"_s},         {F::Cos, u"0"_s},
        {F::Dep1, u"0"_s},      {F::Dep2, u"0"_s},        {F::Dep3, u"0"_s},
        {F::Min, u"0"_s},       {F::Ped, u"0"_s},         {F::Rec1, u"0"_s},
        {F::Lis1, u"0"_s},      {F::Rec2, u"0"_s},        {F::Lis2, u"0"_s},
        {F::Rec3, u"0"_s},      {F::Lis3, u"0"_s},
    };
    for (const auto& [field, expected] : defaults)
        QTest::newRow(qPrintable(QString::fromUtf16(articles::def(field).column)))
            << field << expected;
}

void TestArticles::emptyFieldDefaults()
{
    QFETCH(ArticleField, field);
    QFETCH(QString, expected);
    ArticleModel model;
    model.ControloVacios();
    QCOMPARE(model.text(field), expected);

    // A field that holds text keeps it, whatever it is.
    ArticleModel filled;
    filled.setText(field, u" "_s);
    filled.ControloVacios();
    QCOMPARE(filled.text(field), u" "_s);
}

void TestArticles::emptySaveStoresDefaults()
{
    openEmptyStore();
    ScriptedMessageBoxes boxes;
    ArticleModel model;
    model.setText(F::Codigo, u"000999"_s);  // a proposed code is never stored
    model.takeChanges();
    rs_->AddNew();
    model.ControloVacios();

    // Every field but the code and the barcode takes its default, and the form hears of each.
    ArticleModel::Fields filled;
    for (ArticleField f : {F::Descripcion, F::CodP, F::DesP, F::CodM, F::DesM, F::CodR, F::DesR,
                           F::Net,         F::Iva,  F::Cos,  F::Dep1, F::Dep2, F::Dep3, F::Min,
                           F::Ped,         F::Rec1, F::Lis1, F::Rec2, F::Lis2, F::Rec3, F::Lis3})
        filled.set(size_t(f));
    const ArticleModel::Changes changes = model.takeChanges();
    QCOMPARE(changes.fields, filled);
    QVERIFY(!changes.unit);

    QVERIFY(model.CargoBaseDatos(*rs_).ok());
    rs_->Update();
    QVERIFY(boxes.shown().isEmpty());

    const int code = 1;  // assigned by the database, not the 999 on the form
    const std::map<QString, QVariant> expected = {
        {u"codbarra"_s, u""_s}, {u"descripcion"_s, u"0"_s}, {u"codp"_s, u"-"_s},
        {u"desp"_s, u"0"_s},    {u"codm"_s, u"-"_s},        {u"desm"_s, u"0"_s},
        {u"codr"_s, u"-"_s},    {u"desr"_s, u"-"_s},        {u"uni"_s, QVariant()},
        {u"fea"_s, QVariant()}, {u"fec"_s, QVariant()},
    };
    for (const auto& [column, value] : expected) QCOMPARE(stored(code, column), value);
    for (const QString& column :
         {u"net"_s, u"iva"_s, u"cos"_s, u"dep1"_s, u"dep2"_s, u"dep3"_s, u"dept"_s, u"min"_s,
          u"ped"_s, u"rec1"_s, u"lis1"_s, u"rec2"_s, u"lis2"_s, u"rec3"_s, u"lis3"_s})
        QCOMPARE(stored(code, column), QVariant(0.0));
    QCOMPARE(stored(999, u"codigo"_s), QVariant(u"<missing>"_s));
}

void TestArticles::depositTotal_data()
{
    QTest::addColumn<QStringList>("deposits");
    QTest::addColumn<double>("total");
    QTest::newRow("1,5 + 2 + 0") << QStringList{u"1,5"_s, u"2"_s, u"0"_s} << 3.5;
    QTest::newRow("empty deposits") << QStringList{QString(), QString(), QString()} << 0.0;
    QTest::newRow("one empty") << QStringList{u"4"_s, QString(), u"0,25"_s} << 4.25;
    QTest::newRow("negative stock") << QStringList{u"-3"_s, u"1"_s, u"1"_s} << -1.0;
}

void TestArticles::depositTotal()
{
    QFETCH(QStringList, deposits);
    QFETCH(double, total);
    openEmptyStore();
    ArticleModel model;
    model.setText(F::Dep1, deposits[0]);
    model.setText(F::Dep2, deposits[1]);
    model.setText(F::Dep3, deposits[2]);
    QVERIFY(saveNew(model).ok());
    QCOMPARE(stored(1, u"dept"_s).toDouble(), total);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(stored(1, u"dep%1"_s.arg(i + 1)).toDouble(),
                 numbertext::parse(deposits[i]).value_or(0));
}

void TestArticles::unitIsWrittenOnlyWhenSelected()
{
    openEmptyStore();
    const int code = addArticle({{u"uni"_s, u"Lt"_s}, {u"descripcion"_s, u"ACEITE"_s}});

    // Changing an article without choosing a unit keeps its code.
    ArticleModel model;
    seekCode(code);
    model.CargoDesdeBaseDatos(*rs_);
    QCOMPARE(model.unit(), Unit::Litros);
    ArticleModel noUnit;
    for (const articles::ArticleFieldDef& s : articles::fieldDefs())
        noUnit.setText(s.field, model.text(s.field));
    QVERIFY(articles::saveArticle(noUnit, *rs_, code).ok());
    QCOMPARE(stored(code, u"uni"_s), QVariant(u"Lt"_s));

    // Choosing one writes its code.
    model.selectUnit(Unit::Metros);
    QVERIFY(articles::saveArticle(model, *rs_, code).ok());
    QCOMPARE(stored(code, u"uni"_s), QVariant(u"Mt"_s));
    QCOMPARE(stored(code, u"descripcion"_s), QVariant(u"ACEITE"_s));

    // A new article without a unit leaves the column empty.
    ArticleModel fresh;
    QVERIFY(saveNew(fresh).ok());
    QCOMPARE(stored(code + 1, u"uni"_s), QVariant());
}

void TestArticles::badInputAtSave_data()
{
    QTest::addColumn<ArticleField>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");

    QTest::newRow("letters in a deposit")
        << F::Dep2 << u"DOS"_s << u"EL CAMPO DEPOSITO 2 DEBE SER UN NUMERO (EJEMPLO: 1234,5)"_s;
    QTest::newRow("thousands separator")
        << F::Lis3 << u"1.000"_s << u"EL CAMPO LISTA 3 DEBE SER UN NUMERO (EJEMPLO: 1234,5)"_s;
    QTest::newRow("letters in the cost")
        << F::Cos << u"12,5O"_s << u"EL CAMPO COSTO DEBE SER UN NUMERO (EJEMPLO: 1234,5)"_s;
    QTest::newRow("blank IVA") << F::Iva << u"  "_s << u"FALTA INGRESAR EL IVA"_s;
    QTest::newRow("supplier code too long")
        << F::CodP << u"12345678901"_s
        << u"EL CAMPO CODIGO DE PROVEEDOR ADMITE HASTA 10 CARACTERES"_s;
    QTest::newRow("negative cost")
        << F::Cos << u"-50"_s << u"EL CAMPO COSTO NO PUEDE SER NEGATIVO"_s;
    QTest::newRow("negative net") << F::Net << u"-0,01"_s
                                  << u"EL CAMPO NETO NO PUEDE SER NEGATIVO"_s;
    QTest::newRow("negative list 1")
        << F::Lis1 << u"-65"_s << u"EL CAMPO LISTA 1 NO PUEDE SER NEGATIVO"_s;
    QTest::newRow("negative list 3")
        << F::Lis3 << u"-1"_s << u"EL CAMPO LISTA 3 NO PUEDE SER NEGATIVO"_s;
}

// A barcode names one article: another article's barcode is refused, naming that article; the
// article's own barcode, and an empty one, are not.
void TestArticles::barcodeOfAnotherArticle()
{
    openEmptyStore();
    const int yerba = addArticle({{u"descripcion"_s, u"YERBA"_s}, {u"codbarra"_s, u"7790001"_s}});
    const int azucar = addArticle({{u"descripcion"_s, u"AZUCAR"_s}, {u"codbarra"_s, u"7790002"_s}});
    rs_->setIndex(u"codigo"_s);
    ArticleModel model;
    seekCode(azucar);
    model.CargoDesdeBaseDatos(*rs_);
    model.setText(F::CodBarra, u"7790001"_s);
    for (const std::optional<qint64> editing :
         {std::optional<qint64>(azucar), std::optional<qint64>()}) {
        const Outcome outcome = articles::saveArticle(model, *rs_, editing);
        QCOMPARE(outcome.focus, F::CodBarra);
        QCOMPARE(box(outcome), u"16|ERROR|EL COD.BARRA YA LO TIENE EL ARTICULO %1 (YERBA)"_s.arg(
                                   yerba, 6, 10, QLatin1Char('0')));
        QCOMPARE(stored(azucar, u"codbarra"_s), QVariant(u"7790002"_s));
        // Browsing still follows the index the form chose.
        QCOMPARE(rs_->Index(), u"codigo"_s);
    }
    model.setText(F::CodBarra, u"7790002"_s);
    QVERIFY(articles::saveArticle(model, *rs_, azucar).ok());
    seekCode(yerba);
    model.CargoDesdeBaseDatos(*rs_);
    QVERIFY(articles::saveArticle(model, *rs_, yerba).ok());
}

// Enter in COSTO, as the rules give it to the form: NETO from the cost, the cost in two
// decimals, and the same cost in LISTA 1; an empty cost changes nothing, a refused one nothing.
void TestArticles::costEntry_data()
{
    QTest::addColumn<QString>("cost");
    QTest::addColumn<QString>("iva");
    QTest::addColumn<QString>("after");  // "NETO|IVA|COSTO|LISTA 1"
    QTest::addColumn<QString>("refusal");
    QTest::newRow("with IVA") << u"121"_s << u"21"_s << u"100,00|21|121,00|121,00"_s << QString();
    QTest::newRow("IVA empty") << u"12,5"_s << QString() << u"12,50|0|12,50|12,50"_s << QString();
    QTest::newRow("cost empty") << QString() << u"21"_s << u"7|21||50"_s << QString();
    QTest::newRow("cost not a number")
        << u"1A"_s << u"21"_s << u"7|21|1A|50"_s
        << u"16|ERROR|EL CAMPO COSTO DEBE SER UN NUMERO (EJEMPLO: 1234,5)"_s;
}

void TestArticles::costEntry()
{
    QFETCH(QString, cost);
    QFETCH(QString, iva);
    QFETCH(QString, after);
    QFETCH(QString, refusal);
    ArticleModel model;
    model.setText(F::Net, u"7"_s);
    model.setText(F::Lis1, u"50"_s);
    model.setText(F::Cos, cost);
    model.setText(F::Iva, iva);
    const Outcome outcome = model.enterCost();
    QCOMPARE(outcome.ok() ? QString() : box(outcome), refusal);
    if (!outcome.ok()) QCOMPARE(outcome.focus, F::Cos);
    QCOMPARE(QStringList(
                 {model.text(F::Net), model.text(F::Iva), model.text(F::Cos), model.text(F::Lis1)})
                 .join(u'|'),
             after);
}

// Grabar's checks of the fields it needs, in their order, each naming the first one empty.
void TestArticles::filledBeforeSave_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("barcode");
    QTest::addColumn<QString>("cost");
    QTest::addColumn<QString>("refusal");
    QTest::addColumn<int>("focus");
    QTest::newRow("all filled") << u"000001"_s << u"779"_s << u"10"_s << QString() << -1;
    QTest::newRow("no code") << QString() << QString() << QString()
                             << u"16|ERROR|FALTA INGRESAR EL CODIGO"_s << int(F::Codigo);
    QTest::newRow("no barcode") << u"000001"_s << QString() << QString()
                                << u"16|ERROR|FALTA INGRESAR EL CODIGO DE BARRA"_s
                                << int(F::CodBarra);
    QTest::newRow("no cost") << u"000001"_s << u"779"_s << QString()
                             << u"16|ERROR|FALTA INGRESAR EL PRECIO."_s << int(F::Cos);
}

void TestArticles::filledBeforeSave()
{
    QFETCH(QString, code);
    QFETCH(QString, barcode);
    QFETCH(QString, cost);
    QFETCH(QString, refusal);
    QFETCH(int, focus);
    ArticleModel model;
    model.setText(F::Codigo, code);
    model.setText(F::CodBarra, barcode);
    model.setText(F::Cos, cost);
    const Outcome outcome = articles::checkFilled(model);
    QCOMPARE(outcome.ok() ? QString() : box(outcome), refusal);
    QCOMPARE(outcome.focus ? int(*outcome.focus) : -1, focus);
}

// Eliminar deletes only the article the recordset stands on, its log written first.
void TestArticles::deleteStandsOnTheArticle()
{
    openEmptyStore();
    const int yerba = addArticle({{u"descripcion"_s, u"YERBA"_s}, {u"codbarra"_s, u"7790001"_s}});
    const int azucar = addArticle({{u"descripcion"_s, u"AZUCAR"_s}, {u"codbarra"_s, u"7790002"_s}});
    const QDateTime when(QDate(2024, 3, 5), QTime(9, 30));
    seekCode(azucar);
    try {
        articles::deleteArticle(*rs_, yerba, when);
        QFAIL("deleted an article the recordset does not stand on");
    } catch (const EngineError& error) {
        QCOMPARE(error.code(), EngineErrorCode::NoCurrentRecord);
    }
    QCOMPARE(stored(yerba, u"descripcion"_s), QVariant(u"YERBA"_s));

    articles::deleteArticle(*rs_, azucar, when);
    QCOMPARE(stored(azucar, u"descripcion"_s), QVariant(u"<missing>"_s));
    QCOMPARE(rs_->Fields(u"codigo"_s).Value().toInt(), yerba);
    QFile log(QDir(paths::toNative(u"c:\\norvik\\tempo\\"_s))
                  .filePath(articles::deletionLogName(QString::number(azucar), u"7790002"_s)));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCOMPARE(log.readAll(), articles::deletionLogLine(QString::number(azucar), u"7790002"_s, when));
}

void TestArticles::badInputAtSave()
{
    QFETCH(ArticleField, field);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    openEmptyStore();
    const QVariantMap original = {{u"descripcion"_s, u"YERBA"_s},
                                  {u"cos"_s, 10.0},
                                  {u"iva"_s, 21.0},
                                  {u"dep1"_s, 1.0},
                                  {u"dep2"_s, 2.0},
                                  {u"dept"_s, 3.0},
                                  {u"lis3"_s, 15.0},
                                  {u"codp"_s, u"0001"_s}};
    const int code = addArticle(original);

    ScriptedMessageBoxes boxes;
    ArticleModel model;
    seekCode(code);
    model.CargoDesdeBaseDatos(*rs_);
    model.setText(F::Descripcion, u"OTRA"_s);
    model.setText(field, typed);
    const auto typedTexts = model.texts();
    const Outcome outcome = articles::saveArticle(model, *rs_, code);
    QCOMPARE(outcome.focus, field);
    QCOMPARE(box(outcome), u"16|ERROR|"_s + message);
    QVERIFY(boxes.shown().isEmpty());  // the window shows it

    // Nothing reached the record, and the fields are as typed (no defaults filled in).
    QCOMPARE(rs_->editMode(), EditMode::None);
    for (auto it = original.begin(); it != original.end(); ++it)
        QCOMPARE(stored(code, it.key()), it.value());
    QVERIFY(model.texts() == typedTexts);

    // A new article is refused the same way, and nothing is added.
    ArticleModel fresh;
    fresh.setText(field, typed);
    QCOMPARE(saveNew(fresh).focus, field);
    rs_->MoveLast();
    QCOMPARE(rs_->Fields(u"codigo").Value().toInt(), code);
}

// ---------------------------------------------------------------- load

void TestArticles::loadUnit_data()
{
    QTest::addColumn<QVariant>("uni");
    QTest::addColumn<Unit>("unit");
    QTest::addColumn<QString>("caption");  // empty: the captions stay "Kg", "Pi", "Lt"

    QTest::newRow("Un") << QVariant(u"Un"_s) << Unit::Unidades << u"Un"_s;
    QTest::newRow("Kg") << QVariant(u"Kg"_s) << Unit::Kilos << u"Kg"_s;
    QTest::newRow("Lt") << QVariant(u"Lt"_s) << Unit::Litros << u"Lt"_s;
    QTest::newRow("Mt") << QVariant(u"Mt"_s) << Unit::Metros << u"Mt"_s;
    QTest::newRow("kg in another case") << QVariant(u"kg"_s) << Unit::None << QString();
    QTest::newRow("KG") << QVariant(u"KG"_s) << Unit::None << QString();
    QTest::newRow("Kg with a blank") << QVariant(u"Kg "_s) << Unit::None << QString();
    QTest::newRow("empty") << QVariant(u""_s) << Unit::None << QString();
    QTest::newRow("Null") << QVariant() << Unit::None << QString();
}

void TestArticles::loadUnit()
{
    QFETCH(QVariant, uni);
    QFETCH(Unit, unit);
    QFETCH(QString, caption);
    openEmptyStore();
    const int code = addArticle({{u"uni"_s, uni}});
    const int other = addArticle({{u"uni"_s, u"Lt"_s}});
    const std::array<QString, 3> initial = {u"Kg"_s, u"Pi"_s, u"Lt"_s};

    ArticleModel model;
    QCOMPARE(model.unit(), Unit::None);
    QCOMPARE(model.unitCaptions(), initial);
    seekCode(code);
    model.CargoDesdeBaseDatos(*rs_);
    QCOMPARE(model.unit(), unit);
    if (caption.isEmpty()) QCOMPARE(model.unitCaptions(), initial);
    else QCOMPARE(model.unitCaptions(), (std::array<QString, 3>{caption, caption, caption}));

    // Loaded after another article, an unknown code keeps that article's selection.
    ArticleModel browsing;
    seekCode(other);
    browsing.CargoDesdeBaseDatos(*rs_);
    seekCode(code);
    browsing.CargoDesdeBaseDatos(*rs_);
    const QString shown = caption.isEmpty() ? u"Lt"_s : caption;
    QCOMPARE(browsing.unit(), unit == Unit::None ? Unit::Litros : unit);
    QCOMPARE(browsing.unitCaptions(), (std::array<QString, 3>{shown, shown, shown}));
}

void TestArticles::loadNullAndEmptyValues()
{
    openEmptyStore();
    const int code = addArticle({{u"descripcion"_s, u"ARROZ"_s},
                                 {u"codbarra"_s, u""_s},
                                 {u"lis1"_s, 12.5},
                                 {u"lis2"_s, QVariant()},
                                 {u"lis3"_s, 0.0}});
    const int late = addArticle({{u"desp"_s, u"DISTRIBUIDORA"_s}});

    ArticleModel model;
    seekCode(code);
    model.CargoDesdeBaseDatos(*rs_);
    QCOMPARE(model.text(F::Codigo), QString::number(code));
    QCOMPARE(model.text(F::Descripcion), u"ARROZ"_s);
    QCOMPARE(model.text(F::CodBarra), QString());
    QCOMPARE(model.text(F::Lis1), u"12,5"_s);
    QCOMPARE(model.text(F::Lis2), QString());
    QCOMPARE(model.text(F::Lis3), u"0"_s);

    // Null and empty values leave their fields empty, whatever they showed before.
    model.setText(F::Lis2, u"99"_s);
    model.setText(F::CodBarra, u"779"_s);
    model.CargoDesdeBaseDatos(*rs_);
    QCOMPARE(model.text(F::Lis2), QString());
    QCOMPARE(model.text(F::CodBarra), QString());

    seekCode(late);
    model.CargoDesdeBaseDatos(*rs_);
    QCOMPARE(model.text(F::Codigo), u"2"_s);  // a plain number, not 000002
    QCOMPARE(model.text(F::DesP), u"DISTRIBUIDORA"_s);
    for (const articles::ArticleFieldDef& s : articles::fieldDefs())
        if (s.field != F::Codigo && s.field != F::DesP) QCOMPARE(model.text(s.field), QString());

    // Loaded over another article, a model ends as a new one loading the same article does,
    // and names exactly the fields whose text changed.
    for (const int shown : {code, late}) {
        for (const int loaded : {code, late}) {
            ArticleModel fresh, over;
            seekCode(shown);
            over.CargoDesdeBaseDatos(*rs_);
            over.setText(F::Lis2, u"99"_s);
            seekCode(loaded);
            fresh.CargoDesdeBaseDatos(*rs_);
            const std::array<QString, articles::kFieldCount> before = over.texts();
            over.takeChanges();
            over.CargoDesdeBaseDatos(*rs_);
            const ArticleModel::Fields changed = over.takeChanges().fields;
            QCOMPARE(over.texts(), fresh.texts());
            QCOMPARE(over.unit(), fresh.unit());
            for (size_t f = 0; f < articles::kFieldCount; ++f)
                QCOMPARE(changed.test(f), over.texts()[f] != before[f]);
        }
    }
}

void TestArticles::loadNumberTexts_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("shown");
    QTest::newRow("12,5") << 12.5 << u"12,5"_s;
    QTest::newRow("100") << 100.0 << u"100"_s;
    QTest::newRow("0") << 0.0 << u"0"_s;
    QTest::newRow("0,1 + 0,2") << 0.1 + 0.2 << u"0,3"_s;
    QTest::newRow("1234,5") << 1234.5 << u"1234,5"_s;
    QTest::newRow("-0,75") << -0.75 << u"-0,75"_s;
    QTest::newRow("a computed 90,497737556561") << 100 / 1.105 << u"90,4977375565611"_s;
}

void TestArticles::loadNumberTexts()
{
    QFETCH(double, value);
    QFETCH(QString, shown);
    openEmptyStore();
    const int code = addArticle({{u"cos"_s, value}, {u"dep3"_s, value}});
    ArticleModel model;
    seekCode(code);
    model.CargoDesdeBaseDatos(*rs_);
    QCOMPARE(model.text(F::Cos), shown);
    QCOMPARE(model.text(F::Dep3), shown);
}

// ---------------------------------------------------------------- IVA fill-in pass

void TestArticles::ivaPass()
{
    openEmptyStore();
    struct Case {
        QVariant iva;
        double expected;
    };
    const std::vector<Case> cases = {
        {0.0, 21}, {QVariant(), 21}, {10.5, 10.5}, {27.0, 27}, {0.0, 21}, {21.0, 21},
    };
    std::vector<int> codes;
    for (const Case& c : cases)
        codes.push_back(addArticle({{u"iva"_s, c.iva},
                                    {u"net"_s, 50.0},
                                    {u"cos"_s, 60.5},
                                    {u"lis1"_s, 70.0},
                                    {u"lis2"_s, QVariant()},
                                    {u"rec3"_s, 5.0}}));
    seekCode(codes[1]);

    QVERIFY(!articles::fillInIva(*db_));

    for (size_t i = 0; i < cases.size(); ++i) {
        QCOMPARE(stored(codes[i], u"iva"_s).toDouble(), cases[i].expected);
        QCOMPARE(stored(codes[i], u"net"_s), QVariant(50.0));
        QCOMPARE(stored(codes[i], u"cos"_s), QVariant(60.5));
        QCOMPARE(stored(codes[i], u"lis1"_s), QVariant(70.0));
        QCOMPARE(stored(codes[i], u"lis2"_s), QVariant());
        QCOMPARE(stored(codes[i], u"rec3"_s), QVariant(5.0));
    }
    const Message done = articles::ivaPassDone();
    QCOMPARE(done.prompt, u"PROCESO TERMINADO ... PRECIONE ACEPTAR PARA PODER SALIR"_s);
    QCOMPARE(done.title, u"FINALIZADO"_s);
    QCOMPARE(done.flags, 64);

    // The article on the form stays the current record, so it can still be changed.
    QVERIFY(!rs_->Eof());
    QCOMPARE(rs_->Fields(u"codigo").Value().toInt(), codes[1]);
    rs_->Edit();
    rs_->Fields(u"descripcion").setValue(u"CAMBIADO"_s);
    rs_->Update();
    QCOMPARE(stored(codes[1], u"descripcion"_s), QVariant(u"CAMBIADO"_s));
    QCOMPARE(stored(codes[1], u"iva"_s), QVariant(21.0));

    // On an empty table the pass has nothing to do and still finishes.
    openEmptyStore();
    QVERIFY(!articles::fillInIva(*db_));
}

void TestArticles::ivaPassFailureChangesNothing_data()
{
    QTest::addColumn<QString>("failure");
    QTest::newRow("the folder refuses the journal") << u"journal"_s;
    QTest::newRow("a write fails half-way") << u"midway"_s;
}

void TestArticles::ivaPassFailureChangesNothing()
{
    QFETCH(QString, failure);
    openEmptyStore();
    std::vector<int> codes;
    const std::vector<QVariant> rates = {0.0, QVariant(), 10.5, 0.0, QVariant(), 27.0, 0.0};
    for (const QVariant& rate : rates) codes.push_back(addArticle({{u"iva"_s, rate}}));

    const QString journal = nativePath() + u"-journal"_s;
    if (failure == u"journal"_s) {
        // A folder in the journal's place makes the file unwritable, even for root.
        QVERIFY(QDir().mkpath(journal));
    } else {
        // The fifth article to change fails after four have been written.
        db_->Execute(
            u"CREATE TRIGGER fails BEFORE UPDATE OF iva ON articulos "
            "WHEN old.codigo = %1 BEGIN SELECT RAISE(ABORT, 'disk error'); END"_s.arg(codes[6]));
    }

    const std::optional<EngineError> failed = articles::fillInIva(*db_);
    QVERIFY(failed);
    QVERIFY(failed->number() >= 3000);  // the window shows it in the error box

    if (failure == u"journal"_s) QVERIFY(QDir(journal).removeRecursively());
    for (size_t i = 0; i < rates.size(); ++i) QCOMPARE(stored(codes[i], u"iva"_s), rates[i]);

    // Once the cause is gone the pass runs in full.
    if (failure != u"journal"_s) db_->Execute(u"DROP TRIGGER fails"_s);
    QVERIFY(!articles::fillInIva(*db_));
    for (size_t i = 0; i < rates.size(); ++i)
        QCOMPARE(
            stored(codes[i], u"iva"_s).toDouble(),
            rates[i] == QVariant(10.5) || rates[i] == QVariant(27.0) ? rates[i].toDouble() : 21.0);
}

RUN_TEST_CLASS(runArticlesTest, TestArticles)
#include "tst_articles.moc"
