#include "pricelist.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringConverter>
#include <QXmlStreamReader>
#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>

#include <unzip.h>

#include "data/engine.h"
#include "data/errors.h"
#include "data/numbertext.h"
#include "data/sharedlibrary.h"

using namespace Qt::StringLiterals;

namespace pricelist {

namespace {

// A CSV bigger than this is no price list; reading it whole would take three times its size.
constexpr qint64 kMaxCsvBytes = 128 * 1024 * 1024;
// The most one part of an .xlsx or .ods may unpack to: a sheet at the cell limit with long
// texts fits.
constexpr qint64 kMaxPartBytes = 256 * 1024 * 1024;
// Text of shared strings an .xlsx may hold, in characters.
constexpr qint64 kMaxSharedText = 64 * 1024 * 1024;

EngineError damaged(const QString& path, const QString& reason)
{
    return EngineError(EngineErrorCode::NotOurFormat, path + u": "_s + reason);
}

// ---------------------------------------------------------------- the file

// Opens the file itself, not what a later open of the same name might find. Non-blocking, so a
// FIFO does not wait for a writer; only a regular file is read.
std::unique_ptr<QFile> openForReading(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        switch (errno) {
        case ENOENT:
        case ENOTDIR:
            throw EngineError(EngineErrorCode::FileNotFound, path);
        case EACCES:
        case EPERM:
            throw EngineError(EngineErrorCode::NoReadPermission, path);
        default:
            throw EngineError(EngineErrorCode::CannotOpenFile, path);
        }
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        throw EngineError(EngineErrorCode::CannotOpenFile, path);
    }
    auto file = std::make_unique<QFile>();
    if (!file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw EngineError(EngineErrorCode::CannotOpenFile, path);
    }
    return file;
}

// ---------------------------------------------------------------- building the sheet

// Puts cells where their row and column say, filling the gaps before them with empty cells and
// refusing a sheet beyond the limits. Empty cells are not stored, so trailing ones cost nothing.
class SheetBuilder {
public:
    explicit SheetBuilder(const QString& path) : path_(path) {}

    void put(qint64 row, qint64 column, const QString& text)
    {
        if (text.isEmpty()) return;
        if (row >= kMaxRows)
            throw damaged(path_, QStringLiteral("la hoja tiene más de %1 filas").arg(kMaxRows));
        if (column >= kMaxColumns)
            throw damaged(path_,
                          QStringLiteral("la hoja tiene más de %1 columnas").arg(kMaxColumns));
        if (row >= sheet_.rows.size()) sheet_.rows.resize(row + 1);
        QStringList& cells = sheet_.rows[row];
        if (column >= cells.size()) {
            cellCount_ += column + 1 - cells.size();
            if (cellCount_ > kMaxCells)
                throw damaged(path_,
                              QStringLiteral("la hoja tiene más de %1 celdas").arg(kMaxCells));
            cells.resize(column + 1);
        }
        cells[column] = text;
    }

    Sheet take() { return std::move(sheet_); }

private:
    QString path_;
    Sheet sheet_;
    qint64 cellCount_ = 0;
};

// A number as a spreadsheet stores it ("1234.5", "1.2345E3") written with a decimal point, no
// exponent and at most 15 significant digits, as the spreadsheet shows it; other text as it is.
QString numberText(QStringView stored)
{
    const QByteArray latin = stored.trimmed().toLatin1();
    double value = 0;
    const auto [end, ec] =
        std::from_chars(latin.constData(), latin.constData() + latin.size(), value);
    if (latin.isEmpty() || ec != std::errc() || end != latin.constData() + latin.size() ||
        !std::isfinite(value))
        return stored.toString();
    return numbertext::shortest(value).replace(u',', u'.');
}

QString booleanText(bool value) { return value ? u"VERDADERO"_s : u"FALSO"_s; }

// ---------------------------------------------------------------- CSV

// Windows-1252: Latin-1 except for 0x80-0x9F, where it has typographic signs. The five bytes it
// leaves undefined keep their Latin-1 code, as Windows does.
QString fromWindows1252(QByteArrayView bytes)
{
    static constexpr std::array<char16_t, 32> kHigh = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        *out++ = byte >= 0x80 && byte < 0xA0 ? QChar(kHigh[byte - 0x80]) : QChar(char16_t(byte));
    }
    return text;
}

