#include "legacyfile.h"

#include <fcntl.h>
#include <mdbtools.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <charconv>
#include <cmath>
#include <cstring>

using namespace Qt::StringLiterals;

namespace legacy {

namespace {

// Jet 4 text: UTF-16LE, or "compressed" after the marker FF FE, where single bytes stand for
// the characters up to U+00FF and each 00 byte switches between one-byte and two-byte runs.
QString decodeJet4Text(const unsigned char* p, int len)
{
    QString out;
    if (len >= 2 && p[0] == 0xFF && p[1] == 0xFE) {
        out.reserve(len);
        bool oneByte = true;
        for (int i = 2; i < len;) {
            if (p[i] == 0) {
                oneByte = !oneByte;
                ++i;
            } else if (oneByte) {
                out.append(QChar(char16_t(p[i++])));
            } else if (i + 1 < len) {
                out.append(QChar(char16_t(p[i] | (p[i + 1] << 8))));
                i += 2;
            } else {
                break;
            }
        }
        return out;
    }
    out.reserve(len / 2);
    for (int i = 0; i + 1 < len; i += 2) out.append(QChar(char16_t(p[i] | (p[i + 1] << 8))));
    return out;
}

// Why a decoded text cannot be stored as it is, or empty: other programs cut a text at a NUL,
// and half of a UTF-16 pair is no character.
QString textDamage(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isNull())
            return QStringLiteral("el texto tiene un carácter nulo en la posición %1").arg(i + 1);
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
        } else if (c.isSurrogate()) {
            return QStringLiteral("el texto tiene medio carácter UTF-16 suelto en la posición %1")
                .arg(i + 1);
        }
    }
    return QString();
}

