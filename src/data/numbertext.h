#pragma once
// Numbers as the store's windows show and accept them: text with a decimal comma and no
// thousands separator ("1234,5").

#include <QString>
#include <QStringView>
#include <optional>

namespace numbertext {

// Reads an optional sign, digits and at most one decimal comma; surrounding blanks are
// ignored. An empty text, a full stop or any other character makes it not a number.
std::optional<double> parse(QStringView text);

// The pattern "0.00": at least one integer digit, exactly `decimals` decimals (two for
// prices), rounded half away from zero on the value as it reads in 15 significant digits,
// so that a binary double lying just below a half (2,675) still rounds up. Returns an empty
// text for infinity or NaN.
QString fixed(double value, int decimals = 2);

// The shortest text of a stored value: at most 15 significant digits, no trailing zeros,
// no exponent (12,5; 100; 0; a stored 0,1 + 0,2 shows 0,3).
QString shortest(double value);

// A code as the files keep it: `number` with leading zeros to `width` digits ("0012").
QString code(qint64 number, int width);

}  // namespace numbertext