QString decodeCsv(const QByteArray& bytes)
{
    QByteArrayView body(bytes);
    if (body.startsWith("\xEF\xBB\xBF")) body = body.sliced(3);
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8(body);
    return utf8.hasError() ? fromWindows1252(body) : text;
}

// The separator the first line uses more, outside quotes: ';' or ','.
QChar csvSeparator(QStringView text)
{
    int commas = 0, semicolons = 0;
    bool quoted = false;
    for (const QChar c : text) {
        if (c == u'"') quoted = !quoted;
        else if (!quoted && (c == u'\n' || c == u'\r')) break;
        else if (!quoted && c == u',') ++commas;
        else if (!quoted && c == u';') ++semicolons;
    }
    return semicolons > commas ? u';' : u',';
}

Sheet readCsv(QFile& file, const QString& path)
{
    if (file.size() > kMaxCsvBytes)
        throw damaged(path,
                      QStringLiteral("el archivo pasa de %1 MB").arg(kMaxCsvBytes / (1024 * 1024)));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EngineError(EngineErrorCode::CannotOpenFile, path);
    const QString text = decodeCsv(bytes);
    const QChar separator = csvSeparator(text);

    SheetBuilder sheet(path);
    qint64 row = 0, column = 0, line = 1, quoteLine = 0;
    QString field;
    bool inQuotes = false, wasQuoted = false;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text[i];
        if (inQuotes) {
            if (c != u'"') field += c;
            else if (i + 1 < size && text[i + 1] == u'"') field += text[++i];
            else inQuotes = false;
            if (c == u'\n') ++line;
            continue;
        }
        if (c == u'"' && field.isEmpty() && !wasQuoted) {
            inQuotes = wasQuoted = true;
            quoteLine = line;
        } else if (c == separator) {
            sheet.put(row, column++, field);
            field.clear();
            wasQuoted = false;
        } else if (c == u'\n' || c == u'\r') {
            sheet.put(row, column, field);
            field.clear();
            wasQuoted = false;
            column = 0;
            ++row;
            ++line;
            if (c == u'\r' && i + 1 < size && text[i + 1] == u'\n') ++i;
        } else {
            field += c;
        }
    }
    if (inQuotes)
        throw damaged(
            path,
            QStringLiteral("unas comillas abiertas en la línea %1 no se cierran").arg(quoteLine));
    sheet.put(row, column, field);
    return sheet.take();
}

// ---------------------------------------------------------------- zip packages (.xlsx, .ods)

// minizip reads a package through these, from the file already open (the one checked to be a
// regular file), never by opening its name again.
namespace zipio {

voidpf open(voidpf, const void* file, int) { return const_cast<void*>(file); }

uLong read(voidpf, voidpf file, void* buffer, uLong size)
{
    const qint64 n = static_cast<QFile*>(file)->read(static_cast<char*>(buffer), qint64(size));
    return n < 0 ? 0 : uLong(n);
}

uLong write(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T tell(voidpf, voidpf file) { return ZPOS64_T(static_cast<QFile*>(file)->pos()); }

long seek(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    QFile* file = static_cast<QFile*>(stream);
    const qint64 base = origin == ZLIB_FILEFUNC_SEEK_CUR   ? file->pos()
                        : origin == ZLIB_FILEFUNC_SEEK_END ? file->size()
                                                           : 0;
    // An offset from a damaged header may be anything.
    if (offset > ZPOS64_T(std::numeric_limits<qint64>::max() - base)) return -1;
    return file->seek(base + qint64(offset)) ? 0 : -1;
}

int close(voidpf, voidpf) { return 0; }  // the file is its caller's

int error(voidpf, voidpf file)
{
    return static_cast<QFile*>(file)->error() != QFileDevice::NoError;
}

}  // namespace zipio

// The functions of the system's minizip the reader uses, loaded at the first .xlsx or .ods read
// instead of at the program's start (data/sharedlibrary.h). The soname is Debian's
// (package libminizip1), the one libxlsxwriter links, so both share one copy.
struct LibMinizip {
    decltype(&::unzOpen2_64) unzOpen2_64;
    decltype(&::unzClose) unzClose;
    decltype(&::unzLocateFile) unzLocateFile;
    decltype(&::unzGetCurrentFileInfo64) unzGetCurrentFileInfo64;
    decltype(&::unzOpenCurrentFile) unzOpenCurrentFile;
    decltype(&::unzReadCurrentFile) unzReadCurrentFile;
    decltype(&::unzCloseCurrentFile) unzCloseCurrentFile;
};

const LibMinizip& minizip()
{
    static const LibMinizip functions = [] {
        static const SharedLibrary library("libminizip.so.1");
        return LibMinizip{
            LIBRARY_FUNCTION(library, unzOpen2_64),
            LIBRARY_FUNCTION(library, unzClose),
            LIBRARY_FUNCTION(library, unzLocateFile),
            LIBRARY_FUNCTION(library, unzGetCurrentFileInfo64),
            LIBRARY_FUNCTION(library, unzOpenCurrentFile),
            LIBRARY_FUNCTION(library, unzReadCurrentFile),
            LIBRARY_FUNCTION(library, unzCloseCurrentFile),
        };
    }();
    return functions;
}

class Package {
public:
    Package(QFile& file, const QString& path, const QString& kind) : path_(path), kind_(kind)
    {
        zlib_filefunc64_def io{zipio::open, zipio::read,  zipio::write, zipio::tell,
                               zipio::seek, zipio::close, zipio::error, nullptr};
        zip_ = minizip().unzOpen2_64(&file, &io);
        if (!zip_)
            throw damaged(path_,
                          QStringLiteral("no es un %1: no es un archivo comprimido o está dañado")
                              .arg(kind_));
    }
    ~Package() { minizip().unzClose(zip_); }  // closes the part being read too
    Package(const Package&) = delete;
    Package& operator=(const Package&) = delete;

