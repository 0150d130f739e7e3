#include <QScopeGuard>
#include <QTest>
#include <charconv>
#include <clocale>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "data/numbertext.h"
#include "tests.h"

using namespace Qt::StringLiterals;

class NumberTextTest : public QObject {
    Q_OBJECT
private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("isNumber");
        QTest::addColumn<double>("value");
        QTest::newRow("whole") << u"100"_s << true << 100.0;
        QTest::newRow("decimal comma") << u"1234,5"_s << true << 1234.5;
        QTest::newRow("sign") << u"-10,25"_s << true << -10.25;
        QTest::newRow("plus sign") << u"+3"_s << true << 3.0;
        QTest::newRow("leading comma") << u",5"_s << true << 0.5;
        QTest::newRow("blanks around") << u" 7 "_s << true << 7.0;
        QTest::newRow("empty") << QString() << false << 0.0;
        QTest::newRow("blank") << u"   "_s << false << 0.0;
        QTest::newRow("full stop is no separator") << u"12.5"_s << false << 0.0;
        QTest::newRow("two commas") << u"1,2,3"_s << false << 0.0;
        QTest::newRow("thousands") << u"1.234,5"_s << false << 0.0;
        QTest::newRow("letters") << u"abc"_s << false << 0.0;
        QTest::newRow("sign only") << u"-"_s << false << 0.0;
        QTest::newRow("comma only") << u","_s << false << 0.0;
        QTest::newRow("exponent") << u"1e5"_s << false << 0.0;
        QTest::newRow("sign inside") << u"1-2"_s << false << 0.0;
    }
    void parse()
    {
        QFETCH(QString, text);
        QFETCH(bool, isNumber);
        QFETCH(double, value);
        const auto parsed = numbertext::parse(text);
        QCOMPARE(parsed.has_value(), isNumber);
        if (isNumber) QCOMPARE(*parsed, value);
    }

    void fixed_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("whole") << 13.0 << u"13,00"_s;
        QTest::newRow("binary trap 2,675") << 2.675 << u"2,68"_s;
        QTest::newRow("binary trap 1,005") << 1.005 << u"1,01"_s;
        QTest::newRow("100 / 1,105") << 100 / 1.105 << u"90,50"_s;
        QTest::newRow("121 / 1,21") << 121 / 1.21 << u"100,00"_s;
        QTest::newRow("half down stays") << 0.124 << u"0,12"_s;
        QTest::newRow("leading zero") << 0.75 << u"0,75"_s;
        QTest::newRow("small") << 0.004 << u"0,00"_s;
        QTest::newRow("small half") << 0.005 << u"0,01"_s;
        QTest::newRow("carry") << 9.995 << u"10,00"_s;
        QTest::newRow("negative half away") << -2.675 << u"-2,68"_s;
        QTest::newRow("no negative zero") << -0.001 << u"0,00"_s;
        QTest::newRow("zero") << 0.0 << u"0,00"_s;
        QTest::newRow("large") << 12345678.9 << u"12345678,90"_s;
        QTest::newRow("0,1 + 0,2") << 0.1 + 0.2 << u"0,30"_s;
    }
    void fixed()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(numbertext::fixed(value), text);
    }

    void shortest_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("decimal") << 12.5 << u"12,5"_s;
        QTest::newRow("whole") << 100.0 << u"100"_s;
        QTest::newRow("zero") << 0.0 << u"0"_s;
        QTest::newRow("0,1 + 0,2") << 0.1 + 0.2 << u"0,3"_s;
        QTest::newRow("negative") << -3.25 << u"-3,25"_s;
        QTest::newRow("small, no exponent") << 0.00001 << u"0,00001"_s;
        QTest::newRow("large, no exponent") << 1e15 << u"1000000000000000"_s;
        QTest::newRow("fifteen digits") << 1.0 / 3 << u"0,333333333333333"_s;
        QTest::newRow("six decimals") << 0.000001 << u"0,000001"_s;
        QTest::newRow("seven decimals") << 0.0000001 << u"0,0000001"_s;
        QTest::newRow("negative, below one") << -0.001 << u"-0,001"_s;
        QTest::newRow("fifteen digits, three decimals")
            << 123456789012.345 << u"123456789012,345"_s;
        QTest::newRow("sixteen digits, rounded") << 1234567890123.456 << u"1234567890123,46"_s;
    }
    void shortest()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(numbertext::shortest(value), text);
    }

    // Any value of up to fifteen digits with up to six decimals reads back as written, without
    // its trailing zeros.
    void shortestOfFewDecimals()
    {
        static constexpr double kPowers[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6};
        std::mt19937_64 random(7);
        for (int i = 0; i < 20000; ++i) {
            const int decimals = int(random() % 7);
            const qint64 magnitude = qint64(random() % 1'000'000'000'000'000ULL) >> (random() % 50);
            const qint64 units = random() % 2 ? magnitude : -magnitude;
            const QString digits = QString::number(magnitude).rightJustified(decimals + 1, u'0');
            QString text = digits.left(digits.size() - decimals);
            QString fraction = digits.right(decimals);
            while (fraction.endsWith(u'0')) fraction.chop(1);
            if (!fraction.isEmpty()) text += u',' + fraction;
            if (units < 0) text.prepend(u'-');
            const double value = double(units) / kPowers[decimals];
            QCOMPARE(numbertext::shortest(value), text);
        }
    }

    // Any finite value has the text of the standard library's own rounding to fifteen
    // significant digits: random values of every size, prices divided by 1,21, and ties.
    void shortestAsTheLibraryRounds()
    {
        // The library's rounding, written without exponent, with a comma and no trailing zeros.
        const auto reference = [](double value) {
            char buffer[40];
            const char* end = std::to_chars(buffer, buffer + sizeof buffer, value,
                                            std::chars_format::scientific, 14)
                                  .ptr;
            const std::string text(static_cast<const char*>(buffer), end);
            const bool negative = text[0] == '-';
            const size_t e = text.find('e');
            std::string digits;
            for (size_t i = negative ? 1 : 0; i < e; ++i)
                if (text[i] != '.') digits += text[i];
            const int point = std::stoi(text.substr(e + 1)) + 1;
            while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
            std::string body;
            if (point <= 0) body = "0," + std::string(size_t(-point), '0') + digits;
            else if (point >= int(digits.size()))
                body = digits + std::string(size_t(point) - digits.size(), '0');
            else body = digits.substr(0, size_t(point)) + ',' + digits.substr(size_t(point));
            return QString::fromStdString(negative ? '-' + body : body);
        };
        std::mt19937_64 random(11);
        std::uniform_real_distribution<double> decades(-16, 17);
        std::vector<double> values;
        for (int i = 0; i < 100000; ++i) {
            const double value = std::pow(10.0, decades(random)) * (random() % 2 ? 1 : -1);
            values.push_back(value);
            values.push_back(std::nextafter(value, 0.0));
        }
        for (int cents = 1; cents < 100000; cents += 7) values.push_back(cents / 100.0 / 1.21);
        for (const double special : {123456789012345.5, 100000000000000.5, 2.5e-13, 0.1 + 0.2,
                                     999999999999999.9, 1e300, -4.9e-324, 1.7976931348623157e308})
            values.push_back(special);
        for (const double value : values) QCOMPARE(numbertext::shortest(value), reference(value));
    }

    // Under the store's locale the C library's decimal point is a comma; the texts must not change.
    void storeLocale()
    {
        const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
        if (!std::setlocale(LC_NUMERIC, "es_AR.UTF-8")) QSKIP("es_AR.UTF-8 is not generated here");
        const auto restore = qScopeGuard([&] { std::setlocale(LC_NUMERIC, previous.c_str()); });
        QCOMPARE(numbertext::parse(u"1234,5"_s).value_or(0), 1234.5);
        QCOMPARE(numbertext::parse(u"-0,25"_s).value_or(0), -0.25);
        QVERIFY(!numbertext::parse(u"12.5"_s));
        QCOMPARE(numbertext::fixed(2.675), u"2,68"_s);
        QCOMPARE(numbertext::fixed(1234.5), u"1234,50"_s);
        QCOMPARE(numbertext::shortest(12.5), u"12,5"_s);
        QCOMPARE(numbertext::shortest(1234.5), u"1234,5"_s);
        QCOMPARE(numbertext::shortest(12.0), u"12"_s);
    }

    void notFinite()
    {
        QVERIFY(numbertext::fixed(INFINITY).isEmpty());
        QVERIFY(numbertext::shortest(NAN).isEmpty());
    }
};

RUN_TEST_CLASS(runNumberTextTest, NumberTextTest)
#include "tst_numbertext.moc"
