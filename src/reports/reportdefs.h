#pragma once
// The seven reports as data: each one's viewer, the store file it reads (its table and
// password are the file catalogue's) and its layout, either a list (title, columns, sort key,
// totals) or a label sheet (geometry in millimetres). One engine (Report) reads and draws them
// all; a new list is a new entry here.

#include <QString>
#include <variant>
#include <vector>

namespace reports {

enum class Align { Left, Right };

// How a column writes its value: as stored, as a whole number, or with the pattern "0.00".
enum class Format { Text, Whole, Fixed2 };

// A list's column; its width follows the data read (every number whole, within the page).
struct ColumnDef {
    QString header;
    QString field;
    Align align = Align::Left;
    Format format = Format::Text;
    bool total = false;  // summed on the total line
};

struct ListDef {
    QString title;  // printed on every page
    std::vector<ColumnDef> columns;
    QString sortField;  // the code
};

// One label sheet: A4, `columns` × `rows` labels of `widthMm` × `heightMm`, the first one at
// (`leftMm`, `topMm`), the next ones `pitchXMm` and `pitchYMm` further on.
struct LabelDef {
    double widthMm, heightMm;
    int columns, rows;
    double leftMm, topMm, pitchXMm, pitchYMm;
    double descriptionPt, smallestDescriptionPt;  // the description shrinks down to the second
    double pricePt;
    double barcodeHeightMm;  // 0: no barcode
    double codePt;           // the barcode's text under its bars

    int perSheet() const { return columns * rows; }
};

struct ReportDef {
    QString name;     // "CryListaArticulos"
    QString viewer;   // the viewer form, "ForListaArticulos"
    QString caption;  // the viewer form's caption
    // The file the report reads, with the table and password the file catalogue gives it.
    QString fileName;
    QString table;  // found without regard to case
    QString password;
    std::variant<ListDef, LabelDef> layout;

    const ListDef* list() const { return std::get_if<ListDef>(&layout); }
    const LabelDef* labels() const { return std::get_if<LabelDef>(&layout); }
    // The columns of the report's rows: a list's own, or the label table's fields (LabelField).
    std::vector<ColumnDef> columns() const;
    // The fields the report reads, in the order its rows hold them.
    std::vector<QString> fields() const;
};

// The label sheets read these fields of the label table, in this order.
enum LabelField { LabelCodigo, LabelCodBarra, LabelDescripcion, LabelNeto1 };

const std::vector<ReportDef>& reportDefs();
// The report a viewer form shows; nullptr when there is none of that name.
const ReportDef* findByViewer(QStringView viewer);

}  // namespace reports
