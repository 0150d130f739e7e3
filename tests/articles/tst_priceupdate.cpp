#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <QThread>
#include <csignal>

#include "articles/priceupdate.h"
#include "data/catalogue.h"
#include "data/engine.h"
#include "tempstore.h"
#include "tests.h"

using namespace Qt::StringLiterals;
using namespace articles;

namespace {

// Article `code`: the fixture creates them in code order, the counter giving each its code.
QVariantMap article(qint64 code, double cost, double iva, std::array<double, 3> surcharges,
                    const QString& supplier = u"0001"_s, const QString& description = QString())
{
    QVariantMap a{
        {u"descripcion"_s, description.isEmpty() ? u"ARTICULO %1"_s.arg(code) : description},
        {u"codbarra"_s, u"779%1"_s.arg(code, 10, 10, QLatin1Char('0'))},
        {u"codp"_s, supplier},
        {u"iva"_s, iva},
        {u"rec1"_s, surcharges[0]},
        {u"rec2"_s, surcharges[1]},
        {u"rec3"_s, surcharges[2]}};
    if (cost != 0) {
        a[u"cos"_s] = cost;
        for (int i = 0; i < 3; ++i)
            a[u"lis%1"_s.arg(i + 1)] = cost + cost * surcharges[size_t(i)] / 100;
        a[u"net"_s] = cost / (1 + iva / 100);
    }
    return a;
}

QStringList prices()
{
    return fixture::DataFolder::rows(
        u"Articulos.mdb"_s, {u"codigo"_s, u"cos"_s, u"net"_s, u"rec1"_s, u"rec2"_s, u"rec3"_s,
                             u"lis1"_s, u"lis2"_s, u"lis3"_s});
}

PriceChange costChange(double percent, qint64 step = 1,
                       RoundingDirection direction = RoundingDirection::Nearest)
{
    PriceChange change;
    change.value = percent;
    change.stepCents = step;
    change.direction = direction;
    return change;
}

PriceReview review(const PriceChange& change, const PriceSelection& selection = {})
{
    return reviewPriceChange(*catalogue::open(u"Articulos.mdb"_s), selection, change);
}

}  // namespace

Q_DECLARE_METATYPE(articles::RoundingDirection)

class TestPriceUpdate : public QObject {
    Q_OBJECT

private:
    std::optional<fixture::DataFolder> folder_;

private slots:
    void init() { folder_.emplace(); }
    void cleanup() { folder_.reset(); }

