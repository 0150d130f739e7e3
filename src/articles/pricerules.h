#pragma once
// The article's price arithmetic, once for the article form and the bulk price change: NETO
// from the cost and the IVA rate, a list's price from the cost and its surcharge, and amounts
// rounded to cents or to a step of pesos. Prices are stored as the form shows them, rounded to
// two decimals, so every routine here rounds the same way the form's texts do.

#include <QtGlobal>
#include <optional>

namespace articles {

// COSTO / (1 + IVA / 100); none when that is no finite number (IVA -100, huge values).
std::optional<double> netPrice(double cost, double ivaRate);
// COSTO + COSTO × surcharge / 100; none when not finite.
std::optional<double> listPrice(double cost, double surcharge);

// `value` in whole cents, rounded half away from zero on the value as it reads in 15
// significant digits (1,005 gives 101, as the form's "0.00" shows it); none when not finite or
// too large to count in cents.
std::optional<qint64> toCents(double value);
double fromCents(qint64 cents);

// Rounding a price to a step of `stepCents` (1 = to the cent, 500 = to 5 pesos): to the
// nearest step, half away from zero, or always up to the next step.
enum class RoundingDirection { Nearest, Up };
qint64 roundToStep(qint64 cents, qint64 stepCents, RoundingDirection direction);

}  // namespace articles
