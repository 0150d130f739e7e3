#include "report.h"

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <numeric>

#include <QDir>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QHash>
#include <QMutex>
#include <QPainter>
#include <QPrinter>

#include "barcode.h"
#include "data/errors.h"
#include "data/filereplace.h"
#include "data/numbertext.h"
#include "data/settings.h"
#include "spreadsheetexport.h"

using namespace Qt::StringLiterals;

namespace reports {

namespace {

// Pages are drawn in tenths of a millimetre.
constexpr double kUnitsPerMm = 10.0;
constexpr double kPageWidth = 2100, kPageHeight = 2970;

// The list's page: margins, the header block, one line per record, the footer.
constexpr double kLeft = 150, kContentWidth = 1800;
constexpr double kTitleTop = 100, kHeaderTop = 220, kFirstRowTop = 290, kRowHeight = 42;
constexpr double kFooterTop = 2970 - 110;
constexpr double kCellPadding = 10;
// The list's font: its usual size, the smallest it takes so that every text shows whole, and
// the smallest it takes so that every number and header does.
constexpr double kListPoints = 7, kSmallestWholePoints = 6, kSmallestPoints = 4;
// How many records near the longest texts are measured for the column widths.
constexpr int kWidestRecords = 256;

// A bound on a text's advance that lays nothing out: the sum of its characters' own advances,
// plus for each pair of neighbours the most that kerning widens any pair in the font (nothing
// in most fonts). A list cell elides its text only when that bound does not fit, so the check
// costs a table look-up per character where eliding would shape the text. Characters outside
// the table (Latin-1 printables) leave the text unbounded.
class AdvanceBound {
public:
    explicit AdvanceBound(const QFont& font)
    {
        const QFontMetricsF metrics(font);
        std::vector<char16_t> known;
        for (char16_t c = 0x20; c <= 0xff; ++c)
            if (c < 0x7f || c >= 0xa0) {
                advances_[c] = metrics.horizontalAdvance(QString(QChar(c)));
                known.push_back(c);
            }
        for (const char16_t first : known)
            for (const char16_t second : known) {
                const char16_t pair[] = {first, second};
                widening_ =
                    std::max(widening_, metrics.horizontalAdvance(QStringView(pair, 2).toString()) -
                                            advances_[first] - advances_[second]);
            }
    }

    // Whether `text` surely shows whole in `width`; false where only laying it out tells.
    bool fits(QStringView text, double width) const
    {
        double advance = widening_ * double(std::max<qsizetype>(text.size() - 1, 0));
        for (const QChar c : text) {
            if (c.unicode() > 0xff || advances_[c.unicode()] < 0) return false;
            advance += advances_[c.unicode()];
        }
        // A 64th of a pixel to spare for the rounding of the width eliding compares with.
        return advance + 1.0 / 32 <= width;
    }

    // The bound of each font used, made once.
    static const AdvanceBound& of(const QFont& font)
    {
        static QMutex mutex;
        static std::map<QString, std::unique_ptr<AdvanceBound>> made;
        const QMutexLocker lock(&mutex);
        std::unique_ptr<AdvanceBound>& bound = made[font.key()];
        if (!bound) bound = std::make_unique<AdvanceBound>(font);
        return *bound;
    }

private:
    std::array<double, 256> advances_ = filled(-1);  // -1 for a character not in the table
    double widening_ = 0;

