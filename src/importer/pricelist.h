#pragma once
// Suppliers' price lists: reading a spreadsheet (.csv, .xlsx, .ods) into rows of cell texts and
// matching its rows to the store's articles to take their new costs. No widgets.

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class Database;

namespace pricelist {

// One sheet of a spreadsheet as its cells read: rows of cell texts. A number cell becomes its
// value written with a decimal point and no thousands separator ("1234.5", at most 15
// significant digits, as the spreadsheet shows it); a text cell its text. Row i is the sheet's
// row i + 1; a row ends at its last cell that is not empty, so a wholly empty row is an empty
// list, and the sheet ends at its last row that is not empty.
struct Sheet {
    QList<QStringList> rows;
};

// The most a sheet may hold, so that a damaged or hostile file cannot exhaust memory: rows and
// columns as a spreadsheet program allows, cells counting the empty ones before a filled one.
inline constexpr qint64 kMaxRows = 1'048'576;
inline constexpr qint64 kMaxColumns = 16'384;
inline constexpr qint64 kMaxCells = 4'000'000;

// Reads the file at `path`, chosen by its extension (without regard to case):
// - .csv: comma or semicolon separated (whichever the first line has more of, outside quotes),
//   UTF-8 with or without BOM, or Windows-1252 when the bytes are not valid UTF-8; fields in
//   double quotes may hold the separator, line breaks and "" for a quote.
// - .xlsx: the workbook's first worksheet; shared and inline strings, numbers, booleans
//   ("VERDADERO", "FALSO"), a formula's last value; each cell at the column its reference says.
// - .ods: the first table; numbers, percentages and currencies from their stored value,
//   repeated columns and rows.
// Throws EngineError: FileNotFound, NoReadPermission, CannotOpenFile (a folder, a device, a
// read error), NotOurFormat naming the file and what is wrong (another extension, a damaged
// file, a sheet beyond the limits above).
Sheet read(const QString& path);

// A cost as a store's spreadsheet writes it, or none when the cell is empty, text, negative or
// not finite. Blanks around it and a leading "$" are ignored. The separators:
// - both '.' and ',': the last one is the decimal separator and appears once; the other
//   separates thousands, in groups of three ("1.234,56", "1,234.56");
// - only ',': once, it is the decimal comma ("1234,56", "1,234" is one and 234 thousandths);
//   more than once, thousands in groups of three ("1,234,567");
// - only '.': more than once, thousands in groups of three ("1.234.567"); once, a decimal
//   point ("1234.56", "0.125", "12.5"), except when it follows one to three digits (not a
//   leading zero) and three digits end the text: "1.234" is one thousand two hundred
//   thirty-four in an Argentine sheet and one and 234 thousandths in a number cell or an
//   English file, so such a cost is refused rather than guessed.
std::optional<double> parseCost(const QString& cell);

enum class Key { Barcode, Code };

struct Match {
    int row;        // 1-based row number in the sheet
    qint64 codigo;  // the article's code
    double newCost;
};
struct Rejected {
    int row;         // 1-based row number in the sheet
    QString reason;  // in Spanish, for the person importing the list
};
struct Matching {
    std::vector<Match> matched;      // in row order
    std::vector<Rejected> rejected;  // in row order
};

// Matches each row of `sheet` from `firstRow` (0-based, so header rows can be skipped) to an
// article of `articulos` (the open Articulos.mdb): by barcode (codbarra) or by article code
// (codigo) in `keyColumn`, taking the new cost from `costColumn` (columns 0-based). Rows with
// nothing but blanks are skipped silently. A row is rejected, with its reason, when its key is
// missing or finds no article or several, when its cost is missing, not a number, ambiguous,
// negative or zero, when `supplier` is not empty and the article's codp is another ("3" and
// "0003" are the same supplier), or when an earlier row already gave that article a cost (if
// the costs differ, the earlier row is rejected as well). One indexed query per row.
// Throws EngineError for a negative column and for what the file refuses.
Matching match(Database& articulos, const Sheet& sheet, int firstRow, int keyColumn, Key key,
               int costColumn, const QString& supplier);

}  // namespace pricelist
