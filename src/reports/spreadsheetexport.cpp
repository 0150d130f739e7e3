#include "spreadsheetexport.h"

#include <fcntl.h>
#include <locale.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <memory>
#include <optional>

#include "data/errors.h"
#include "data/filereplace.h"
#include "data/numbertext.h"
#include "data/sharedlibrary.h"
#include "reportdefs.h"
#include "reportsource.h"

using namespace Qt::StringLiterals;

namespace reports {

namespace {

// The functions of libxlsxwriter the export uses, loaded at the first export instead of at the
// program's start (sharedlibrary.h).
struct LibXlsxWriter {
    decltype(&::workbook_new_opt) workbook_new_opt;
    decltype(&::workbook_add_worksheet) workbook_add_worksheet;
    decltype(&::workbook_add_format) workbook_add_format;
    decltype(&::workbook_close) workbook_close;
    decltype(&::lxw_workbook_free) lxw_workbook_free;
    decltype(&::format_set_bold) format_set_bold;
    decltype(&::format_set_font_size) format_set_font_size;
    decltype(&::format_set_num_format) format_set_num_format;
    decltype(&::worksheet_write_string) worksheet_write_string;
    decltype(&::worksheet_write_number) worksheet_write_number;
    decltype(&::worksheet_freeze_panes) worksheet_freeze_panes;
    decltype(&::worksheet_set_column) worksheet_set_column;
    decltype(&::lxw_strerror) lxw_strerror;
};

const LibXlsxWriter& xlsx()
{
    static const LibXlsxWriter functions = [] {
        static const SharedLibrary library("libxlsxwriter.so." LXW_SOVERSION);
        return LibXlsxWriter{
            LIBRARY_FUNCTION(library, workbook_new_opt),
            LIBRARY_FUNCTION(library, workbook_add_worksheet),
            LIBRARY_FUNCTION(library, workbook_add_format),
            LIBRARY_FUNCTION(library, workbook_close),
            LIBRARY_FUNCTION(library, lxw_workbook_free),
            LIBRARY_FUNCTION(library, format_set_bold),
            LIBRARY_FUNCTION(library, format_set_font_size),
            LIBRARY_FUNCTION(library, format_set_num_format),
            LIBRARY_FUNCTION(library, worksheet_write_string),
            LIBRARY_FUNCTION(library, worksheet_write_number),
            LIBRARY_FUNCTION(library, worksheet_freeze_panes),
            LIBRARY_FUNCTION(library, worksheet_set_column),
            LIBRARY_FUNCTION(library, lxw_strerror),
        };
    }();
    return functions;
}

// libxlsxwriter writes its numbers with the C library's printf, which puts the system
// language's decimal comma into the file ("150,5") where the format wants a full stop. The
// writing thread takes the C locale while the workbook is written.
class CNumbers {
public:
    CNumbers() : c_(::newlocale(LC_ALL_MASK, "C", locale_t(nullptr)))
    {
        if (!c_) throw EngineError(EngineErrorCode::Internal, u"newlocale"_s, errno);
        previous_ = ::uselocale(c_);
    }
    ~CNumbers()
    {
        ::uselocale(previous_);
        ::freelocale(c_);
    }
    CNumbers(const CNumbers&) = delete;
    CNumbers& operator=(const CNumbers&) = delete;

private:
    locale_t c_;
    locale_t previous_;
};

struct FreeWorkbook {
    void operator()(lxw_workbook* workbook) const { xlsx().lxw_workbook_free(workbook); }
};
using Workbook = std::unique_ptr<lxw_workbook, FreeWorkbook>;

// A number column's value as a number: what the PDF writes as one. Nothing for an empty value
// or a text that is not a number.
std::optional<double> numberOf(const QVariant& value)
{
    if (!value.isValid() || value.isNull()) return std::nullopt;
    if (value.typeId() == QMetaType::QString) return numbertext::parse(value.toString());
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok || !std::isfinite(number)) return std::nullopt;
    return number;
}

// A text column's value as the PDF writes it.
QString textOf(const QVariant& value)
{
    if (!value.isValid() || value.isNull()) return QString();
    if (value.typeId() == QMetaType::Double) return numbertext::shortest(value.toDouble());
    return value.toString();
}

// The characters a column shows at most, for its width; a title or a long text does not make
// a column wider than this.
constexpr qsizetype kWidestColumn = 60;

// The workbook's one sheet, written row by row; each column as wide as its widest value.
class Sheet {
public:
    Sheet(lxw_workbook* workbook, const QString& name, std::vector<ColumnDef> columns)
        : columns_(std::move(columns)), widths_(columns_.size(), 0)
    {
        const QByteArray sheetName = name.left(LXW_SHEETNAME_MAX).toUtf8();
        sheet_ = xlsx().workbook_add_worksheet(workbook, sheetName.constData());
        bold_ = xlsx().workbook_add_format(workbook);
        title_ = xlsx().workbook_add_format(workbook);
        price_ = xlsx().workbook_add_format(workbook);
        if (!sheet_) fail(LXW_ERROR_PARAMETER_VALIDATION);
        if (!bold_ || !title_ || !price_) fail(LXW_ERROR_MEMORY_MALLOC_FAILED);
        xlsx().format_set_bold(bold_);
        xlsx().format_set_bold(title_);
        xlsx().format_set_font_size(title_, 14);
        xlsx().format_set_num_format(price_, "0.00");
    }

