#include "lookupgrid.h"

#include <QColor>
#include <QFontMetrics>
#include <array>
#include <cmath>

#include "data/numbertext.h"

using namespace Qt::StringLiterals;

namespace lookups {

namespace {

int codeWidth(CodeFormat format) { return format == CodeFormat::EightDigits ? 8 : 4; }

// A numeric code padded with leading zeros; any other text as stored.
QString formatCode(const QVariant& value, CodeFormat format)
{
    const int width = codeWidth(format);
    if (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int)
        return numbertext::code(value.toLongLong(), width);
    const QString text = value.toString();
    const QString digits = text.trimmed();
    const bool numeric = !digits.isEmpty() && std::all_of(digits.begin(), digits.end(),
                                                          [](QChar c) { return c.isDigit(); });
    return numeric ? digits.rightJustified(width, u'0') : text;
}

QString plainText(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::LongLong:
    case QMetaType::Int:
        return numbertext::shortest(value.toDouble());
    default:
        return value.toString();
    }
}

}  // namespace

LookupGrid::LookupGrid(const Member& member, QObject* parent)
    : QAbstractTableModel(parent), member_(member), headers_(member.headers())
{
}

int LookupGrid::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : member_.dataRows();
}

int LookupGrid::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : member_.columnCount();
}

QString LookupGrid::cellText(int row, int column) const
{
    if (row < 0 || row >= rows_.size() || column < 1 || column > rows_[row].size()) return {};
    const QVariant& value = rows_[row][column - 1];
    if (!value.isValid()) return {};
    if (column == 1 && member_.codeFormat != CodeFormat::AsStored) {
        if (value.toString().isEmpty()) return {};
        return formatCode(value, member_.codeFormat);
    }
    return plainText(value);
}

TextMakeup LookupGrid::cellMakeup(int row, int column) const
{
    if (row < 0 || row >= rows_.size() || column < 1 || column > rows_[row].size()) return {};
    const QVariant& value = rows_[row][column - 1];
    const bool code = column == 1 && member_.codeFormat != CodeFormat::AsStored;
    // The value read in place: converting it through QVariant costs more than counting it.
    switch (value.typeId()) {
    case QMetaType::LongLong:
        if (code)
            return codeMakeup(*static_cast<const qlonglong*>(value.constData()),
                              codeWidth(member_.codeFormat));
        if (const std::optional<TextMakeup> makeup =
                shortestMakeup(double(*static_cast<const qlonglong*>(value.constData()))))
            return *makeup;
        break;
    case QMetaType::Double:
        if (code) break;
        if (const std::optional<TextMakeup> makeup =
                shortestMakeup(*static_cast<const double*>(value.constData())))
            return *makeup;
        break;
    case QMetaType::QString:
        if (!code) return makeupOf(*static_cast<const QString*>(value.constData()));
        break;
    default:
        break;
    }
    return makeupOf(cellText(row, column));
}

std::vector<int> LookupGrid::widestTexts(const std::vector<int>& columns,
                                         const TextWidthBound& widths) const
{
    // Measuring a text takes a hundred times as long as bounding its width from its makeup,
    // and that ten times as long as telling whether a number has more digits than a width
    // leaves room for. Only the texts whose bound exceeds the widest advance measured so far
    // are measured; every other text is known to be no wider. The first screenful sets that
    // advance: its text with the widest bound is measured first. The rows are gone through
    // once for all the columns, each row's fields read together.
    struct Widest {
        int column;
        bool code;
        int advance = 0;
        std::array<int, 2> digits{};  // digitsWithin(advance) without and with a sign
    };
    const QFontMetrics metrics(widths.font());
    const auto rows = int(rows_.size());
    const int seeded = std::min(rows, kSeedRows);
    std::vector<Widest> fits;
    for (const int column : columns) {
        Widest fit{column, column == 1 && member_.codeFormat != CodeFormat::AsStored};
        fit.advance = widestSeeded(column, seeded, widths, metrics);
        fit.digits = {widths.digitsWithin(fit.advance, false),
                      widths.digitsWithin(fit.advance, true)};
        fits.push_back(fit);
    }
    const int width = codeWidth(member_.codeFormat);
    // A code below 10^width is written as `width` digits.
    const auto shortCodes = qlonglong(std::pow(10, width));
    const int shortCode = widths.bound(codeMakeup(0, width));
    for (int row = seeded; row < rows; ++row) {
        const QVariantList& fields = rows_[row];
        for (Widest& fit : fits) {
            if (fit.column <= fields.size()) {
                const QVariant& field = fields[fit.column - 1];
                if (field.typeId() == QMetaType::Double && !fit.code) {
                    const double value = *static_cast<const double*>(field.constData());
                    if (shortestWithin(value, fit.digits[value < 0])) continue;
                } else if (field.typeId() == QMetaType::LongLong) {
                    const qlonglong value = *static_cast<const qlonglong*>(field.constData());
                    if (fit.code ? value >= 0 && value < shortCodes && shortCode <= fit.advance
                                 : shortestWithin(double(value), fit.digits[value < 0]))
                        continue;
                }
            }
            if (widths.bound(cellMakeup(row, fit.column)) <= fit.advance) continue;
            const int advance = metrics.horizontalAdvance(cellText(row, fit.column));
            if (advance <= fit.advance) continue;
            fit.advance = advance;
            fit.digits = {widths.digitsWithin(advance, false), widths.digitsWithin(advance, true)};
        }
    }
    std::vector<int> widest;
    for (const Widest& fit : fits) widest.push_back(fit.advance);
    return widest;
}

int LookupGrid::widestSeeded(int column, int seeded, const TextWidthBound& widths,
                             const QFontMetrics& metrics) const
{
    std::array<int, kSeedRows> bounds{};
    int first = -1;
    for (int row = 0; row < seeded; ++row) {
        bounds[size_t(row)] = widths.bound(cellMakeup(row, column));
        if (first < 0 || bounds[size_t(row)] > bounds[size_t(first)]) first = row;
    }
    if (first < 0) return 0;
    int widest = metrics.horizontalAdvance(cellText(first, column));
    for (int row = 0; row < seeded; ++row)
        if (bounds[size_t(row)] > widest)
            widest = std::max(widest, metrics.horizontalAdvance(cellText(row, column)));
    return widest;
}

bool LookupGrid::marked(int row, int column) const
{
    // Column 3 holds the customer's CUIT; the store writes "remito" there for customers
    // served on delivery notes.
    return member_.marksRemito && column >= 1 && column <= 3 && row < rows_.size() &&
           rows_[row].value(2).toString().contains(u"remito"_s);
}

QVariant LookupGrid::data(const QModelIndex& index, int role) const
{
    if (!index.isValid()) return {};
    switch (role) {
    case Qt::DisplayRole:
        return cellText(index.row(), index.column());
    case Qt::ForegroundRole:
        return marked(index.row(), index.column()) ? QColor(0, 0, 255) : QColor(Qt::black);
    case Qt::TextAlignmentRole: {
        // The grid's general alignment puts numbers right and other text left.
        const bool left = index.column() == member_.leftAlignedColumn ||
                          !numbertext::parse(cellText(index.row(), index.column()));
        return int((left ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
    }
    default:
        return {};
    }
}

QVariant LookupGrid::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return QString();
    return headers_.value(section);
}

void LookupGrid::setRows(QList<QVariantList> rows)
{
    const int touched = int(std::max(rows_.size(), rows.size()));
    rows_ = std::move(rows);
    if (touched > 0) emit dataChanged(index(0, 1), index(touched - 1, columnCount() - 1));
}

}  // namespace lookups