    // Makes `name` (without regard to ASCII case) the current part; false when there is none.
    bool has(const QString& name)
    {
        const int found =
            minizip().unzLocateFile(zip_, name.toUtf8().constData(), kCaseInsensitive);
        if (found == UNZ_END_OF_LIST_OF_FILE || found == UNZ_PARAMERROR)
            return false;  // too long a name
        if (found != UNZ_OK) throw brokenPart(name);
        return true;
    }

    // Reads the part `name` through `parse`; a part that cannot be unpacked or is not
    // well-formed XML makes the file damaged. The part is unpacked whole first: its checksum
    // is checked at its end.
    void readXml(const QString& name, const std::function<void(QXmlStreamReader&)>& parse)
    {
        QXmlStreamReader xml(unpack(name));
        parse(xml);
        if (xml.hasError()) throw brokenPart(name);
    }

private:
    static constexpr int kCaseInsensitive = 2;

    QByteArray unpack(const QString& name)
    {
        if (!has(name))
            throw damaged(path_, QStringLiteral("no es un %1: le falta %2").arg(kind_, name));
        unz_file_info64 info{};
        if (minizip().unzGetCurrentFileInfo64(zip_, &info, nullptr, 0, nullptr, 0, nullptr, 0) !=
            UNZ_OK)
            throw brokenPart(name);
        if (info.uncompressed_size > quint64(kMaxPartBytes)) throw tooBig(name);
        if (minizip().unzOpenCurrentFile(zip_) != UNZ_OK) throw brokenPart(name);
        // minizip stops at the size the entry declares; the limit is checked again while
        // reading all the same, and a part that ends before that size is damaged.
        QByteArray bytes;
        std::array<char, 64 * 1024> buffer;
        for (int n; (n = minizip().unzReadCurrentFile(zip_, buffer.data(),
                                                      unsigned(buffer.size()))) != 0;) {
            if (n < 0) throw brokenPart(name);
            if (bytes.size() + n > kMaxPartBytes) throw tooBig(name);
            bytes.append(buffer.data(), n);
        }
        // The checksum is compared when the whole part has been read.
        if (minizip().unzCloseCurrentFile(zip_) != UNZ_OK ||
            quint64(bytes.size()) != info.uncompressed_size)
            throw brokenPart(name);
        return bytes;
    }

    EngineError brokenPart(const QString& name) const
    {
        return damaged(path_,
                       QStringLiteral("el %1 está dañado (no se puede leer %2)").arg(kind_, name));
    }

    EngineError tooBig(const QString& name) const
    {
        return damaged(
            path_, QStringLiteral("%1 pasa de %2 MB").arg(name).arg(kMaxPartBytes / (1024 * 1024)));
    }