    void writeHeading(const QString& title)
    {
        put(xlsx().worksheet_write_string(sheet_, 0, 0, title.toUtf8().constData(), title_));
        for (size_t i = 0; i < columns_.size(); ++i) writeText(1, i, columns_[i].header, bold_);
        xlsx().worksheet_freeze_panes(sheet_, 2, 0);
        row_ = 2;
    }

    void writeRecord(const Row& record)
    {
        for (size_t i = 0; i < columns_.size(); ++i) {
            const ColumnDef& column = columns_[i];
            if (column.format == Format::Text) {
                writeText(row_, i, textOf(record[i]), nullptr);
            } else if (const std::optional<double> number = numberOf(record[i])) {
                const bool price = column.format == Format::Fixed2;
                put(xlsx().worksheet_write_number(sheet_, row_, lxw_col_t(i), *number,
                                                  price ? price_ : nullptr));
                widen(i,
                      (price ? numbertext::fixed(*number) : numbertext::shortest(*number)).size());
            } else if (record[i].typeId() == QMetaType::QString) {
                // A text stored in a number field that reads as no number: the PDF shows it as
                // it is.
                writeText(row_, i, record[i].toString(), nullptr);
            }
        }
        ++row_;
    }

    void setWidths()
    {
        for (size_t i = 0; i < columns_.size(); ++i)
            put(xlsx().worksheet_set_column(sheet_, lxw_col_t(i), lxw_col_t(i),
                                            double(widths_[i] + 2), nullptr));
    }

private:
    void writeText(lxw_row_t row, size_t column, const QString& text, lxw_format* format)
    {
        if (text.isEmpty()) return;
        const QByteArray utf8 = text.toUtf8();
        put(xlsx().worksheet_write_string(sheet_, row, lxw_col_t(column), utf8.constData(),
                                          format));
        widen(column, text.size());
    }
    void widen(size_t column, qsizetype characters)
    {
        widths_[column] = std::max(widths_[column], std::min(characters, kWidestColumn));
    }
    // A cell the library refused (past the sheet's last row, a text too long): the export stops.
    static void put(lxw_error error)
    {
        if (error != LXW_NO_ERROR) fail(error);
    }
    [[noreturn]] static void fail(lxw_error error)
    {
        throw EngineError(EngineErrorCode::Internal, QString::fromUtf8(xlsx().lxw_strerror(error)));
    }

    std::vector<ColumnDef> columns_;
    std::vector<qsizetype> widths_;
    lxw_worksheet* sheet_ = nullptr;
    lxw_format* bold_ = nullptr;
    lxw_format* title_ = nullptr;
    lxw_format* price_ = nullptr;
    lxw_row_t row_ = 0;
};

// Creates the temporary file the workbook is written into, so that a folder that refuses it
// is named with the system's reason.
void createEmpty(const QString& temporary, const QString& target)
{
    if (const int injected = filereplace::takeFault(filereplace::FaultPoint::Create))
        throw fileSystemError(injected, target);
    const int fd = ::open(QFile::encodeName(temporary).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) throw fileSystemError(errno, target);
    ::close(fd);
}

}  // namespace

void writeSpreadsheet(const ReportDef& def, ReportSource& source, const QString& path)
{
    const QFileInfo target(path);
    if (path.isEmpty() || target.isDir() || !target.absoluteDir().exists())
        throw EngineError(EngineErrorCode::PathNotValid, path);
    const QString temporary = filereplace::temporaryFor(path);
    createEmpty(temporary, path);
    try {
        const CNumbers numbers;
        // Rows go to the library's own temporary file as they are written, so a store of any
        // size is written in little memory.
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        Workbook workbook(
            xlsx().workbook_new_opt(QFile::encodeName(temporary).constData(), &options));
        if (!workbook) throw EngineError(EngineErrorCode::IoError, path);
        const QString title = def.list() ? def.list()->title : def.caption;
        Sheet sheet(workbook.get(), title, def.columns());
        sheet.writeHeading(title);
        source.forEach([&](Row& record) {
            sheet.writeRecord(record);
            return true;
        });
        sheet.setWidths();
        // Closing writes the file and frees the workbook, whatever it answers.
        if (xlsx().workbook_close(workbook.release()) != LXW_NO_ERROR)
            throw EngineError(EngineErrorCode::IoError, path);
    } catch (...) {
        filereplace::discard(temporary);
        throw;
    }
    filereplace::putInPlace(temporary, path, filereplace::Mode::Replace);
}

}  // namespace reports
