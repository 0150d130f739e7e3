#include "widerfile.h"

#include <mdbtools.h>

#include <QFile>
#include <algorithm>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

quint32 read16(const unsigned char* at) { return quint32(at[0]) | quint32(at[1]) << 8; }
quint32 read32(const unsigned char* at) { return read16(at) | read16(at + 2) << 16; }
void write16(unsigned char* at, quint32 value)
{
    at[0] = uchar(value);
    at[1] = uchar(value >> 8);
}
void write32(unsigned char* at, quint32 value)
{
    write16(at, value);
    write16(at + 2, value >> 16);
}

// Jet 4's flags on a row's place in its page.
constexpr quint32 kDeleted = 0x4000, kElsewhere = 0x8000, kPlace = 0x1FFF;
// The first bytes of a text stored one byte to a character (Jet 4's compression).
constexpr unsigned char kCompressed[] = {0xFF, 0xFE};
// A page of a map of pages: its kind, then one bit for each page.
constexpr unsigned char kMapPage = 0x05;
constexpr int kMapHeader = 4;

// Where a row's code and barcode lie in its page.
struct RowPlaces {
    int entry;        // the row's entry in the page's table of rows
    int code;         // the code's 4 bytes
    int barcode = 0;  // the barcode's first byte; 0 when it is empty
    bool compressed = false;
};

struct DataPage {
    qint64 number;
    std::vector<RowPlaces> rows;
};

// The copy number `copy` as two capital letters that no barcode of the source starts with.
void markBarcode(unsigned char* page, const RowPlaces& row, qint64 copy)
{
    const char first = char('Q' + (copy / 26) % 10), second = char('A' + copy % 26);
    unsigned char* text = page + row.barcode;
    if (row.compressed) {
        text[2] = uchar(first);
        text[3] = uchar(second);
    } else {
        write16(text, uchar(first));
        write16(text + 2, uchar(second));
    }
}

struct Closer {
    void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
};

}  // namespace