quint32 readUInt32(const unsigned char* p)
{
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

double readDouble(const unsigned char* p)
{
    double d;
    std::memcpy(&d, p, sizeof d);  // Jet stores little-endian IEEE doubles, as this machine does
    return d;
}

// A memo's stored bytes, read here rather than through libmdb's text rendering, which cuts a
// text at a NUL, hands back at most its bind size and nothing at all for 16 MiB or more. The
// first four bytes give the length under two flag bits: inline in the row, in one row of
// another page, or on a chain of rows that each begin with the next one's place (page << 8 |
// row). Returns why the bytes cannot be read whole, or empty.
QString memoBytes(MdbHandle* mdb, const unsigned char* p, int len, QByteArray& out)
{
    if (len < MDB_MEMO_OVERHEAD) return u"el memo está dañado (su encabezado está cortado)"_s;
    const quint32 header = readUInt32(p);
    const qint64 bytes = header & 0x3FFFFFFF;
    if (header & 0x80000000) {
        if (bytes > len - MDB_MEMO_OVERHEAD)
            return QStringLiteral("el memo está dañado (dice tener %1 bytes y la fila guarda %2)")
                .arg(bytes)
                .arg(len - MDB_MEMO_OVERHEAD);
        out = QByteArray(reinterpret_cast<const char*>(p) + MDB_MEMO_OVERHEAD, bytes);
        return QString();
    }
    const bool onePage = header & 0x40000000;
    quint32 next = readUInt32(p + 4);
    QSet<quint32> seen;  // a damaged chain may loop
    while (next != 0 && out.size() < bytes && !seen.contains(next)) {
        seen.insert(next);
        void* page = nullptr;
        int start = 0;
        size_t size = 0;
        if (mdb_find_pg_row(mdb, int(next), &page, &start, &size) != 0) break;
        start &= 0x1FFF;  // the high bits of a row's place are flags
        if (start + qint64(size) > qint64(mdb->fmt->pg_size)) break;
        const auto* row = static_cast<const unsigned char*>(page) + start;
        if (onePage) {
            out.append(reinterpret_cast<const char*>(row), qsizetype(size));
            break;
        }
        if (size < 4) break;
        next = readUInt32(row);
        out.append(reinterpret_cast<const char*>(row) + 4, qsizetype(size) - 4);
    }
    if (out.size() < bytes)
        return QStringLiteral("el memo está dañado (dice tener %1 bytes y se pudieron leer %2)")
            .arg(bytes)
            .arg(out.size());
    out.truncate(bytes);
    return QString();
}

// Why a file cannot be opened, in Spanish whatever the system's language.
QString openFailure(int error)
{
    switch (error) {
    case ENOENT:
        return u"no se encuentra (o es un enlace que no lleva a ningún archivo)"_s;
    case ELOOP:
        return u"es un enlace que vuelve sobre sí mismo"_s;
    case EACCES:
    case EPERM:
        return u"no hay permiso para leerlo"_s;
    default:
        return QStringLiteral("no se puede abrir (error del sistema %1)").arg(error);
    }
}

QString typeName(int type)
{
    switch (type) {
    case MDB_BOOL:
        return u"Sí/No"_s;
    case MDB_BYTE:
        return u"Byte"_s;
    case MDB_INT:
        return u"Entero"_s;
    case MDB_LONGINT:
        return u"Entero largo"_s;
    case MDB_MONEY:
        return u"Moneda"_s;
    case MDB_FLOAT:
        return u"Simple"_s;
    case MDB_DOUBLE:
        return u"Doble"_s;
    case MDB_DATETIME:
        return u"Fecha/Hora"_s;
    case MDB_TEXT:
        return u"Texto"_s;
    case MDB_MEMO:
        return u"Memo"_s;
    case MDB_NUMERIC:
        return u"Decimal"_s;
    case MDB_BINARY:
        return u"Binario"_s;
    case MDB_OLE:
        return u"Objeto OLE"_s;
    case MDB_REPID:
        return u"Id. de réplica"_s;
    default:
        return QStringLiteral("tipo %1").arg(type);
    }
}

bool supportedType(int type)
{
    switch (type) {
    case MDB_BOOL:
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
    case MDB_MONEY:
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_DATETIME:
    case MDB_TEXT:
    case MDB_MEMO:
    case MDB_NUMERIC:
        return true;
    default:
        return false;
    }
}

// A decimal text from libmdb ("123.4500") as a double; libmdb writes it with a full stop.
std::optional<double> parseDecimal(const char* text)
{
    double d = 0;
    const char* end = text + std::strlen(text);
    const auto [ptr, ec] = std::from_chars(text, end, d);
    if (ec != std::errc() || ptr != end) return std::nullopt;
    return d;
}

}  // namespace

QString dateText(double days)
{
    if (!std::isfinite(days) || days < -657434.0 || days > 2958466.0) return QString();
    // Before 1899 the whole part counts back and the fraction still counts forward.
    const double whole = std::trunc(days);
    qint64 seconds = std::llround(std::fabs(days - whole) * 86400.0);
    qint64 day = qint64(whole);
    if (seconds >= 86400) {
        seconds -= 86400;
        day += days < 0 ? -1 : 1;
    }
    const QDate date = QDate(1899, 12, 30).addDays(day);
    if (!date.isValid() || date.year() < 100 || date.year() > 9999) return QString();
    // Written digit by digit: the import writes two dates per article.
    char16_t out[19];
    auto put = [&out](int at, int value, int digits) {
        for (int i = digits - 1; i >= 0; --i, value /= 10)
            out[at + i] = char16_t(u'0' + value % 10);
    };
    put(0, date.year(), 4);
    out[4] = u'-';
    put(5, date.month(), 2);
    out[7] = u'-';
    put(8, date.day(), 2);
    out[10] = u' ';
    put(11, int(seconds / 3600), 2);
    out[13] = u':';
    put(14, int(seconds / 60 % 60), 2);
    out[16] = u':';
    put(17, int(seconds % 60), 2);
    return QString(reinterpret_cast<const QChar*>(out), 19);
}