    unzFile zip_ = nullptr;
    QString path_, kind_;
};

// ---------------------------------------------------------------- .xlsx

struct Relationship {
    QString id, type, target;
};

QList<Relationship> relationships(Package& package, const QString& name)
{
    QList<Relationship> found;
    if (!package.has(name)) return found;
    package.readXml(name, [&](QXmlStreamReader& xml) {
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement() || xml.name() != u"Relationship") continue;
            const QXmlStreamAttributes a = xml.attributes();
            if (a.value("TargetMode"_L1) == u"External") continue;
            found.push_back({a.value("Id"_L1).toString(), a.value("Type"_L1).toString(),
                             a.value("Target"_L1).toString()});
        }
    });
    return found;
}

// A relationship's target as a part name: relative to the folder of the part that names it.
QString partName(const QString& folder, const QString& target)
{
    if (target.startsWith(u'/')) return target.mid(1);
    return QDir::cleanPath(folder + target);
}

// Reads the text of an <si> or <is> element: its <t>, or the <t> of its runs, without the
// phonetic guides.
QString richText(QXmlStreamReader& xml)
{
    QString text;
    int depth = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == u"t")
                text += xml.readElementText(QXmlStreamReader::IncludeChildElements);
            else if (xml.name() == u"rPh" || xml.name() == u"phoneticPr") xml.skipCurrentElement();
            else ++depth;
        } else if (xml.isEndElement()) {
            if (depth-- == 0) break;
        }
    }
    return text;
}

QStringList sharedStrings(Package& package, const QString& name, const QString& path)
{
    QStringList strings;
    qint64 characters = 0;
    package.readXml(name, [&](QXmlStreamReader& xml) {
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement() || xml.name() != u"si") continue;
            strings << richText(xml);
            characters += strings.back().size();
            if (strings.size() > kMaxCells || characters > kMaxSharedText)
                throw damaged(path, u"el libro tiene demasiados textos"_s);
        }
    });
    return strings;
}

// "C7" as a 0-based column and row; false for anything else.
bool cellReference(QStringView reference, qint64& column, qint64& row)
{
    qsizetype i = 0;
    qint64 letters = 0;
    for (; i < reference.size() && reference[i].isLetter(); ++i) {
        const char16_t c = reference[i].toUpper().unicode();
        if (c < u'A' || c > u'Z' || ++letters > 3) return false;
        column = (letters == 1 ? 0 : column + 1) * 26 + (c - u'A');
    }
    if (letters == 0 || i == reference.size() || reference.size() - i > 7) return false;
    bool ok = false;
    row = reference.sliced(i).toLongLong(&ok) - 1;
    return ok && row >= 0 && reference[i].isDigit();
}

void readWorksheet(QXmlStreamReader& xml, const QStringList& strings, SheetBuilder& sheet,
                   const QString& path)
{
    qint64 row = -1, column = -1;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) continue;
        if (xml.name() == u"row") {
            const QString number = xml.attributes().value("r"_L1).toString();
            bool ok = true;
            row = number.isEmpty() ? row + 1 : number.toLongLong(&ok) - 1;
            if (!ok || row < 0)
                throw damaged(path, QStringLiteral("una fila tiene el número «%1»").arg(number));
            column = -1;
        } else if (xml.name() == u"c") {
            const QXmlStreamAttributes a = xml.attributes();
            const QString type = a.value("t"_L1).toString(), reference = a.value("r"_L1).toString();
            if (reference.isEmpty()) {
                ++column;
            } else {
                qint64 referencedRow = 0;
                if (!cellReference(reference, column, referencedRow))
                    throw damaged(
                        path, QStringLiteral("una celda tiene la referencia «%1»").arg(reference));
                row = referencedRow;
            }
            if (row < 0) row = 0;
            QString value, inlineText;
            while (xml.readNextStartElement()) {
                if (xml.name() == u"v") value = xml.readElementText();
                else if (xml.name() == u"is") inlineText = richText(xml);
                else xml.skipCurrentElement();
            }
            QString text;
            if (type == u"s" && !value.isEmpty()) {
                bool ok = false;
                const qint64 index = value.trimmed().toLongLong(&ok);
                if (!ok || index < 0 || index >= strings.size())
                    throw damaged(path,
                                  QStringLiteral("la celda %1 remite a un texto que no existe")
                                      .arg(reference));
                text = strings[index];
            } else if (type == u"inlineStr") {
                text = inlineText;
            } else if (type == u"b") {
                text = booleanText(value.trimmed() == u"1");
            } else if (type == u"str" || type == u"e" || type == u"d") {
                text = value;
            } else {
                text = numberText(value);
            }
            sheet.put(row, column, text);
        }
    }
}