    void cents_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<qint64>("cents");
        QTest::newRow("1,005 as the form shows it") << 1.005 << qint64(101);
        QTest::newRow("2,675 stored just below the half") << 2.675 << qint64(268);
        QTest::newRow("negative half") << -1.005 << qint64(-101);
        QTest::newRow("plain") << 140.4 << qint64(14040);
        QTest::newRow("108 / 1,21") << 108 / 1.21 << qint64(8926);
    }
    void cents()
    {
        QFETCH(double, value);
        QFETCH(qint64, cents);
        QCOMPARE(toCents(value), std::optional<qint64>(cents));
    }

    void steps_data()
    {
        QTest::addColumn<qint64>("cents");
        QTest::addColumn<qint64>("step");
        QTest::addColumn<RoundingDirection>("direction");
        QTest::addColumn<qint64>("rounded");
        const auto up = RoundingDirection::Up, nearest = RoundingDirection::Nearest;
        QTest::newRow("cent") << qint64(14041) << qint64(1) << up << qint64(14041);
        QTest::newRow("0,05 nearest") << qint64(14042) << qint64(5) << nearest << qint64(14040);
        QTest::newRow("0,05 half") << qint64(14047) << qint64(5) << nearest << qint64(14045);
        QTest::newRow("0,05 up") << qint64(14041) << qint64(5) << up << qint64(14045);
        QTest::newRow("0,10 nearest") << qint64(14045) << qint64(10) << nearest << qint64(14050);
        QTest::newRow("0,10 up") << qint64(14041) << qint64(10) << up << qint64(14050);
        QTest::newRow("1 nearest") << qint64(14049) << qint64(100) << nearest << qint64(14000);
        QTest::newRow("1 up") << qint64(14001) << qint64(100) << up << qint64(14100);
        QTest::newRow("5 half") << qint64(14250) << qint64(500) << nearest << qint64(14500);
        QTest::newRow("5 up, already on a step")
            << qint64(14500) << qint64(500) << up << qint64(14500);
        QTest::newRow("10 nearest") << qint64(14040) << qint64(1000) << nearest << qint64(14000);
        QTest::newRow("10 up") << qint64(14040) << qint64(1000) << up << qint64(15000);
        QTest::newRow("50 nearest") << qint64(14040) << qint64(5000) << nearest << qint64(15000);
        QTest::newRow("50 up") << qint64(10001) << qint64(5000) << up << qint64(15000);
        QTest::newRow("100 nearest") << qint64(14040) << qint64(10000) << nearest << qint64(10000);
        QTest::newRow("100 half") << qint64(15000) << qint64(10000) << nearest << qint64(20000);
        QTest::newRow("100 up") << qint64(10001) << qint64(10000) << up << qint64(20000);
        QTest::newRow("to zero") << qint64(4000) << qint64(10000) << nearest << qint64(0);
    }
    void steps()
    {
        QFETCH(qint64, cents);
        QFETCH(qint64, step);
        QFETCH(RoundingDirection, direction);
        QFETCH(qint64, rounded);
        QCOMPARE(roundToStep(cents, step, direction), rounded);
    }

    // What each kind of change computes for one article of cost 100, IVA 21 and surcharges
    // 30 / 50 / 0, with the list prices rounded as asked; the cost and NETO are never rounded.
    void changes_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("list");
        QTest::addColumn<double>("value");
        QTest::addColumn<qint64>("step");
        QTest::addColumn<RoundingDirection>("direction");
        QTest::addColumn<QString>(
            "expected");  // cos|net|rec1|rec2|rec3|lis1|lis2|lis3, or why left out
        const int cost = int(PriceChangeKind::CostPercent),
                  list = int(PriceChangeKind::ListPercent),
                  surcharge = int(PriceChangeKind::ListSurcharge);
        const auto up = RoundingDirection::Up, nearest = RoundingDirection::Nearest;
        QTest::newRow("cost +8") << cost << 1 << 8.0 << qint64(1) << nearest
                                 << u"108|89.26|30|50|0|140.4|162|108"_s;
        QTest::newRow("cost -5") << cost << 1 << -5.0 << qint64(1) << nearest
                                 << u"95|78.51|30|50|0|123.5|142.5|95"_s;
        QTest::newRow("cost +8, to 10 pesos")
            << cost << 1 << 8.0 << qint64(1000) << nearest << u"108|89.26|30|50|0|140|160|110"_s;
        QTest::newRow("cost +8, up to 10 pesos")
            << cost << 1 << 8.0 << qint64(1000) << up << u"108|89.26|30|50|0|150|170|110"_s;
        QTest::newRow("cost +8,333, cost to the cent")
            << cost << 1 << 8.333 << qint64(5) << nearest
            << u"108.33|89.53|30|50|0|140.85|162.5|108.35"_s;
        QTest::newRow("cost -100 leaves it out") << cost << 1 << -100.0 << qint64(1) << nearest
                                                 << u"el costo nuevo quedaría en cero o negativo"_s;
        QTest::newRow("cost -150 leaves it out") << cost << 1 << -150.0 << qint64(1) << nearest
                                                 << u"el costo nuevo quedaría en cero o negativo"_s;
        QTest::newRow("list 2 +10") << list << 2 << 10.0 << qint64(1) << nearest
                                    << u"100|82.6446280991736|30|50|0|130|165|100"_s;
        QTest::newRow("list 3 -100") << list << 3 << -100.0 << qint64(1) << nearest
                                     << u"el precio de la lista 3 quedaría en cero o negativo"_s;
        QTest::newRow("list 1 to 100 pesos rounds to zero")
            << list << 1 << -70.0 << qint64(10000) << nearest
            << u"el precio de la lista 1 quedaría en cero o negativo"_s;
        QTest::newRow("surcharge of list 3") << surcharge << 3 << 45.5 << qint64(1) << nearest
                                             << u"100|82.6446280991736|30|50|45.5|130|150|145.5"_s;
        QTest::newRow("surcharge of list 1, up to 5")
            << surcharge << 1 << 33.0 << qint64(500) << up
            << u"100|82.6446280991736|33|50|0|135|150|100"_s;
    }
    void changes()
    {
        QFETCH(int, kind);
        QFETCH(int, list);
        QFETCH(double, value);
        QFETCH(qint64, step);
        QFETCH(RoundingDirection, direction);
        QFETCH(QString, expected);
        folder_->create(u"Articulos.mdb"_s, {article(1, 100, 21, {30, 50, 0})});
        PriceChange change = costChange(value, step, direction);
        change.kind = PriceChangeKind(kind);
        change.list = list;
        const PriceReview r = review(change);
        if (r.lines.empty()) {
            QCOMPARE(r.leftOut.size(), size_t(1));
            QCOMPARE(r.leftOut[0].reason, expected);
            return;
        }
        const StoredPrices& p = r.lines.at(0).after;
        QStringList got;
        for (double v : {p.cos, p.net, p.rec[0], p.rec[1], p.rec[2], p.lis[0], p.lis[1], p.lis[2]})
            got << QString::number(v, 'g', 15);
        QCOMPARE(got.join(u'|'), expected);
    }

    // The conditions combine; an article without a cost is listed apart; the description is
    // searched regardless of case and accents, but Ñ is not N.
    void selection()
    {
        folder_->create(u"Articulos.mdb"_s,
                        {article(1, 100, 21, {30, 0, 0}, u"0003"_s, u"AZÚCAR 1 KG"_s),
                         article(2, 100, 21, {30, 0, 0}, u"0003"_s, u"AÑO NUEVO"_s),
                         article(3, 0, 21, {30, 0, 0}, u"0003"_s, u"azucar sin costo"_s),
                         article(4, 100, 21, {30, 0, 0}, u"0004"_s, u"AZUCAR NEGRA"_s),
                         article(5, 100, 21, {30, 0, 0}, u"0003"_s, u"ANO"_s)});
        const auto codes = [](const PriceReview& r) {
            QList<qint64> c;
            for (const PriceLine& l : r.lines) c << l.codigo;
            return c;
        };
        PriceSelection s;
        s.supplier = storedPartyCode(u"3"_s);
        QCOMPARE(s.supplier, u"0003"_s);
        PriceReview r = review(costChange(8), s);
        QCOMPARE(codes(r), (QList<qint64>{1, 2, 5}));
        QCOMPARE(r.leftOut.size(), size_t(1));
        QCOMPARE(r.leftOut[0].reason, u"sin costo"_s);
        QCOMPARE(r.list1Before, 390.0);
        QCOMPARE(r.list1After, 421.2);

        s.description = u"azucar"_s;
        QCOMPARE(codes(review(costChange(8), s)), QList<qint64>{1});
        s.supplier.clear();
        QCOMPARE(codes(review(costChange(8), s)), (QList<qint64>{1, 4}));
        s.description = u"año"_s;
        QCOMPARE(codes(review(costChange(8), s)), QList<qint64>{2});
        s.description.clear();
        s.fromCode = 2;
        s.toCode = 4;
        QCOMPARE(codes(review(costChange(8), s)), (QList<qint64>{2, 4}));
        QCOMPARE(s.describe(), u"códigos 2 a 4"_s);
    }

    // Labels without a change choose as the review does (an article without a cost too), queue
    // so many per article in code order, and refuse a quantity outside 1 to 999 writing nothing.
    void labelsForChosen()
    {
        folder_->create(u"Articulos.mdb"_s,
                        {article(1, 100, 21, {30, 0, 0}, u"0003"_s, u"AZÚCAR 1 KG"_s),
                         article(2, 100, 21, {30, 0, 0}, u"0003"_s, u"AÑO NUEVO"_s),
                         article(3, 0, 21, {30, 0, 0}, u"0003"_s, u"azucar sin costo"_s),
                         article(4, 100, 21, {30, 0, 0}, u"0004"_s, u"AZUCAR NEGRA"_s)});
        folder_->create(u"Etiquetas.mdb"_s);
        const std::shared_ptr<Database> articulosFile = catalogue::open(u"Articulos.mdb"_s);
        const std::shared_ptr<Database> etiquetasFile = catalogue::open(u"Etiquetas.mdb"_s);
        Database &articulos = *articulosFile, &etiquetas = *etiquetasFile;
        const auto codes = [&](const PriceSelection& s) {
            QList<qint64> c;
            for (const LabelArticle& a : articlesForLabels(articulos, s)) c << a.codigo;
            return c;
        };
        PriceSelection s;
        s.description = u"azucar"_s;
        QCOMPARE(codes(s), (QList<qint64>{1, 3, 4}));
        s.supplier = u"0003"_s;
        QCOMPARE(codes(s), (QList<qint64>{1, 3}));
        s.description = u"ano"_s;
        QCOMPARE(codes(s), QList<qint64>());

        s.description = u"azucar"_s;
        for (int refused : {0, -1, kMaxLabelsPerArticle + 1}) {
            QVERIFY_THROWS_EXCEPTION(PriceChangeRefused,
                                     queueLabelsFor(articulos, etiquetas, s, refused));
            QCOMPARE(fixture::DataFolder::rows(u"Etiquetas.mdb"_s, {u"codigo"_s}), QStringList());
        }
        QCOMPARE(queueLabelsFor(articulos, etiquetas, s, 2), 4);
        QCOMPARE(
            fixture::DataFolder::rows(u"Etiquetas.mdb"_s,
                                      {u"codigo"_s, u"codbarra"_s, u"descripcion"_s, u"neto1"_s}),
            (QStringList{u"1|7790000000001|AZÚCAR 1 KG|130"_s, u"1|7790000000001|AZÚCAR 1 KG|130"_s,
                         u"3|7790000000003|azucar sin costo|<null>"_s,
                         u"3|7790000000003|azucar sin costo|<null>"_s}));
        s.fromCode = 2;
        QCOMPARE(queueLabelsFor(articulos, etiquetas, s, kMaxLabelsPerArticle),
                 kMaxLabelsPerArticle);
    }

    // Without a description to match, the labels are stored by SQL alone: the same rows in the
    // same order, the longest texts whole, as the articles read one by one give.
    void labelsWithoutDescriptionAsReadOneByOne_data()
    {
        QTest::addColumn<QString>("supplier");
        QTest::addColumn<int>("fromCode");  // 0: no lower bound
        QTest::addColumn<int>("quantity");
        QTest::newRow("one supplier, twice each") << u"0003"_s << 0 << 2;
        QTest::newRow("every article, once") << QString() << 0 << 1;
        QTest::newRow("a supplier from a code, three each") << u"0003"_s << 3 << 3;
        QTest::newRow("nothing chosen") << u"0009"_s << 0 << 5;
    }
    void labelsWithoutDescriptionAsReadOneByOne()
    {
        QFETCH(QString, supplier);
        QFETCH(int, fromCode);
        QFETCH(int, quantity);
        QVariantMap longTexts =
            article(4, 100, 21, {30, 0, 0}, u"0003"_s, u"AZÚCAR "_s + QString(248, u'Ñ'));
        longTexts[u"codbarra"_s] = QString(50, u'7');
        QVariantMap noBarcode = article(6, 100, 21, {30, 0, 0}, u"0003"_s);
        noBarcode[u"codbarra"_s] = QVariant();
        folder_->create(u"Articulos.mdb"_s,
                        {article(5, 100, 21, {30, 0, 0}, u"0003"_s, u"AÑO NUEVO"_s),
                         article(1, 100, 21, {30, 0, 0}, u"0004"_s),
                         article(3, 0, 21, {30, 0, 0}, u"0003"_s), longTexts, noBarcode});
        folder_->create(u"Etiquetas.mdb"_s);
        const std::shared_ptr<Database> articulos = catalogue::open(u"Articulos.mdb"_s);
        const std::shared_ptr<Database> etiquetas = catalogue::open(u"Etiquetas.mdb"_s);
        PriceSelection s;
        s.supplier = supplier;
        if (fromCode) s.fromCode = fromCode;
        const QStringList fields{u"codigo"_s, u"codbarra"_s, u"descripcion"_s, u"neto1"_s};

        const int queued = queueLabelsFor(*articulos, *etiquetas, s, quantity);
        const QStringList bySql = fixture::DataFolder::rows(u"Etiquetas.mdb"_s, fields);
        QCOMPARE(qint64(queued), countForLabels(*articulos, s) * quantity);
        etiquetas->Execute(u"DELETE FROM articulos"_s);
        QCOMPARE(queueArticleLabels(*etiquetas, articlesForLabels(*articulos, s), quantity),
                 queued);
        QCOMPARE(bySql, fixture::DataFolder::rows(u"Etiquetas.mdb"_s, fields));
        QCOMPARE(bySql.size(), queued);
    }

    // Apply stores every line, the history and the labels; undo puts every value back exactly,
    // except an article changed in between, which it lists and leaves alone.
    void applyAndUndo()
    {
        QList<QVariantMap> records;
        for (int i = 1; i <= 30; ++i) records << article(i, 10 + i * 1.37, 21, {30, 45, 12.5});
        folder_->create(u"Articulos.mdb"_s, records);
        folder_->create(u"Etiquetas.mdb"_s,
                        {{{u"codigo"_s, 7}, {u"descripcion"_s, u"VIEJA"_s}, {u"neto1"_s, 1.0}}});
        const QStringList before = prices();

        const PriceReview r = review(costChange(8, 1000));
        QCOMPARE(r.lines.size(), size_t(30));
        const AppliedChange applied = applyPriceChange(r, u"VUMRE"_s, true);
        QCOMPARE(applied.number, qint64(1));
        QCOMPARE(applied.labelsQueued, 29);
        QCOMPARE(applied.labelsUpdated, 1);
        const QStringList after = prices();
        QVERIFY(after != before);
        QCOMPARE(fixture::DataFolder::rows(u"Etiquetas.mdb"_s, {u"codigo"_s, u"neto1"_s}).first(),
                 u"7|"_s + QString::number(r.lines[6].after.lis[0], 'g', 15));
        QCOMPARE(fixture::DataFolder::rows(u"Etiquetas.mdb"_s, {u"codigo"_s}).mid(1, 3),
                 (QStringList{u"1"_s, u"2"_s, u"3"_s}));

        std::vector<PriceHistoryEntry> history = priceHistory();
        QCOMPARE(history.size(), size_t(1));
        QCOMPARE(history[0].user, u"VUMRE"_s);
        QCOMPARE(history[0].conditions, u"todos los artículos"_s);
        QCOMPARE(history[0].rule, u"costo +8 %, redondeo a $ 10 al más cercano"_s);
        QCOMPARE(history[0].articles, 30);

        // Article 5 changes after the update.
        catalogue::open(u"Articulos.mdb"_s)
            ->Execute(u"UPDATE articulos SET lis1 = 999 WHERE codigo = 5"_s);
        const UndoneChange undone = undoPriceChange(1, u"VUMRE"_s, false);
        QCOMPARE(undone.applied.articles, 29);
        QCOMPARE(undone.leftAlone.size(), size_t(1));
        QCOMPARE(undone.leftAlone[0].codigo, qint64(5));
        const QStringList restored = prices();
        for (int i = 0; i < 30; ++i)
            QCOMPARE(restored[i],
                     i == 4 ? after[i].section(u'|', 0, 5) + u"|999|"_s + after[i].section(u'|', 7)
                            : before[i]);

        history = priceHistory();
        QCOMPARE(history.size(), size_t(2));
        QCOMPARE(history[0].undoes, qint64(1));
        QCOMPARE(history[1].undoneBy, qint64(2));
        try {
            undoPriceChange(1, u"VUMRE"_s, false);
            QFAIL("a change undone twice");
        } catch (const PriceChangeRefused& refused) {
            QVERIFY(refused.message().contains(u"ya se deshizo"_s));
        }
    }

    // An article changed between the review and the apply makes the whole apply refuse.
    void applyRefusesWhatChangedSinceTheReview()
    {
        folder_->create(u"Articulos.mdb"_s,
                        {article(1, 100, 21, {30, 0, 0}), article(2, 50, 21, {30, 0, 0})});
        folder_->create(u"Etiquetas.mdb"_s);
        const PriceReview r = review(costChange(8));
        catalogue::open(u"Articulos.mdb"_s)
            ->Execute(u"UPDATE articulos SET cos = 60 WHERE codigo = 2"_s);
        const QStringList before = prices();
        try {
            applyPriceChange(r, u"VUMRE"_s, true);
            QFAIL("applied over a change");
        } catch (const PriceChangeRefused& refused) {
            QVERIFY(refused.message().contains(u"000002"_s));
        }
        QCOMPARE(prices(), before);
        QVERIFY(priceHistory().empty());
        QCOMPARE(fixture::DataFolder::rows(u"Etiquetas.mdb"_s, {u"codigo"_s}), QStringList());
    }

    // A kill at any moment of the apply: afterwards either every article has its new price and
    // the history holds the change, or nothing changed and the history has no entry.
    void killedApplyIsAllOrNothing()
    {
        QList<QVariantMap> records;
        for (int i = 1; i <= 4000; ++i) records << article(i, 10 + i % 97, 21, {30, 45, 12.5});
        folder_->create(u"Articulos.mdb"_s, records);
        folder_->create(u"Etiquetas.mdb"_s);
        const QStringList original = prices();
        bool sawBefore = false, sawAfter = false;
        for (int trial = 0; trial < 12; ++trial) {
            const QStringList start = prices();
            const size_t done = priceHistory().size();
            QProcess child;
            child.start(QStringLiteral(PRICE_CHILD));
            QVERIFY(child.waitForReadyRead(20000));
            // The moment of the kill is the point of the trial: anywhere in the apply.
            QThread::usleep(QRandomGenerator::global()->bounded(120000u));
            ::kill(pid_t(child.processId()), SIGKILL);
            QVERIFY(child.waitForFinished(10000));

            const QStringList now = prices();
            const size_t entries = priceHistory().size();
            if (entries == done) {
                QVERIFY2(now == start,
                         qPrintable(u"trial %1: prices changed without history"_s.arg(trial)));
                QCOMPARE(fixture::DataFolder::rows(u"Etiquetas.mdb"_s, {u"codigo"_s}).size(), 0);
                sawBefore = true;
            } else {
                QCOMPARE(entries, done + 1);
                QVERIFY2(now != start,
                         qPrintable(u"trial %1: history without prices"_s.arg(trial)));
                QCOMPARE(fixture::DataFolder::rows(u"Etiquetas.mdb"_s, {u"codigo"_s}).size(), 4000);
                sawAfter = true;
                // Back to the start for the next trial.
                undoPriceChange(priceHistory().front().number, u"PRUEBA"_s, false);
                QCOMPARE(prices(), original);
                catalogue::open(u"Etiquetas.mdb"_s)->Execute(u"DELETE FROM articulos"_s);
            }
        }
        qInfo("kills before the commit: %s, after: %s", sawBefore ? "yes" : "no",
              sawAfter ? "yes" : "no");
    }
};

RUN_TEST_CLASS(runPriceUpdateTest, TestPriceUpdate)
#include "tst_priceupdate.moc"