    static std::array<double, 256> filled(double value)
    {
        std::array<double, 256> values;
        values.fill(value);
        return values;
    }
};

QFont makeFont(double points, bool bold = false)
{
    QFont font(u"DejaVu Sans"_s);
    font.setPixelSize(std::max(1, qRound(points * 25.4 / 72.0 * kUnitsPerMm)));
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

QString cellText(const QVariant& value, Format format)
{
    if (!value.isValid() || value.isNull()) return QString();
    switch (format) {
    case Format::Text:
        if (value.typeId() == QMetaType::Double) return numbertext::shortest(value.toDouble());
        return value.toString();
    case Format::Whole:
        if (value.typeId() == QMetaType::Double) return numbertext::shortest(value.toDouble());
        return value.toString();
    case Format::Fixed2:
        if (value.typeId() == QMetaType::QString) {
            const std::optional<double> number = numbertext::parse(value.toString());
            return number ? numbertext::fixed(*number) : value.toString();
        }
        return numbertext::fixed(value.toDouble());
    }
    return QString();
}

struct Fitted {
    QFont font;
    QStringList lines;
    double lineHeight;
};

struct SizedFont {
    QFont font;
    QFontMetricsF metrics;
    // Word widths already measured: a store's descriptions repeat their words.
    QHash<QString, double> widths;
    double space;

    double width(const QString& word)
    {
        auto found = widths.constFind(word);
        if (found != widths.constEnd()) return *found;
        const double measured = metrics.horizontalAdvance(word);
        widths.insert(word, measured);
        return measured;
    }
};

// Words laid out in lines no wider than `width`; empty when one word alone is wider.
QStringList wrapWords(const QString& text, SizedFont& sized, double width)
{
    QStringList lines;
    QString line;
    double used = 0;
    for (const QString& word : text.split(u' ', Qt::SkipEmptyParts)) {
        const double wide = sized.width(word);
        if (wide > width) return {};
        if (line.isEmpty()) {
            line = word;
            used = wide;
        } else if (used + sized.space + wide <= width) {
            line += u' ' + word;
            used += sized.space + wide;
        } else {
            lines << line;
            line = word;
            used = wide;
        }
    }
    if (!line.isEmpty()) lines << line;
    return lines;
}

// The description's fonts from `largest` down to `smallest` points, in half points.
std::vector<SizedFont> descriptionFonts(double largest, double smallest)
{
    std::vector<SizedFont> fonts;
    for (double points = largest; points >= smallest - 1e-9; points -= 0.5) {
        const QFont font = makeFont(points);
        const QFontMetricsF metrics(font);
        fonts.push_back({font, metrics, {}, metrics.horizontalAdvance(u' ')});
    }
    return fonts;
}

// The description in at most two lines, at the largest size at which whole words fit; when
// none does, the smallest size, cut at the end.
Fitted fitDescription(const QString& text, double width, double height,
                      std::vector<SizedFont>& fonts)
{
    for (SizedFont& sized : fonts) {
        const int fitLines = std::min(2, int(height / sized.metrics.height()));
        if (fitLines < 1) continue;
        const QStringList lines = wrapWords(text, sized, width);
        if (!lines.isEmpty() && lines.size() <= fitLines)
            return {sized.font, lines, sized.metrics.height()};
    }
    const QFont& font = fonts.back().font;
    const QFontMetricsF& metrics = fonts.back().metrics;
    const int fitLines = std::max(1, std::min(2, int(height / metrics.height())));
    // Fill the lines word by word, breaking inside a word only when it is wider than a line.
    QStringList lines;
    QString rest = text.simplified();
    while (!rest.isEmpty() && lines.size() < fitLines) {
        if (lines.size() == fitLines - 1) {
            lines << metrics.elidedText(rest, Qt::ElideRight, width);
            break;
        }
        qsizetype cut = rest.size();
        while (cut > 1 && metrics.horizontalAdvance(rest.left(cut)) > width) {
            const qsizetype space = rest.lastIndexOf(u' ', cut - 1);
            cut = space > 0 ? space : cut - 1;
        }
        lines << rest.left(cut);
        rest = rest.mid(cut).trimmed();
    }
    return {font, lines, metrics.height()};
}

}  // namespace

Report::Report(const ReportDef& def) : def_(def)
{
    if (const ListDef* list = def_.list())
        for (size_t i = 0; i < list->columns.size(); ++i)
            if (list->columns[i].total) summed_.push_back(int(i));
}

Report::~Report() = default;

void Report::SetLogOnInfo(const QString& userName, const QString& password)
{
    Q_UNUSED(userName);
    // A leading line feed marks the file's database password.
    password_ = password.startsWith(u'\n') ? password.mid(1) : password;
}

void Report::refresh()
{
    close();
    auto source = std::make_unique<ReportSource>(def_, password_);
    const ListDef* list = def_.list();
    std::vector<bool> numeric;
    if (list)
        for (const ColumnDef& column : list->columns)
            numeric.push_back(column.format != Format::Text);
    ReportSource::Totals totals = source->readTotals(summed_, numeric);
    count_ = totals.count;
    sums_ = std::move(totals.sums);
    if (list) layOutList(*source, totals.sizes);
    source_ = std::move(source);
    printed_ = QDateTime::currentDateTime();
}

void Report::close()
{
    source_.reset();
    count_ = 0;
    sums_.clear();
}

void Report::setStartPosition(int n)
{
    const LabelDef* labels = def_.labels();
    start_ = labels ? std::clamp(n, 1, labels->perSheet()) : 1;
}

int Report::rowsPerPage() const
{
    if (const LabelDef* labels = def_.labels()) return labels->perSheet();
    return int((kFooterTop - 20 - kFirstRowTop) / kRowHeight);
}

int Report::pageCount() const
{
    if (!source_) return 0;
    const qint64 per = rowsPerPage();
    // Lists keep one line for the total; label sheets skip the positions before the start.
    const qint64 places = def_.labels() ? count_ + start_ - 1 : count_ + 1;
    return int(std::max<qint64>(1, (places + per - 1) / per));
}

void Report::layOutList(ReportSource& source, const std::vector<QVariant>& sizes)
{
    const std::vector<ColumnDef>& columns = def_.list()->columns;
    const size_t n = columns.size();
    auto isText = [&](size_t i) { return columns[i].format == Format::Text; };
    // What each column may write at its widest: its values in the plain font (a number's
    // largest, a text's longest ones), its header and total in bold.
    std::vector<qint64> longest(n, 0);
    for (size_t i = 0; i < n; ++i)
        if (isText(i)) longest[i] = sizes[i].toLongLong();
    std::vector<QStringList> plainTexts = source.longTexts(longest, kWidestRecords), boldTexts(n);
    for (size_t i = 0; i < n; ++i) {
        boldTexts[i] << columns[i].header;
        if (!isText(i) && !sizes[i].isNull())
            plainTexts[i] << cellText(sizes[i], columns[i].format);
    }
    for (size_t i = 0; i < summed_.size(); ++i)
        boldTexts[size_t(summed_[i])] << numbertext::fixed(sums_[i]);

    // At a font size: the width each column needs to show everything whole, and the least a
    // text column may have (its header).
    std::vector<double> whole(n), least(n);
    auto measure = [&](double points) {
        const QFontMetricsF plain(makeFont(points)), bold(makeFont(points, true));
        for (size_t i = 0; i < n; ++i) {
            double wide = 0;
            for (const QString& text : plainTexts[i])
                wide = std::max(wide, plain.horizontalAdvance(text));
            for (const QString& text : boldTexts[i])
                wide = std::max(wide, bold.horizontalAdvance(text));
            whole[i] = wide + 2 * kCellPadding;
            least[i] =
                isText(i) ? bold.horizontalAdvance(columns[i].header) + 2 * kCellPadding : whole[i];
        }
    };
    auto sum = [](const std::vector<double>& widths) {
        return std::accumulate(widths.begin(), widths.end(), 0.0);
    };
    double points = kListPoints;
    measure(points);
    while (sum(whole) > kContentWidth && points > kSmallestWholePoints) measure(points -= 0.5);
    while (sum(least) > kContentWidth && points > kSmallestPoints) measure(points -= 0.5);
    listPoints_ = points;

    widths_ = whole;
    double textWidth = 0, numberWidth = 0;
    for (size_t i = 0; i < n; ++i) (isText(i) ? textWidth : numberWidth) += whole[i];
    const double spare = kContentWidth - textWidth - numberWidth;
    if (spare >= 0) {
        // The room left goes to the texts (to every column when there are none), as they need it.
        const bool toTexts = textWidth > 0;
        for (size_t i = 0; i < n; ++i)
            if (isText(i) || !toTexts)
                widths_[i] += spare * whole[i] / (toTexts ? textWidth : numberWidth);
        return;
    }
    // Numbers keep their width. The texts share the rest: each one up to the same width, so the
    // shorter ones show whole and only the longest are cut, and never narrower than the header.
    const double room = kContentWidth - numberWidth;
    auto shared = [&](double cap) {
        double used = 0;
        for (size_t i = 0; i < n; ++i)
            if (isText(i)) used += std::max(least[i], std::min(whole[i], cap));
        return used;
    };
    double low = 0, high = kContentWidth;
    for (int step = 0; step < 40; ++step) {
        const double middle = (low + high) / 2;
        (shared(middle) <= room ? low : high) = middle;
    }
    for (size_t i = 0; i < n; ++i)
        if (isText(i)) widths_[i] = std::max(least[i], std::min(whole[i], low));
}

std::vector<Row> Report::rowsOfPage(int page)
{
    const qint64 per = rowsPerPage();
    const qint64 skipped = def_.labels() ? start_ - 1 : 0;
    const qint64 first = std::max<qint64>(0, page * per - skipped);
    const qint64 last = std::min<qint64>(count_, (page + 1) * per - skipped);
    if (last <= first) return {};
    return source_->rows(first, int(last - first));
}

void Report::drawPage(QPainter& painter, int page, double unitsPerMm)
{
    if (!source_ || page < 0 || page >= pageCount()) return;
    paint(painter, page, rowsOfPage(page), unitsPerMm);
}

void Report::paint(QPainter& painter, int page, const std::vector<Row>& rows, double unitsPerMm)
{
    painter.save();
    painter.scale(unitsPerMm / kUnitsPerMm, unitsPerMm / kUnitsPerMm);
    painter.setPen(Qt::black);
    if (def_.labels()) paintLabels(painter, page, rows);
    else paintList(painter, page, rows);
    painter.restore();
}

void Report::paintList(QPainter& painter, int page, const std::vector<Row>& rows)
{
    const ListDef& list = *def_.list();
    const QFont plain = makeFont(listPoints_), bold = makeFont(listPoints_, true);
    painter.setFont(makeFont(14, true));
    painter.drawText(QRectF(kLeft, kTitleTop, kContentWidth, 90), Qt::AlignLeft | Qt::AlignVCenter,
                     list.title);
    painter.setFont(makeFont(7));
    painter.drawText(QRectF(kLeft, kTitleTop, kContentWidth, 90), Qt::AlignRight | Qt::AlignVCenter,
                     u"Impreso el "_s + printed_.toString(u"dd/MM/yyyy HH:mm"_s));

    // Column headers, repeated on every page.
    std::vector<double> lefts;
    double x = kLeft;
    for (const double width : widths_) {
        lefts.push_back(x);
        x += width;
    }
    const QFontMetricsF plainMetrics(plain), boldMetrics(bold);
    const AdvanceBound &plainBound = AdvanceBound::of(plain), &boldBound = AdvanceBound::of(bold);
    // The painter's font is set by the caller. A number always shows whole (its column is as
    // wide as the widest); a text too wide for its column is cut with "...".
    auto cell = [&](size_t index, double top, const QString& text, bool inBold) {
        const ColumnDef& column = list.columns[index];
        const QRectF box(lefts[index] + kCellPadding, top, widths_[index] - 2 * kCellPadding,
                         kRowHeight);
        const int align =
            (column.align == Align::Right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
        if (column.format != Format::Text) {
            painter.drawText(box, align | Qt::TextDontClip, text);
            return;
        }
        const bool fits = (inBold ? boldBound : plainBound).fits(text, box.width());
        const QFontMetricsF& metrics = inBold ? boldMetrics : plainMetrics;
        painter.drawText(box, align,
                         fits ? text : metrics.elidedText(text, Qt::ElideRight, box.width()));
    };
    painter.setFont(bold);
    for (size_t i = 0; i < list.columns.size(); ++i)
        cell(i, kHeaderTop, list.columns[i].header, true);
    painter.setPen(QPen(Qt::black, 3));
    painter.drawLine(QPointF(kLeft, kHeaderTop + kRowHeight + 8),
                     QPointF(kLeft + kContentWidth, kHeaderTop + kRowHeight + 8));
    painter.setPen(Qt::black);

    double top = kFirstRowTop;
    painter.setFont(plain);
    for (const Row& row : rows) {
        for (size_t i = 0; i < list.columns.size(); ++i)
            cell(i, top, cellText(row[i], list.columns[i].format), false);
        top += kRowHeight;
    }
    const int pages = pageCount();
    if (page == pages - 1) {
        // The total line closes the list: the count up to the first sum, then the sums.
        painter.setPen(QPen(Qt::black, 3));
        painter.drawLine(QPointF(kLeft, top + 4), QPointF(kLeft + kContentWidth, top + 4));
        painter.setPen(Qt::black);
        painter.setFont(bold);
        const double countRight =
            summed_.empty() ? kLeft + kContentWidth : lefts[size_t(summed_.front())];
        painter.drawText(QRectF(kLeft + kCellPadding, top + 8,
                                countRight - kLeft - 2 * kCellPadding, kRowHeight),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip,
                         u"Total: %1 registros"_s.arg(count_));
        for (size_t i = 0; i < summed_.size(); ++i)
            cell(size_t(summed_[i]), top + 8, numbertext::fixed(sums_[i]), true);
    }
    painter.setFont(makeFont(7));
    painter.drawText(QRectF(kLeft, kFooterTop, kContentWidth, 50),
                     Qt::AlignHCenter | Qt::AlignVCenter,
                     u"Página %1 de %2"_s.arg(page + 1).arg(pages));
}

void Report::paintLabels(QPainter& painter, int page, const std::vector<Row>& rows)
{
    const LabelDef& sheet = *def_.labels();
    const double pad = 15;
    const int firstSlot = page == 0 ? start_ - 1 : 0;
    const QFont priceFont = makeFont(sheet.pricePt, true);
    const QFont codeFont = makeFont(sheet.codePt > 0 ? sheet.codePt : 6);
    const QFontMetricsF codeMetrics(codeFont), priceMetrics(priceFont);
    std::vector<SizedFont> fonts =
        descriptionFonts(sheet.descriptionPt, sheet.smallestDescriptionPt);
    painter.translate(offset_.x() * kUnitsPerMm, offset_.y() * kUnitsPerMm);
    for (size_t i = 0; i < rows.size(); ++i) {
        const int slot = firstSlot + int(i);
        const int col = slot % sheet.columns, line = slot / sheet.columns;
        const QRectF label((sheet.leftMm + col * sheet.pitchXMm) * kUnitsPerMm,
                           (sheet.topMm + line * sheet.pitchYMm) * kUnitsPerMm,
                           sheet.widthMm * kUnitsPerMm, sheet.heightMm * kUnitsPerMm);
        const QRectF inner = label.adjusted(pad, pad, -pad, -pad);
        const Row& row = rows[i];
        const QString description = cellText(row[LabelDescripcion], Format::Text).simplified();
        const QString barcode = cellText(row[LabelCodBarra], Format::Text).trimmed();
        const QVariant price = row[LabelNeto1];
        QString priceText;
        if (price.isValid() && !price.isNull())
            priceText = u"$ "_s + cellText(price, Format::Fixed2);

        // From the bottom: the barcode with its code, then the price; the description takes the
        // rest.
        double bottom = inner.bottom();
        if (sheet.barcodeHeightMm > 0 && symbologyFor(barcode) != Symbology::None) {
            const double codeHeight = codeMetrics.height();
            const QRectF bars(inner.left(),
                              bottom - codeHeight - sheet.barcodeHeightMm * kUnitsPerMm,
                              inner.width(), sheet.barcodeHeightMm * kUnitsPerMm);
            if (drawBarcode(painter, bars, barcode, 3.3)) {
                painter.setFont(codeFont);
                painter.drawText(
                    QRectF(inner.left(), bottom - codeHeight, inner.width(), codeHeight),
                    Qt::AlignHCenter | Qt::AlignVCenter, barcode);
                bottom = bars.top() - 10;
            }
        }
        if (!priceText.isEmpty()) {
            // The price keeps its size unless the label is too narrow for it.
            const double wide = priceMetrics.horizontalAdvance(priceText);
            double height = priceMetrics.height();
            if (wide > inner.width()) {
                QFont font = priceFont;
                font.setPixelSize(std::max(1, int(font.pixelSize() * inner.width() / wide)));
                height = QFontMetricsF(font).height();
                painter.setFont(font);
            } else {
                painter.setFont(priceFont);
            }
            painter.drawText(QRectF(inner.left(), bottom - height, inner.width(), height),
                             Qt::AlignCenter, priceText);
            bottom -= height;
        }
        if (!description.isEmpty()) {
            const Fitted fitted =
                fitDescription(description, inner.width(), bottom - inner.top(), fonts);
            painter.setFont(fitted.font);
            double top = inner.top();
            for (const QString& text : fitted.lines) {
                painter.drawText(QRectF(inner.left(), top, inner.width(), fitted.lineHeight),
                                 Qt::AlignHCenter | Qt::AlignVCenter, text);
                top += fitted.lineHeight;
            }
        }
    }
}

void Report::renderAll(QPagedPaintDevice& device, QPainter& painter, int from, int to,
                       double unitsPerMm)
{
    const int per = rowsPerPage();
    int page = 0;
    int capacity = def_.labels() ? per - (start_ - 1) : per;
    std::vector<Row> rows;
    bool first = true;
    auto flush = [&] {
        if (page >= from && page <= to) {
            if (!first && !device.newPage()) throw EngineError(EngineErrorCode::IoError, def_.name);
            first = false;
            paint(painter, page, rows, unitsPerMm);
        }
        rows.clear();
        ++page;
        capacity = per;
    };
    source_->forEach([&](Row& row) {
        rows.push_back(row);
        if (int(rows.size()) == capacity) flush();
        return page <= to;
    });
    // The last page: what is left, or only the total line of a list.
    while (page < pageCount() && page <= to) flush();
}

void Report::print(QPrinter& printer, int from, int to)
{
    if (!source_) return;
    printer.setFullPage(true);
    QPainter painter;
    if (!painter.begin(&printer))
        throw EngineError(EngineErrorCode::IoError, printer.printerName());
    try {
        renderAll(printer, painter, std::max(0, from), std::min(to, pageCount() - 1),
                  printer.resolution() / 25.4);
    } catch (...) {
        painter.end();
        throw;
    }
    if (!painter.end()) throw EngineError(EngineErrorCode::IoError, printer.printerName());
}

void Report::exportPdf(const QString& path)
{
    if (!source_) return;
    const QFileInfo target(path);
    if (path.isEmpty() || target.isDir() || !target.absoluteDir().exists())
        throw EngineError(EngineErrorCode::PathNotValid, path);
    // Written under a temporary name and put in place once complete, as every file the program
    // writes: the file the user named is the old one or the whole new one.
    const QString temp = filereplace::temporaryFor(path);
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(temp);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setPageMargins(QMarginsF(0, 0, 0, 0));
        printer.setCreator(u"Sistema Valdrameno"_s);
        printer.setDocName(def_.caption);
        printer.setFullPage(true);
        QPainter painter;
        if (!painter.begin(&printer)) {
            filereplace::discard(temp);
            throw EngineError(EngineErrorCode::PathNotValid, path);
        }
        try {
            renderAll(printer, painter, 0, pageCount() - 1, printer.resolution() / 25.4);
        } catch (...) {
            painter.end();
            filereplace::discard(temp);
            throw;
        }
        // The printer writes the whole file when the painter ends; a file it could not write is
        // missing or empty.
        if (!painter.end() || QFileInfo(temp).size() == 0) {
            filereplace::discard(temp);
            throw EngineError(EngineErrorCode::IoError, path);
        }
    }
    filereplace::putInPlace(temp, path, filereplace::Mode::Replace);
}

void Report::exportSpreadsheet(const QString& path)
{
    if (source_) writeSpreadsheet(def_, *source_, path);
}

QPointF savedLabelOffset()
{
    const auto stored = settings::open();
    return {stored->value(u"etiquetas/desplazamientoX"_s, 0.0).toDouble(),
            stored->value(u"etiquetas/desplazamientoY"_s, 0.0).toDouble()};
}

void saveLabelOffset(QPointF offsetMm)
{
    const auto stored = settings::open();
    stored->setValue(u"etiquetas/desplazamientoX"_s, offsetMm.x());
    stored->setValue(u"etiquetas/desplazamientoY"_s, offsetMm.y());
}

}  // namespace reports