Sheet readXlsx(QFile& file, const QString& path)
{
    Package package(file, path, u"libro .xlsx"_s);
    QString workbook = u"xl/workbook.xml"_s;
    for (const Relationship& r : relationships(package, u"_rels/.rels"_s))
        if (r.type.endsWith(u"/officeDocument")) workbook = partName(QString(), r.target);
    const QString folder = workbook.left(workbook.lastIndexOf(u'/') + 1);
    const QList<Relationship> parts =
        relationships(package, folder + u"_rels/"_s + workbook.mid(folder.size()) + u".rels"_s);

    // The sheets in the workbook's order; the first that is a worksheet (not a chart) is read.
    QStringList sheetIds;
    package.readXml(workbook, [&](QXmlStreamReader& xml) {
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement() || xml.name() != u"sheet") continue;
            for (const QXmlStreamAttribute& a : xml.attributes())
                if (a.name() == u"id" && a.namespaceUri().endsWith(u"/relationships"))
                    sheetIds << a.value().toString();
        }
    });
    QString worksheet, strings;
    for (const QString& id : sheetIds) {
        for (const Relationship& r : parts)
            if (r.id == id && r.type.endsWith(u"/worksheet") && worksheet.isEmpty())
                worksheet = partName(folder, r.target);
    }
    for (const Relationship& r : parts)
        if (r.type.endsWith(u"/sharedStrings")) strings = partName(folder, r.target);
    if (worksheet.isEmpty() || !package.has(worksheet))
        throw damaged(path, u"el libro no tiene ninguna hoja de cálculo"_s);

    const QStringList shared =
        strings.isEmpty() ? QStringList() : sharedStrings(package, strings, path);
    SheetBuilder sheet(path);
    package.readXml(worksheet,
                    [&](QXmlStreamReader& xml) { readWorksheet(xml, shared, sheet, path); });
    return sheet.take();
}

// ---------------------------------------------------------------- .ods

const QString kOffice = u"urn:oasis:names:tc:opendocument:xmlns:office:1.0"_s;
const QString kTable = u"urn:oasis:names:tc:opendocument:xmlns:table:1.0"_s;
const QString kText = u"urn:oasis:names:tc:opendocument:xmlns:text:1.0"_s;

// A repeat count; beyond the sheet's limits it makes no difference how far.
qint64 repeatCount(const QXmlStreamAttributes& a, const QString& name)
{
    const qint64 count = a.value(kTable, name).toLongLong();
    return std::clamp<qint64>(count, 1, kMaxRows + 1);
}

// The text a cell shows: its paragraphs joined by line breaks, without its comments.
QString shownText(QXmlStreamReader& xml)
{
    QString text;
    int depth = 0, paragraphDepth = -1, paragraphs = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const bool textElement = xml.namespaceUri() == kText;
            if (!textElement) {
                xml.skipCurrentElement();  // comments, drawings
                continue;
            }
            ++depth;
            if (xml.name() == u"p" || xml.name() == u"h") {
                if (paragraphs++ > 0) text += u'\n';
                paragraphDepth = depth;
            } else if (xml.name() == u"s") {
                const qint64 spaces = xml.attributes().value(kText, u"c"_s).toLongLong();
                text += QString(std::clamp<qint64>(spaces, 1, 1000), u' ');
            } else if (xml.name() == u"tab") {
                text += u'\t';
            } else if (xml.name() == u"line-break") {
                text += u'\n';
            }
        } else if (xml.isEndElement()) {
            if (depth == 0) break;
            if (depth-- == paragraphDepth) paragraphDepth = -1;
        } else if (xml.isCharacters() && paragraphDepth != -1) {
            text += xml.text();
        }
    }
    return text;
}

