#include "pricerules.h"

#include <cmath>
#include <limits>

#include "data/numbertext.h"

namespace articles {

std::optional<double> netPrice(double cost, double ivaRate)
{
    const double divisor = ivaRate / 100 + 1;
    if (divisor == 0) return std::nullopt;
    const double net = cost / divisor;
    if (!std::isfinite(net)) return std::nullopt;
    return net;
}

std::optional<double> listPrice(double cost, double surcharge)
{
    const double price = cost * surcharge / 100 + cost;
    if (!std::isfinite(price)) return std::nullopt;
    return price;
}

std::optional<qint64> toCents(double value)
{
    // Beyond 2^53 cents a double no longer tells neighbouring cents apart.
    constexpr double kLimit = 9e15;
    if (!std::isfinite(value) || std::abs(value) * 100 >= kLimit) return std::nullopt;
    const double scaled = value * 100;
    const double whole = std::floor(scaled);
    const double fraction = scaled - whole;
    // Far from a half, the nearest whole number is the answer. Near one (1,005 is stored as
    // 1,00499999...), the value's 15-digit reading decides, exactly as the form's text does.
    if (std::abs(fraction - 0.5) > 1e-6) return qint64(std::llround(scaled));
    const QString text = numbertext::fixed(value, 2);
    const std::optional<double> read = numbertext::parse(text);
    if (!read) return std::nullopt;
    return qint64(std::llround(*read * 100));
}

double fromCents(qint64 cents) { return double(cents) / 100; }

qint64 roundToStep(qint64 cents, qint64 stepCents, RoundingDirection direction)
{
    if (stepCents <= 1) return cents;
    const qint64 sign = cents < 0 ? -1 : 1;
    const qint64 magnitude = cents * sign;
    const qint64 below = magnitude / stepCents * stepCents;
    const qint64 rest = magnitude - below;
    qint64 rounded = below;
    if (rest != 0) {
        if (direction == RoundingDirection::Up) rounded = sign > 0 ? below + stepCents : below;
        else if (rest * 2 >= stepCents) rounded = below + stepCents;
    }
    return rounded * sign;
}

}  // namespace articles
