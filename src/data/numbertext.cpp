#include "numbertext.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace numbertext {

namespace {

// A finite double rounded to 15 significant digits: value = 0.digits × 10^pointPos.
struct Decimal {
    bool negative = false;
    std::string digits;  // without leading zeros unless the value is zero
    int pointPos = 0;    // digits before the decimal point (may be negative or beyond size)
};

// 5^0 … 5^27, the powers that fit 64 bits.
constexpr std::array<std::uint64_t, 28> kFives = [] {
    std::array<std::uint64_t, 28> fives{};
    std::uint64_t five = 1;
    for (std::uint64_t& f : fives) {
        f = five;
        five *= 5;
    }
    return fives;
}();

// The 15 significant digits of a value between 10^-13 and 10^15, worked out exactly in
// integers: the value is m × 2^k, so times 10^p it is m × 5^p × 2^(k + p). None for an exact
// tie between two roundings, which the general conversion settles.
std::optional<Decimal> toDecimal15Exact(double value)
{
    using Wide = unsigned __int128;
    const double magnitude = std::abs(value);
    if (!(magnitude >= 1e-13 && magnitude < 1e15)) return std::nullopt;
    // A normal double: 52 stored bits under an implicit 1, and a biased exponent.
    const auto bits = std::bit_cast<std::uint64_t>(magnitude);
    const std::uint64_t mantissa =
        (bits & ((std::uint64_t(1) << 52) - 1)) | (std::uint64_t(1) << 52);
    const int mantissaShift = int(bits >> 52) - 1075;  // magnitude = mantissa × 2^mantissaShift
    const int binaryExponent = mantissaShift + 53;     // magnitude < 2^binaryExponent
    constexpr std::uint64_t kLowest = 100'000'000'000'000;  // 10^14: fifteen digits
    // The decimal exponent from the binary one; it may be one short, which the first attempt finds.
    int exponent = int(std::floor((binaryExponent - 1) * 0.30102999566398120));
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int power = 14 - exponent;
        if (power < 0 || power >= int(kFives.size())) return std::nullopt;
        const Wide scaled = Wide(mantissa) * kFives[size_t(power)];
        const int shift = mantissaShift + power;
        Wide whole = scaled, rest = 0, half = 0;
        if (shift >= 0) {
            whole = scaled << shift;
        } else {
            whole = scaled >> -shift;
            rest = scaled & ((Wide(1) << -shift) - 1);
            half = Wide(1) << (-shift - 1);
        }
        if (whole >= 10 * Wide(kLowest)) {
            ++exponent;
            continue;
        }
        if (whole < kLowest) {
            --exponent;
            continue;
        }
        if (shift < 0 && rest == half) return std::nullopt;
        if (rest > half) ++whole;
        if (whole == 10 * Wide(kLowest)) {
            whole = kLowest;
            ++exponent;
        }
        Decimal d;
        d.negative = value < 0;
        char digits[20];
        d.digits.assign(
            digits,
            std::to_chars(digits, digits + sizeof digits, static_cast<std::uint64_t>(whole)).ptr);
        d.pointPos = exponent + 1;
        return d;
    }
    return std::nullopt;
}

Decimal toDecimal15(double value)
{
    if (std::optional<Decimal> exact = toDecimal15Exact(value)) return *exact;
    // to_chars ignores the C library's locale: the point is always '.'.
    char buf[40];
    const auto end =
        std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14).ptr;
    Decimal d;
    const char* p = buf;
    if (*p == '-') {
        d.negative = true;
        ++p;
    }
    for (; p != end && *p != 'e'; ++p)
        if (*p != '.') d.digits.push_back(*p);
    int exponent = 0;
    if (p != end) {
        const char* e = p + 1;
        if (*e == '+') ++e;
        std::from_chars(e, end, exponent);
    }
    d.pointPos = exponent + 1;
    return d;
}

QString withSign(bool negative, const std::string& body)
{
    const bool allZero = body.find_first_not_of("0,") == std::string::npos;
    QString out = QString::fromLatin1(body.data(), qsizetype(body.size()));
    return negative && !allZero ? QLatin1Char('-') + out : out;
}

// A value as the store writes numbers: sign, digits and decimal comma, no exponent. The value
// is 0.digits × 10^pointPos, and `digits` has no trailing zeros.
QString plainText(bool negative, std::string_view digits, int pointPos)
{
    const auto count = qsizetype(digits.size());
    QString out(3 + std::max(0, -pointPos) + std::max<qsizetype>(count, pointPos),
                Qt::Uninitialized);
    QChar* at = out.data();
    const auto put = [&at](char c) { *at++ = QLatin1Char(c); };
    if (negative && digits.find_first_not_of('0') != std::string_view::npos) put('-');
    if (pointPos <= 0) {
        put('0');
        put(',');
        for (int i = 0; i < -pointPos; ++i) put('0');
        for (const char c : digits) put(c);
    } else {
        for (qsizetype i = 0; i < std::max<qsizetype>(count, pointPos); ++i) {
            if (i == pointPos) put(',');
            put(i < count ? digits[size_t(i)] : '0');
        }
    }
    out.truncate(at - out.constData());
    return out;
}

}  // namespace

std::optional<double> parse(QStringView text)
{
    text = text.trimmed();
    std::string ascii;
    ascii.reserve(size_t(text.size()));
    bool seenDigit = false, seenComma = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (i == 0 && (c == u'-' || c == u'+')) {
            if (c == u'-') ascii.push_back('-');
        } else if (c >= u'0' && c <= u'9') {
            ascii.push_back(char(c.unicode()));
            seenDigit = true;
        } else if (c == u',' && !seenComma) {
            ascii.push_back('.');
            seenComma = true;
        } else {
            return std::nullopt;
        }
    }
    if (!seenDigit) return std::nullopt;
    // from_chars reads '.' whatever the C library's locale says.
    double value = 0;
    const auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (error != std::errc() || end != ascii.data() + ascii.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString fixed(double value, int decimals)
{
    if (!std::isfinite(value)) return QString();
    Decimal d = toDecimal15(value);
    // Keep pointPos + decimals digits, rounding the rest half away from zero.
    const int keep = d.pointPos + decimals;
    std::string kept;
    if (keep >= 0) {
        kept = d.digits.substr(0, size_t(std::min<int>(keep, int(d.digits.size()))));
        kept.resize(size_t(keep), '0');
        const bool roundUp = keep < int(d.digits.size()) && d.digits[size_t(keep)] >= '5';
        if (roundUp) {
            int i = keep - 1;
            while (i >= 0 && kept[size_t(i)] == '9') kept[size_t(i--)] = '0';
            if (i >= 0) ++kept[size_t(i)];
            else kept.insert(kept.begin(), '1');
        }
    }
    // kept holds the value times 10^decimals as an integer digit string.
    if (int(kept.size()) <= decimals) kept.insert(0, size_t(decimals + 1) - kept.size(), '0');
    std::string body = kept.substr(0, kept.size() - size_t(decimals));
    if (decimals > 0) body += ',' + kept.substr(kept.size() - size_t(decimals));
    return withSign(d.negative, body);
}

QString shortest(double value)
{
    if (!std::isfinite(value)) return QString();
    if (value == 0) return QStringLiteral("0");
    const Decimal d = toDecimal15(value);
    std::string_view digits = d.digits;
    while (digits.size() > 1 && digits.back() == '0') digits.remove_suffix(1);
    return plainText(d.negative, digits, d.pointPos);
}

QString code(qint64 number, int width)
{
    return QString::number(number).rightJustified(width, u'0');
}

}  // namespace numbertext