// The cell the reader is at: its stored value for numbers, truth values, dates and times,
// otherwise the text it shows.
QString odsCellText(QXmlStreamReader& xml)
{
    const QXmlStreamAttributes a = xml.attributes();
    const QStringView type = a.value(kOffice, u"value-type"_s);
    const QString shown = shownText(xml);
    if (type == u"float" || type == u"percentage" || type == u"currency")
        return numberText(a.value(kOffice, u"value"_s));
    if (type == u"boolean") return booleanText(a.value(kOffice, u"boolean-value"_s) == u"true");
    if (type == u"date") return a.value(kOffice, u"date-value"_s).toString();
    if (type == u"time") return a.value(kOffice, u"time-value"_s).toString();
    if (a.hasAttribute(kOffice, u"string-value"_s))
        return a.value(kOffice, u"string-value"_s).toString();
    return shown;
}

struct OdsCell {
    qint64 column, repeat;
    QString text;
};

// The row the reader is at, `repeat` times from `row`.
void readOdsRow(QXmlStreamReader& xml, qint64 row, qint64 repeat, SheetBuilder& sheet)
{
    std::vector<OdsCell> cells;
    qint64 column = 0;
    while (xml.readNextStartElement()) {
        if (xml.namespaceUri() != kTable ||
            (xml.name() != u"table-cell" && xml.name() != u"covered-table-cell")) {
            xml.skipCurrentElement();
            continue;
        }
        const qint64 count =
            std::min(repeatCount(xml.attributes(), u"number-columns-repeated"_s), kMaxColumns + 1);
        QString text = odsCellText(xml);
        if (!text.isEmpty()) cells.push_back({column, count, std::move(text)});
        column += count;
    }
    for (qint64 r = 0; r < repeat && !cells.empty(); ++r)
        for (const OdsCell& cell : cells)
            for (qint64 c = 0; c < cell.repeat; ++c) sheet.put(row + r, cell.column + c, cell.text);
}

// The rows of the table the reader is at, also those in row groups and header rows.
void readOdsTable(QXmlStreamReader& xml, SheetBuilder& sheet)
{
    qint64 row = 0;
    int depth = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement() && depth-- == 0) return;
        if (!xml.isStartElement()) continue;
        const bool rowGroup = xml.namespaceUri() == kTable &&
                              (xml.name() == u"table-row-group" ||
                               xml.name() == u"table-header-rows" || xml.name() == u"table-rows");
        if (rowGroup) {
            ++depth;
        } else if (xml.namespaceUri() == kTable && xml.name() == u"table-row") {
            const qint64 repeat = repeatCount(xml.attributes(), u"number-rows-repeated"_s);
            readOdsRow(xml, row, repeat, sheet);
            row += repeat;
        } else {
            xml.skipCurrentElement();
        }
    }
}

Sheet readOds(QFile& file, const QString& path)
{
    Package package(file, path, u"libro .ods"_s);
    SheetBuilder sheet(path);
    bool found = false;
    package.readXml(u"content.xml"_s, [&](QXmlStreamReader& xml) {
        while (!found && !xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.namespaceUri() == kTable && xml.name() == u"table") {
                found = true;
                readOdsTable(xml, sheet);
            }
        }
        // The rest of the document is read too, so that a damaged end is noticed.
        while (!xml.atEnd()) xml.readNext();
    });
    if (!found) throw damaged(path, u"el libro no tiene ninguna hoja de cálculo"_s);
    return sheet.take();
}

// ---------------------------------------------------------------- costs

enum class CostProblem { None, Missing, NotANumber, Ambiguous, Negative };

struct CostReading {
    double value = 0;
    CostProblem problem = CostProblem::None;
};

// Digits grouped by `separator` in threes after a first group of one to three digits that
// does not start with a zero ("1.234.567"), with the separators taken out; empty otherwise.
QString ungrouped(QStringView text, QChar separator)
{
    const QList<QStringView> groups = text.split(separator);
    if (groups.front().isEmpty() || groups.front().size() > 3 || groups.front().front() == u'0')
        return QString();
    for (qsizetype i = 1; i < groups.size(); ++i)
        if (groups[i].size() != 3) return QString();
    QString digits;
    for (QStringView group : groups) digits += group;
    return digits;
}

