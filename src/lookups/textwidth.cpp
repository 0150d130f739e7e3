#include "textwidth.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <array>
#include <climits>
#include <cmath>

namespace lookups {

namespace {

constexpr std::array<double, 16> kPowersOfTen{1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                              1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// A quarter of 10^-n.
constexpr std::array<double, 16> kQuarterUnits{
    0.25,    0.25e-1, 0.25e-2,  0.25e-3,  0.25e-4,  0.25e-5,  0.25e-6,  0.25e-7,
    0.25e-8, 0.25e-9, 0.25e-10, 0.25e-11, 0.25e-12, 0.25e-13, 0.25e-14, 0.25e-15};

int decimalDigits(quint64 number)
{
    int digits = 1;
    while (number >= 10) {
        number /= 10;
        ++digits;
    }
    return digits;
}

// Divides `number` by `unit` (10^count) where it divides evenly; the zeros dropped.
template <quint64 unit, int count>
int dropZeros(quint64& number)
{
    if (number % unit != 0) return 0;
    number /= unit;
    return count;
}

// Font advances are whole 64ths of a pixel (Qt's QFixed); QFontMetrics gives a text's advance
// rounded to the nearest pixel, halves up.
qint64 in64ths(double advance) { return qint64(std::ceil(advance * 64)); }
int roundedAdvance(qint64 advance) { return int((advance + 32) >> 6); }

}  // namespace

TextMakeup makeupOf(QStringView text)
{
    TextMakeup makeup;
    if (text.size() > 4096) return TextMakeup{.unusual = true};
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= u'0' && u <= u'9') ++makeup.digits;
        else if (u == u',') ++makeup.commas;
        else if (u == u'-') ++makeup.minus;
        else if ((u >= 0x20 && u < 0x7f) || (u >= 0xa0 && u <= 0xff)) ++makeup.others;
        else makeup.unusual = true;
    }
    return makeup;
}

std::optional<TextMakeup> shortestMakeup(double value)
{
    // shortest() writes the value rounded to 15 significant digits, trailing zeros dropped,
    // with a decimal comma and no exponent.
    if (!std::isfinite(value)) return TextMakeup{};  // written as nothing
    if (value == 0) return TextMakeup{.digits = 1};
    const double magnitude = std::abs(value);
    if (magnitude < 1 || magnitude >= 1e15) return std::nullopt;
    int wholeDigits = 1;  // 10^(wholeDigits - 1) <= magnitude < 10^wholeDigits
    while (magnitude >= kPowersOfTen[size_t(wholeDigits)]) ++wholeDigits;
    // The value's 15 digits as a whole number N: magnitude × 10^decimals, rounded. The product's
    // own rounding error is below 0.12, so where it lies within a quarter of N the value is
    // less than half a unit from N, and N is what shortest() rounds to; nearer a tie, only
    // the text tells.
    const int decimals = 15 - wholeDigits;
    const double scaled = magnitude * kPowersOfTen[size_t(decimals)];
    // Up to 10^15 a double's step is at most 1/8: adding a half is exact.
    quint64 digits = quint64(qint64(scaled + 0.5));
    if (std::abs(scaled - double(digits)) > 0.25) return std::nullopt;
    int length = digits >= quint64(1e15) ? 16 : 15;  // 16 when rounding carried into a new digit
    // Trailing zeros among the decimals are dropped; N has at most 15. Constant divisors
    // compile to multiplications.
    const int zeros = dropZeros<100'000'000, 8>(digits) + dropZeros<10'000, 4>(digits) +
                      dropZeros<100, 2>(digits) + dropZeros<10, 1>(digits);
    const int shown = decimals - std::min(zeros, decimals);
    length -= decimals - shown;
    return TextMakeup{
        .digits = qint16(length), .commas = qint16(shown > 0), .minus = qint16(value < 0)};
}

bool shortestWithin(double value, int digits)
{
    const double magnitude = std::abs(value);
    if (!(magnitude >= 1 && magnitude < 1e15)) return false;
    int wholeDigits = 1;
    while (magnitude >= kPowersOfTen[size_t(wholeDigits)]) ++wholeDigits;
    const int decimals = std::min(digits - wholeDigits, 15 - wholeDigits);
    if (decimals < 0) return false;
    // As in shortestMakeup, with the value's digits cut after `decimals`: within a quarter of
    // the 15th digit's unit of a whole number N, the value's 15 digits are N's followed by
    // zeros, and N below 10^(wholeDigits + decimals) has no more digits than those.
    const double scaled = magnitude * kPowersOfTen[size_t(decimals)];
    const auto rounded = qint64(scaled + 0.5);
    return std::abs(scaled - double(rounded)) <=
               kQuarterUnits[size_t(15 - wholeDigits - decimals)] &&
           rounded < qint64(kPowersOfTen[size_t(wholeDigits + decimals)]);
}

TextMakeup codeMakeup(qint64 number, int width)
{
    // The number's text, zeros put before it (before its sign too) up to `width` characters.
    const int minus = number < 0 ? 1 : 0;
    const quint64 magnitude = number < 0 ? quint64(0) - quint64(number) : quint64(number);
    const int length = number >= 0 && number < qint64(kPowersOfTen[size_t(width)])
                           ? width
                           : std::max(decimalDigits(magnitude) + minus, width);
    return TextMakeup{.digits = qint16(length - minus), .minus = qint16(minus)};
}

TextWidthBound::TextWidthBound(const QFont& font) : font_(font)
{
    const QFontMetricsF metrics(font);
    const QFontMetrics rounded(font);
    const auto advance = [&](QStringView text) {
        return in64ths(metrics.horizontalAdvance(text.toString()));
    };
    other_ = in64ths(metrics.maxWidth());
    for (char16_t u = 0x20; u <= 0xff; ++u)
        if (u < 0x7f || u >= 0xa0) other_ = std::max(other_, advance(QStringView(&u, 1)));
    const std::u16string numberChars = u"0123456789,-";
    numbersAddUp_ = true;
    for (const char16_t first : numberChars)
        for (const char16_t second : numberChars) {
            const char16_t pair[] = {first, second};
            const qint64 apart = advance(QStringView(&first, 1)) + advance(QStringView(&second, 1));
            if (advance(QStringView(pair, 2)) > apart ||
                rounded.horizontalAdvance(QStringView(pair, 2).toString()) > roundedAdvance(apart))
                numbersAddUp_ = false;
        }
    for (const char16_t u : std::u16string_view(numberChars).substr(0, 10))
        digit_ = std::max(digit_, advance(QStringView(&u, 1)));
    comma_ = advance(u",");
    minus_ = advance(u"-");
}

int TextWidthBound::digitsWithin(int width, bool negative) const
{
    if (!numbersAddUp_ || width < 0) return -1;
    // The widest advance that still rounds to `width` pixels, less the comma and the sign.
    const qint64 room = qint64(width) * 64 + 31 - comma_ - (negative ? minus_ : 0);
    return room < 0 ? -1 : int(room / digit_);
}

int TextWidthBound::bound(const TextMakeup& makeup) const
{
    if (makeup.unusual) return INT_MAX;
    // Letters may kern, but never by the gap between a letter and the font's widest advance.
    const qint64 width =
        numbersAddUp_ ? makeup.digits * digit_ + makeup.commas * comma_ + makeup.minus * minus_ +
                            makeup.others * other_
                      : (makeup.digits + makeup.commas + makeup.minus + makeup.others) * other_;
    return roundedAdvance(width);
}

}  // namespace lookups
