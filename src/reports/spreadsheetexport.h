#pragma once
// A report's records as an Excel workbook (.xlsx): the report's title on the first row, its
// column captions on the second, then one row per record in the report's order, as the PDF
// lists them. Numbers are number cells (prices with two decimals), texts are strings.

#include <QString>

namespace reports {

struct ReportDef;
class ReportSource;

// Writes every record of `source` to `path`: under a temporary name in the same folder, put in
// place only when complete. Throws EngineError; the file at `path` is then as it was.
void writeSpreadsheet(const ReportDef& def, ReportSource& source, const QString& path);

}  // namespace reports