CostReading readCost(const QString& cell)
{
    QStringView text = QStringView(cell).trimmed();
    if (text.isEmpty()) return {0, CostProblem::Missing};
    bool negative = false;
    if (text.startsWith(u'-') || text.startsWith(u'\u2212')) {
        negative = true;
        text = text.sliced(1).trimmed();
    }
    if (text.startsWith(u'$')) text = text.sliced(1).trimmed();
    if (!negative && text.startsWith(u'-')) {  // "$ -5"
        negative = true;
        text = text.sliced(1);
    }
    bool digits = false;
    for (const QChar c : text) {
        if (c.unicode() >= u'0' && c.unicode() <= u'9') digits = true;
        else if (c != u'.' && c != u',') return {0, CostProblem::NotANumber};
    }
    if (!digits) return {0, CostProblem::NotANumber};
    if (negative) return {0, CostProblem::Negative};

    const qsizetype dots = text.count(u'.'), commas = text.count(u',');
    QString whole;
    QStringView decimals;
    bool hasDecimals = false;
    auto splitAt = [&](qsizetype point) {
        whole = text.first(point).toString();
        decimals = text.sliced(point + 1);
        hasDecimals = true;
    };
    if (dots > 0 && commas > 0) {
        const QChar point = text.lastIndexOf(u'.') > text.lastIndexOf(u',') ? u'.' : u',';
        if (text.count(point) != 1) return {0, CostProblem::NotANumber};
        splitAt(text.lastIndexOf(point));
        whole = ungrouped(whole, point == u'.' ? u',' : u'.');
        if (whole.isEmpty()) return {0, CostProblem::NotANumber};
    } else if (commas == 1) {
        splitAt(text.indexOf(u','));
    } else if (dots == 1) {
        const qsizetype point = text.indexOf(u'.');
        if (point >= 1 && point <= 3 && text.size() - point - 1 == 3 && text.front() != u'0')
            return {0, CostProblem::Ambiguous};
        splitAt(point);
    } else if (dots > 1 || commas > 1) {
        whole = ungrouped(text, dots > 1 ? u'.' : u',');
        if (whole.isEmpty()) return {0, CostProblem::NotANumber};
    } else {
        whole = text.toString();
    }
    if (hasDecimals && decimals.isEmpty()) return {0, CostProblem::NotANumber};  // "1234,"

    const QByteArray plain = (whole.isEmpty() ? u"0"_s : whole).toLatin1() +
                             (hasDecimals ? "." + decimals.toLatin1() : QByteArray());
    double value = 0;
    const auto [end, ec] =
        std::from_chars(plain.constData(), plain.constData() + plain.size(), value);
    if (ec != std::errc() || end != plain.constData() + plain.size() || !std::isfinite(value))
        return {0, CostProblem::NotANumber};
    return {value, CostProblem::None};
}

// ---------------------------------------------------------------- matching

QString cellAt(const QStringList& row, int column)
{
    return column < row.size() ? row[column].trimmed() : QString();
}

// A supplier code as the comparison sees it: "3" and "0003" are the same supplier.
QString supplierKey(const QString& code)
{
    QString key = code.trimmed();
    const bool allDigits =
        !key.isEmpty() && std::all_of(key.begin(), key.end(), [](QChar c) { return c.isDigit(); });
    if (allDigits) {
        while (key.size() > 1 && key.front() == u'0') key.remove(0, 1);
        return key;
    }
    return key.toCaseFolded();
}

// The cost problem's reason; `cell` is the cost as written.
QString costReason(CostProblem problem, const QString& cell)
{
    switch (problem) {
    case CostProblem::Missing:
        return u"falta el costo"_s;
    case CostProblem::NotANumber:
        return u"el costo no es un número"_s;
    case CostProblem::Negative:
        return u"el costo es negativo"_s;
    case CostProblem::Ambiguous: {
        const QString written = cell.trimmed();
        const QString number = QString(written).remove(u'$').trimmed();
        return QStringLiteral("el costo %1 es ambiguo (¿miles o decimales?): escriba %2 o %3")
            .arg(written, QString(number).remove(u'.'), QString(number).replace(u'.', u','));
    }
    case CostProblem::None:
        break;
    }
    return QString();
}

}  // namespace

Sheet read(const QString& path)
{
    const std::unique_ptr<QFile> file = openForReading(path);
    const QString extension = QFileInfo(path).suffix().toLower();
    if (extension == u"csv") return readCsv(*file, path);
    if (extension == u"xlsx") return readXlsx(*file, path);
    if (extension == u"ods") return readOds(*file, path);
    throw damaged(path, u"una lista de precios se lee de un archivo .csv, .xlsx u .ods"_s);
}