QString writeWiderArticles(const QString& source, qint64 rows, const QString& target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) return u"no se puede leer "_s + source;
    QByteArray file = in.readAll();
    const std::unique_ptr<MdbHandle, Closer> mdb(
        mdb_open(QFile::encodeName(source).constData(), MDB_NOFLAGS));
    if (!mdb || IS_JET3(mdb.get())) return u"no es un archivo Jet 4"_s;
    const MdbFormatConstants& format = *mdb->fmt;
    const qsizetype pageSize = qsizetype(format.pg_size);
    mdb_read_catalog(mdb.get(), MDB_TABLE);
    MdbTableDef* table =
        mdb_read_table_by_name(mdb.get(), const_cast<gchar*>("articulos"), MDB_TABLE);
    if (!table) return u"sin tabla articulos"_s;
    const std::unique_ptr<MdbTableDef, decltype(&mdb_free_tabledef)> owned(table,
                                                                           mdb_free_tabledef);
    mdb_read_columns(table);
    int codeColumn = -1, barcodeColumn = -1;
    for (unsigned i = 0; i < table->num_cols; ++i) {
        const auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
        const QString name = QString::fromUtf8(column->name);
        if (name.compare(u"codigo"_s, Qt::CaseInsensitive) == 0) codeColumn = int(i);
        if (name.compare(u"codbarra"_s, Qt::CaseInsensitive) == 0) barcodeColumn = int(i);
    }
    if (codeColumn < 0 || barcodeColumn < 0) return u"sin codigo o codbarra"_s;

    // The table's data pages in the order the file holds them, and where each live row's code
    // and barcode lie.
    const quint32 definition = quint32(table->entry->table_pg);
    std::vector<DataPage> pages;
    quint32 lastCode = 0;
    std::vector<MdbField> fields(MDB_MAX_COLS);
    for (qint64 number = 1; number < file.size() / pageSize; ++number) {
        const auto* page =
            reinterpret_cast<const unsigned char*>(file.constData()) + number * pageSize;
        if (page[0] != 0x01 || read32(page + 4) != definition) continue;
        if (mdb_read_pg(mdb.get(), gulong(number)) != pageSize) return u"página ilegible"_s;
        DataPage data{number, {}};
        const int count = int(read16(page + format.row_count_offset));
        for (int entry = 0; entry < count; ++entry) {
            const quint32 place = read16(page + format.row_count_offset + 2 + 2 * entry);
            int start = 0;
            size_t size = 0;
            if (place & (kDeleted | kElsewhere) ||
                mdb_find_row(mdb.get(), entry, &start, &size) != 0)
                continue;
            const int cracked = mdb_crack_row(table, start & int(kPlace), size, fields.data());
            RowPlaces row{entry, -1};
            for (int f = 0; f < cracked; ++f) {
                if (fields[f].colnum == codeColumn && !fields[f].is_null)
                    row.code = fields[f].start;
                if (fields[f].colnum == barcodeColumn && !fields[f].is_null && fields[f].siz >= 4) {
                    row.barcode = fields[f].start;
                    row.compressed = std::equal(std::begin(kCompressed), std::end(kCompressed),
                                                page + row.barcode);
                }
            }
            if (row.code < 0) return u"fila sin código"_s;
            lastCode = std::max(lastCode, read32(page + row.code));
            data.rows.push_back(row);
        }
        pages.push_back(std::move(data));
    }
    qint64 perCopy = 0;
    for (const DataPage& page : pages) perCopy += qint64(page.rows.size());
    if (perCopy == 0) return u"tabla vacía"_s;
    const qint64 copies = (rows + perCopy - 1) / perCopy;

    // Every copy's pages after the file's end, the rows past `rows` marked deleted. The source's
    // own pages, changed in place, are written last with its table's new map and count.
    QFile out(target);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return u"no se puede escribir "_s + target;
    std::vector<qint64> dataPages;
    qint64 kept = 0, next = file.size() / pageSize;
    for (qint64 copy = 0; copy < std::max<qint64>(copies, 1); ++copy) {
        for (const DataPage& data : pages) {
            const qint64 number = copy == 0 ? data.number : next++;
            QByteArray bytes = file.mid(data.number * pageSize, pageSize);
            auto* page = reinterpret_cast<unsigned char*>(bytes.data());
            for (const RowPlaces& row : data.rows) {
                unsigned char* entry = page + format.row_count_offset + 2 + 2 * row.entry;
                if (kept++ >= rows) write16(entry, read16(entry) | kDeleted);
                if (copy == 0) continue;
                write32(page + row.code, read32(page + row.code) + quint32(copy) * lastCode);
                if (row.barcode > 0) markBarcode(page, row, copy);
            }
            if (copy == 0) file.replace(data.number * pageSize, pageSize, bytes);
            else if (!out.seek(number * pageSize) || out.write(bytes) != pageSize)
                return u"no se puede escribir "_s + target;
            dataPages.push_back(number);
        }
    }

    // The map of the table's pages: one bit a page, on pages of their own after the copies,
    // listed by the table's map row (Jet 4's map of the second kind).
    const qint64 bitsPerMapPage = (pageSize - kMapHeader) * 8;
    const qint64 mapPages = next / bitsPerMapPage + 1;
    QByteArray map(mapPages * pageSize, '\0');
    for (qint64 i = 0; i < mapPages; ++i) map[i * pageSize] = char(kMapPage);
    for (const qint64 number : dataPages) {
        const qint64 at =
            (number / bitsPerMapPage) * pageSize + kMapHeader + (number % bitsPerMapPage) / 8;
        map[at] = char(uchar(map[at]) | (1 << (number % 8)));
    }
    auto* tdef = reinterpret_cast<unsigned char*>(file.data()) + definition * pageSize;
    const quint32 mapRow = read32(tdef + format.tab_usage_map_offset);
    auto* mapPage = reinterpret_cast<unsigned char*>(file.data()) + (mapRow >> 8) * pageSize;
    const int entry = int(mapRow & 0xFF);
    const quint32 start = read16(mapPage + format.row_count_offset + 2 + 2 * entry) & kPlace;
    const quint32 end = entry == 0 ? quint32(pageSize)
                                   : read16(mapPage + format.row_count_offset + 2 * entry) & kPlace;
    if (end < start + 1 + 4 * quint32(mapPages)) return u"el mapa de páginas no cabe"_s;
    std::fill(mapPage + start, mapPage + end, 0);
    mapPage[start] = 1;
    for (qint64 i = 0; i < mapPages; ++i) write32(mapPage + start + 1 + 4 * i, quint32(next + i));
    write32(tdef + format.tab_num_rows_offset, quint32(std::min(rows, copies * perCopy)));

    if (!out.seek(0) || out.write(file) != file.size() || !out.seek(next * pageSize) ||
        out.write(map) != map.size() || !out.flush())
        return u"no se puede escribir "_s + target;
    return {};
}