File::File(const QString& path) : path_(path)
{
    // Only a regular file is read: opening a pipe would wait for a writer forever, and a
    // device or a folder is no database.
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) throw ReadError(openFailure(errno));
    if (!S_ISREG(st.st_mode))
        throw ReadError(S_ISDIR(st.st_mode) ? u"es una carpeta, no un archivo"_s
                        : S_ISFIFO(st.st_mode)
                            ? u"es una tubería (FIFO), no un archivo"_s
                            : u"no es un archivo común (es un dispositivo o un socket)"_s);
    const int probe =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (probe < 0) throw ReadError(openFailure(errno));
    ::close(probe);
    size_ = st.st_size;
    MdbHandle* mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    if (!mdb) throw ReadError(u"no es un archivo de base de datos Jet (Access)"_s);
    mdb_ = mdb;
    if (!mdb_read_catalog(mdb, MDB_TABLE)) {
        mdb_close(mdb);
        mdb_ = nullptr;
        throw ReadError(u"el archivo está dañado: no se puede leer su lista de tablas"_s);
    }
}

File::~File()
{
    if (mdb_) mdb_close(static_cast<MdbHandle*>(mdb_));
}

QStringList File::tableNames() const
{
    auto mdb = static_cast<MdbHandle*>(mdb_);
    QStringList names;
    for (guint i = 0; i < mdb->num_catalog; ++i) {
        auto entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type == MDB_TABLE && mdb_is_user_table(entry))
            names << QString::fromUtf8(entry->object_name);
    }
    return names;
}

std::unique_ptr<Table> File::table(const QString& name)
{
    auto mdb = static_cast<MdbHandle*>(mdb_);
    for (guint i = 0; i < mdb->num_catalog; ++i) {
        auto entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type != MDB_TABLE ||
            QString::fromUtf8(entry->object_name).compare(name, Qt::CaseInsensitive) != 0)
            continue;
        MdbTableDef* def = mdb_read_table(entry);
        if (!def) throw ReadError(u"el archivo está dañado: no se puede leer la tabla "_s + name);
        if (!mdb_read_columns(def)) {
            mdb_free_tabledef(def);
            throw ReadError(
                u"el archivo está dañado: no se pueden leer las columnas de la tabla "_s + name);
        }
        return std::make_unique<Table>(mdb_, def);
    }
    const qint64 page = mdb->fmt->pg_size;
    if (page > 0 && size_ % page != 0)
        throw ReadError(
            QStringLiteral("el archivo está dañado: no tiene la tabla %1 y está cortado "
                           "(%2 bytes, no es un múltiplo de la página de %3)")
                .arg(name, QString::number(size_), QString::number(page)));
    throw ReadError(u"no tiene la tabla "_s + name);
}

Table::Table(void* mdb, MdbTableDef* def) : mdb_(mdb), def_(def)
{
    jet4_ = !IS_JET3(static_cast<MdbHandle*>(mdb_));
    for (guint i = 0; i < def_->num_cols; ++i) {
        auto col = static_cast<MdbColumn*>(g_ptr_array_index(def_->columns, i));
        Column c;
        c.name = QString::fromUtf8(col->name);
        c.type = col->col_type;
        c.typeName = typeName(col->col_type);
        c.supported = supportedType(col->col_type);
        if (col->col_type == MDB_TEXT) c.width = jet4_ ? col->col_size / 2 : col->col_size;
        columns_.push_back(c);
    }
    mdb_rewind_table(def_);
}

Table::~Table() { mdb_free_tabledef(def_); }

qint64 Table::declaredRows() const { return def_->num_rows; }

bool Table::next() { return mdb_fetch_row(def_) != 0; }