std::optional<double> parseCost(const QString& cell)
{
    const CostReading cost = readCost(cell);
    if (cost.problem != CostProblem::None) return std::nullopt;
    return cost.value;
}

Matching match(Database& articulos, const Sheet& sheet, int firstRow, int keyColumn, Key key,
               int costColumn, const QString& supplier)
{
    if (keyColumn < 0 || costColumn < 0)
        throw EngineError(EngineErrorCode::InvalidArgument, u"columna negativa"_s);
    const bool byBarcode = key == Key::Barcode;
    const QString query =
        byBarcode ? u"SELECT codigo, codp FROM articulos WHERE codbarra = ?1 ORDER BY codigo"_s
                  : u"SELECT codigo, codp FROM articulos WHERE codigo = ?1"_s;
    const QString wantedSupplier = supplierKey(supplier);

    struct Candidate {
        Match match;
        QString withdrawn;  // why a later row took it back
    };
    std::vector<Candidate> candidates;
    QHash<qint64, size_t> firstOf;  // article code -> its candidate
    Matching result;
    auto reject = [&](int row, const QString& reason) { result.rejected.push_back({row, reason}); };

    for (qsizetype i = std::max(firstRow, 0); i < sheet.rows.size(); ++i) {
        const QStringList& cells = sheet.rows[i];
        const int row = int(i) + 1;
        if (std::all_of(cells.begin(), cells.end(),
                        [](const QString& c) { return c.trimmed().isEmpty(); }))
            continue;

        const QString keyText = cellAt(cells, keyColumn);
        if (keyText.isEmpty()) {
            reject(row,
                   byBarcode ? u"falta el código de barras"_s : u"falta el código del artículo"_s);
            continue;
        }
        QVariant keyValue = keyText;
        if (!byBarcode) {
            bool ok = false;
            const qint64 code = keyText.toLongLong(&ok);
            if (!ok || code <= 0) {
                reject(row, u"el código del artículo no es un número"_s);
                continue;
            }
            keyValue = code;
        }
        QList<QVariantList> articles = articulos.Select(query, {keyValue});
        if (articles.isEmpty()) {
            reject(row, byBarcode ? u"no hay artículo con ese código de barras"_s
                                  : u"no hay artículo con ese código"_s);
            continue;
        }
        if (!wantedSupplier.isEmpty()) {
            articles.removeIf([&](const QVariantList& a) {
                return supplierKey(a.value(1).toString()) != wantedSupplier;
            });
            if (articles.isEmpty()) {
                reject(row, u"el artículo es de otro proveedor"_s);
                continue;
            }
        }
        if (articles.size() > 1) {
            QStringList codes;
            for (const QVariantList& a : articles) codes << a.value(0).toString();
            reject(row, QStringLiteral("hay %1 artículos con ese código de barras (%2)")
                            .arg(articles.size())
                            .arg(codes.join(u", "_s)));
            continue;
        }
        const QString costText = cellAt(cells, costColumn);
        const CostReading cost = readCost(costText);
        if (cost.problem != CostProblem::None) {
            reject(row, costReason(cost.problem, costText));
            continue;
        }
        if (cost.value == 0) {
            reject(row, u"el costo es cero"_s);
            continue;
        }
        const qint64 codigo = articles.front().value(0).toLongLong();
        if (const auto earlier = firstOf.constFind(codigo); earlier != firstOf.cend()) {
            Candidate& first = candidates[*earlier];
            reject(row,
                   QStringLiteral("código repetido en la lista (fila %1)").arg(first.match.row));
            if (first.match.newCost != cost.value && first.withdrawn.isEmpty())
                first.withdrawn =
                    QStringLiteral("código repetido en la lista con otro costo (fila %1)").arg(row);
            continue;
        }
        firstOf.insert(codigo, candidates.size());
        candidates.push_back({{row, codigo, cost.value}, QString()});
    }

    for (const Candidate& c : candidates) {
        if (c.withdrawn.isEmpty()) result.matched.push_back(c.match);
        else reject(c.match.row, c.withdrawn);
    }
    std::stable_sort(result.rejected.begin(), result.rejected.end(),
                     [](const Rejected& a, const Rejected& b) { return a.row < b.row; });
    return result;
}

}  // namespace pricelist
