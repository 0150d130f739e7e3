#pragma once
// The result grid's contents: the rows a search found, shown as the member's columns.
// Column 0 is the fixed unlabelled column; the cells are text, never written back.

#include <QAbstractTableModel>
#include <QFontMetrics>
#include <QList>
#include <QVariantList>
#include <vector>

#include "members.h"
#include "textwidth.h"

namespace lookups {

class LookupGrid : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit LookupGrid(const Member& member, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Replaces every data cell: `rows` hold the member's fields from column 1 on, as stored;
    // rows beyond them are empty.
    void setRows(QList<QVariantList> rows);
    int filledRows() const { return int(rows_.size()); }
    // The text a cell shows: the code in its format, numbers in their shortest text,
    // empty and Null fields blank.
    QString cellText(int row, int column) const;
    // What cellText(row, column) is made of; for numbers, counted without writing the text.
    TextMakeup cellMakeup(int row, int column) const;
    // The widest advance among the texts of each of `columns`, in the font of `widths`.
    std::vector<int> widestTexts(const std::vector<int>& columns,
                                 const TextWidthBound& widths) const;

private:
    bool marked(int row, int column) const;
    // The widest advance among the column's first `seeded` texts.
    int widestSeeded(int column, int seeded, const TextWidthBound& widths,
                     const QFontMetrics& metrics) const;

    static constexpr int kSeedRows = 32;  // about the first screenful

    const Member& member_;
    QStringList headers_;
    QList<QVariantList> rows_;
};

}  // namespace lookups