bool Table::storedNull(int column) const
{
    // libmdb leaves an empty text and a Null alike (no bytes); the row's null mask tells them
    // apart.
    auto mdb = static_cast<MdbHandle*>(mdb_);
    int start = 0;
    size_t size = 0;
    if (mdb_find_row(mdb, int(def_->cur_row) - 1, &start, &size) != 0) return true;
    MdbField fields[MDB_MAX_COLS];
    const int count = mdb_crack_row(def_, start & 0x1FFF, size, fields);
    for (int i = 0; i < count; ++i)
        if (fields[i].colnum == column) return fields[i].is_null;
    return true;
}

Value Table::value(int column) const
{
    auto mdb = static_cast<MdbHandle*>(mdb_);
    auto col = static_cast<MdbColumn*>(g_ptr_array_index(def_->columns, column));
    Value v;
    const int len = col->cur_value_len;
    const unsigned char* p = mdb->pg_buf + col->cur_value_start;
    if (col->col_type == MDB_BOOL) {  // kept in the null mask: a set bit is true
        v.kind = Value::Kind::Whole;
        v.whole = len ? 0 : -1;
        return v;
    }
    if (len == 0) {
        if ((col->col_type == MDB_TEXT || col->col_type == MDB_MEMO) && !storedNull(column))
            v.kind = Value::Kind::Text;
        return v;
    }
    switch (col->col_type) {
    case MDB_BYTE:
        v.kind = Value::Kind::Whole;
        v.whole = p[0];
        break;
    case MDB_INT:
        v.kind = Value::Kind::Whole;
        v.whole = qint16(p[0] | (p[1] << 8));
        break;
    case MDB_LONGINT:
        v.kind = Value::Kind::Whole;
        v.whole = qint32(quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) |
                         (quint32(p[3]) << 24));
        break;
    case MDB_MONEY: {
        // Whole ten-thousandths; the division gives the double nearest the four-decimal value.
        qint64 units;
        std::memcpy(&units, p, sizeof units);
        v.kind = Value::Kind::Number;
        v.number = double(units) / 10000.0;
        break;
    }
    case MDB_FLOAT: {
        // A single keeps its shortest decimal (0.1f reads as 0.1, not 0.100000001490116).
        float f;
        std::memcpy(&f, p, sizeof f);
        char buffer[32];
        const auto r = std::to_chars(buffer, buffer + sizeof buffer, f);
        *r.ptr = 0;
        v.kind = Value::Kind::Number;
        v.number = parseDecimal(buffer).value_or(double(f));
        break;
    }
    case MDB_DOUBLE:
        v.kind = Value::Kind::Number;
        v.number = readDouble(p);
        break;
    case MDB_DATETIME:
        v.kind = Value::Kind::Date;
        v.number = readDouble(p);
        break;
    case MDB_NUMERIC: {
        char* text =
            mdb_numeric_to_string(mdb, col->cur_value_start, col->col_scale, col->col_prec);
        const auto d = parseDecimal(text);
        g_free(text);
        if (d) {
            v.kind = Value::Kind::Number;
            v.number = *d;
        } else {
            v.kind = Value::Kind::Unsupported;
        }
        break;
    }
    case MDB_TEXT:
        v.kind = Value::Kind::Text;
        if (jet4_) {
            v.text = decodeJet4Text(p, len);
            v.damage = textDamage(v.text);
        } else {
            char* text =
                mdb_col_to_string(mdb, mdb->pg_buf, col->cur_value_start, col->col_type, len);
            v.text = QString::fromUtf8(text);
            g_free(text);
        }
        break;
    case MDB_MEMO: {
        v.kind = Value::Kind::Text;
        QByteArray stored;
        v.damage = memoBytes(mdb, p, len, stored);
        if (v.damage.isEmpty()) {
            v.text = decodeJet4Text(reinterpret_cast<const unsigned char*>(stored.constData()),
                                    int(stored.size()));
            v.damage = textDamage(v.text);
        }
        break;
    }
    default:
        v.kind = Value::Kind::Unsupported;
        break;
    }
    return v;
}

}  // namespace legacy
