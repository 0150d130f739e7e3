#include "lookupgrid.h"

#include <QColor>

#include "data/numbertext.h"

using namespace Qt::StringLiterals;

namespace lookups {

namespace {

// A numeric code padded with leading zeros; any other text as stored.
QString formatCode(const QVariant& value, CodeFormat format)
{
    const int width = format == CodeFormat::EightDigits ? 8 : 4;
    if (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int)
        return numbertext::code(value.toLongLong(), width);
    const QString text = value.toString();
    const QString digits = text.trimmed();
    const bool numeric =
        !digits.isEmpty() && std::all_of(digits.begin(), digits.end(), [](QChar c) { return c.isDigit(); });
    return numeric ? digits.rightJustified(width, u'0') : text;
}

QString plainText(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::LongLong:
    case QMetaType::Int: return numbertext::shortest(value.toDouble());
    default: return value.toString();
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
    case Qt::DisplayRole: return cellText(index.row(), index.column());
    case Qt::ForegroundRole:
        return marked(index.row(), index.column()) ? QColor(0, 0, 255) : QColor(Qt::black);
    case Qt::TextAlignmentRole: {
        // The grid's general alignment puts numbers right and other text left.
        const bool left = index.column() == member_.leftAlignedColumn ||
                          !numbertext::parse(cellText(index.row(), index.column()));
        return int((left ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
    }
    default: return {};
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
