#pragma once
// Cheap upper bounds of a cell text's width, so that fitting a column measures only the texts
// that could be its widest. A text is counted by the kinds of its characters (digits, decimal
// commas, minus signs, other Latin-1 characters); a number's counts come from its value,
// without writing its text.

#include <QFont>
#include <QStringView>
#include <optional>

namespace lookups {

// Small enough to travel in registers: counting is done for thousands of cells at a time.
struct TextMakeup {
    qint16 digits = 0;     // '0' to '9'
    qint16 commas = 0;     // ','
    qint16 minus = 0;      // '-'
    qint16 others = 0;     // any other printable Latin-1 character
    bool unusual = false;  // a character outside those, or a text too long to count

    bool operator==(const TextMakeup&) const = default;
};

// The characters of `text` by kind.
TextMakeup makeupOf(QStringView text);
// The makeup of numbertext::shortest(value), counted from the value; nullopt where only the
// text tells (values below 1 in magnitude, from 10^15 on, or too close to a rounding tie).
std::optional<TextMakeup> shortestMakeup(double value);
// Whether numbertext::shortest(value) surely has at most `digits` digits; false where only its
// makeup tells. Much cheaper than shortestMakeup.
bool shortestWithin(double value, int digits);
// The makeup of numbertext::code(number, width).
TextMakeup codeMakeup(qint64 number, int width);

// Upper bounds for one font: QFontMetrics(font).horizontalAdvance(text) never exceeds
// bound(makeupOf(text)).
class TextWidthBound {
public:
    explicit TextWidthBound(const QFont& font);

    const QFont& font() const { return font_; }
    // INT_MAX for an unusual text.
    int bound(const TextMakeup& makeup) const;
    // The most digits a number's text with a decimal comma, and a minus sign if `negative`,
    // may have and still be bounded by `width`; -1 for none.
    int digitsWithin(int width, bool negative) const;

private:
    QFont font_;
    // A number's characters count at their own widest advance only where no pair of them
    // kerns apart; otherwise they count as other characters.
    bool numbersAddUp_ = false;
    // Advances in 64ths of a pixel.
    qint64 digit_ = 0, comma_ = 0, minus_ = 0;
    qint64 other_ = 0;  // the font's widest advance
};

}  // namespace lookups
