#pragma once
// The report object: one report definition, the credentials it was given, and the data it
// read at its last refresh. Draws any page on demand (only that page's records are read),
// prints a range of pages and exports the whole report to PDF or its records to Excel.

#include <QDateTime>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <memory>
#include <vector>

#include "reportdefs.h"
#include "reportsource.h"

class QPainter;
class QPagedPaintDevice;
class QPrinter;

namespace reports {

class Report {
public:
    explicit Report(const ReportDef& def);
    ~Report();

    const ReportDef& def() const { return def_; }

    // The credentials of the report's table: an empty user name and, for a file's database
    // password, a line feed followed by that password.
    void SetLogOnInfo(const QString& userName, const QString& password);

    // Reads the report afresh: opens its file, counts its records and pages. Throws
    // EngineError; the report is then closed (no pages).
    void refresh();
    // Lets go of the file.
    void close();
    bool isOpen() const { return source_ != nullptr; }

    int pageCount() const;
    qint64 recordCount() const { return count_; }
    // The page size in millimetres (A4, portrait).
    static QSizeF pageSizeMm() { return {210.0, 297.0}; }

    // Label sheets: the first label goes at position `n` (1 = top left), so a sheet already
    // partly used is not wasted.
    void setStartPosition(int n);
    int startPosition() const { return start_; }
    // Label sheets: the printer's offset in millimetres, added to every label.
    void setOffsetMm(QPointF offset) { offset_ = offset; }
    QPointF offsetMm() const { return offset_; }

    // Draws page `page` (0-based) with `unitsPerMm` device units to the millimetre; the
    // painter's origin is the paper's top left corner. Throws EngineError when the data
    // cannot be read.
    void drawPage(QPainter& painter, int page, double unitsPerMm);

    // Prints pages `from` to `to` (0-based, inclusive) on an already set-up printer. Throws
    // EngineError when the data cannot be read or the printer cannot be used.
    void print(QPrinter& printer, int from, int to);
    // Writes the whole report to `path` as PDF: under a temporary name in the same folder,
    // put in place only when complete. Throws EngineError.
    void exportPdf(const QString& path);
    // Writes the report's records to `path` as an Excel workbook (.xlsx), in the same way.
    // Throws EngineError.
    void exportSpreadsheet(const QString& path);

private:
    std::vector<Row> rowsOfPage(int page);
    int rowsPerPage() const;
    void paint(QPainter& painter, int page, const std::vector<Row>& rows, double unitsPerMm);
    void paintList(QPainter& painter, int page, const std::vector<Row>& rows);
    void paintLabels(QPainter& painter, int page, const std::vector<Row>& rows);
    // The list's font size and column widths for the data read: every number whole, every
    // column inside the page.
    void layOutList(ReportSource& source, const std::vector<QVariant>& sizes);
    // Draws every page in order, reading the records in one pass.
    void renderAll(QPagedPaintDevice& device, QPainter& painter, int from, int to,
                   double unitsPerMm);

    ReportDef def_;
    QString password_;
    std::unique_ptr<ReportSource> source_;
    qint64 count_ = 0;
    std::vector<double> sums_;
    std::vector<int> summed_;
    QDateTime printed_;
    double listPoints_ = 7;       // the list's font size
    std::vector<double> widths_;  // the list's column widths, in tenths of a millimetre
    int start_ = 1;
    QPointF offset_;
};

// The label sheets' printer offset as the program's settings keep it.
QPointF savedLabelOffset();
void saveLabelOffset(QPointF offsetMm);

}  // namespace reports
