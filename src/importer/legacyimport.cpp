#include "legacyimport.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QUuid>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>

#include "data/engine.h"
#include "data/errors.h"
#include "data/filereplace.h"
#include "data/folderlock.h"
#include "data/numbertext.h"
#include "data/passwords.h"
#include "data/paths.h"
#include "data/storefiles.h"
#include "legacyfile.h"

using namespace Qt::StringLiterals;

namespace legacyimport {

namespace {

// Code fields: four-digit numbers that the forms zero-pad; a brand, category, supplier or
// customer code that is not a number cannot be found or followed by the forms.
bool isCodeField(const FieldDef& field)
{
    return field.name == u"COD_RUB" || field.name == u"COD_PROV" || field.name == u"COD_CLIENT";
}

bool isDepartments(const catalogue::FileDef& def) { return def.fileName == u"Departamentos.mdb"; }
bool isArticles(const catalogue::FileDef& def) { return def.fileName == u"Articulos.mdb"; }
bool isUsers(const catalogue::FileDef& def) { return def.fileName == u"Opcion.mdb"; }

QString shown(const legacy::Value& v)
{
    switch (v.kind) {
    case legacy::Value::Kind::Null:
        return u"(nulo)"_s;
    case legacy::Value::Kind::Text: {
        QString text = v.text;
        if (text.size() > 60) text = text.left(57) + u"..."_s;
        return u'"' + text + u'"';
    }
    case legacy::Value::Kind::Whole:
        return QString::number(v.whole);
    case legacy::Value::Kind::Number:
        return numbertext::shortest(v.number);
    case legacy::Value::Kind::Date: {
        const QString text = legacy::dateText(v.number);
        return text.isEmpty() ? u"(fecha fuera de rango)"_s : text;
    }
    case legacy::Value::Kind::Unsupported:
        return u"(valor binario)"_s;
    }
    return QString();
}

bool isBlank(const legacy::Value& v)
{
    return v.kind == legacy::Value::Kind::Null ||
           (v.kind == legacy::Value::Kind::Text && v.text.trimmed().isEmpty());
}

// A number written with a decimal comma or a full stop.
std::optional<double> parseNumber(const QString& text)
{
    if (auto d = numbertext::parse(text)) return d;
    const QByteArray latin = text.trimmed().toLatin1();
    double d = 0;
    const auto [ptr, ec] = std::from_chars(latin.constData(), latin.constData() + latin.size(), d);
    if (ec != std::errc() || ptr != latin.constData() + latin.size() || latin.isEmpty() ||
        !std::isfinite(d))
        return std::nullopt;
    return d;
}

}  // namespace

std::optional<QString> convert(const FieldDef& field, const legacy::Value& v, QVariant& result)
{
    using Kind = legacy::Value::Kind;
    result = QVariant();
    if (v.kind == Kind::Null) return std::nullopt;
    if (!v.damage.isEmpty()) return v.damage;
    switch (field.type) {
    case FieldType::Text: {
        QString text;
        switch (v.kind) {
        case Kind::Text:
            text = v.text;
            break;
        case Kind::Whole:
            text = QString::number(v.whole);
            break;
        case Kind::Number:
            text = numbertext::shortest(v.number);
            break;
        case Kind::Date: {
            // Rewritten as text, without a time zone that could lack that hour.
            const QString when = legacy::dateText(v.number);
            if (when.isEmpty()) return u"fecha fuera de rango"_s;
            text = when.mid(8, 2) + u'/' + when.mid(5, 2) + u'/' + when.left(4);
            if (when.mid(11) != u"00:00:00") text += u' ' + when.mid(11);
            break;
        }
        default:
            return u"valor de otro tipo: se esperaba un texto"_s;
        }
        if (text.size() > field.width)
            return QStringLiteral(
                       "texto más largo que el campo (%1 caracteres; el campo admite %2)")
                .arg(text.size())
                .arg(field.width);
        result = text;
        return std::nullopt;
    }
    case FieldType::Integer:
    case FieldType::Short:
    case FieldType::Counter: {
        const bool isShort = field.type == FieldType::Short;
        const double low = isShort ? -32768.0 : double(std::numeric_limits<qint32>::min());
        const double high = isShort ? 32767.0 : double(std::numeric_limits<qint32>::max());
        double number;
        if (v.kind == Kind::Whole) number = double(v.whole);
        else if (v.kind == Kind::Number) number = v.number;
        else if (v.kind == Kind::Text) {
            if (v.text.trimmed().isEmpty()) return std::nullopt;
            const auto parsed = parseNumber(v.text);
            if (!parsed) return u"valor de otro tipo: se esperaba un número entero"_s;
            number = *parsed;
        } else {
            return u"valor de otro tipo: se esperaba un número entero"_s;
        }
        if (!std::isfinite(number) || number != std::trunc(number))
            return u"valor de otro tipo: se esperaba un número entero"_s;
        if (number < low || number > high)
            return QStringLiteral("número fuera de rango (el campo admite de %1 a %2)")
                .arg(QString::number(qint64(low)), QString::number(qint64(high)));
        result = qint64(number);
        return std::nullopt;
    }
    case FieldType::Double: {
        if (v.kind == Kind::Whole) result = double(v.whole);
        else if (v.kind == Kind::Number && std::isfinite(v.number)) result = v.number;
        else if (v.kind == Kind::Text) {
            if (v.text.trimmed().isEmpty()) return std::nullopt;
            const auto parsed = parseNumber(v.text);
            if (!parsed) return u"valor de otro tipo: se esperaba un número"_s;
            result = *parsed;
        } else {
            return u"valor de otro tipo: se esperaba un número"_s;
        }
        return std::nullopt;
    }
    case FieldType::Date: {
        QString text;
        if (v.kind == Kind::Date) {
            text = legacy::dateText(v.number);
            if (text.isEmpty()) return u"fecha fuera de rango"_s;
        } else if (v.kind == Kind::Text) {
            const QString given = v.text.trimmed();
            if (given.isEmpty()) return std::nullopt;
            // Day and time read apart: a local time zone may lack midnight on the day its
            // summer time starts.
            const QString dayPart = given.section(u' ', 0, 0), timePart = given.section(u' ', 1);
            QDate day = QDate::fromString(dayPart, u"dd/MM/yyyy"_s);
            if (!day.isValid()) day = QDate::fromString(dayPart, u"yyyy-MM-dd"_s);
            const QTime time =
                timePart.isEmpty() ? QTime(0, 0) : QTime::fromString(timePart, u"HH:mm:ss"_s);
            if (!day.isValid() || !time.isValid())
                return u"valor de otro tipo: se esperaba una fecha"_s;
            text = day.toString(u"yyyy-MM-dd"_s) + u' ' + time.toString(u"HH:mm:ss"_s);
        } else {
            return u"valor de otro tipo: se esperaba una fecha"_s;
        }
        result = text;
        return std::nullopt;
    }
    }
    return u"valor de otro tipo"_s;
}

namespace {

// How the unique index compares keys: text without regard to case, numbers as numbers.
QString keyOf(const QVariant& value)
{
    if (value.typeId() == QMetaType::QString) return value.toString().toCaseFolded();
    return value.toString();
}

QString fieldWord(const FieldDef& field) { return field.name; }

// The reading library writes its own English lines to standard error and standard output
// ("Unhandled memo field flags = 02", "offset ... is beyond EOF"), which would land in the middle
// of the report. While it reads, both go to a file of their own, and the report says in Spanish
// how many lines there were. `pause` gives the streams back for the command's own lines.
class LibraryMessages {
public:
    LibraryMessages() : file_(std::tmpfile())
    {
        if (!file_) return;
        savedOut_ = ::dup(STDOUT_FILENO);
        savedErr_ = ::dup(STDERR_FILENO);
        resume();
    }
    ~LibraryMessages()
    {
        pause();
        if (savedOut_ >= 0) ::close(savedOut_);
        if (savedErr_ >= 0) ::close(savedErr_);
        if (file_) std::fclose(file_);
    }
    LibraryMessages(const LibraryMessages&) = delete;
    LibraryMessages& operator=(const LibraryMessages&) = delete;

    void pause()
    {
        if (!capturing_) return;
        flushBoth();
        ::dup2(savedOut_, STDOUT_FILENO);
        ::dup2(savedErr_, STDERR_FILENO);
        capturing_ = false;
    }
    void resume()
    {
        if (capturing_ || !file_ || savedOut_ < 0 || savedErr_ < 0) return;
        flushBoth();
        ::dup2(::fileno(file_), STDOUT_FILENO);
        ::dup2(::fileno(file_), STDERR_FILENO);
        capturing_ = true;
    }

    // The lines written so far; the streams are the command's own again.
    int lines()
    {
        pause();
        if (!file_) return 0;
        std::rewind(file_);
        int count = 0;
        for (int c; (c = std::fgetc(file_)) != EOF;) count += c == '\n';
        return count;
    }

private:
    static void flushBoth()
    {
        std::fflush(stdout);
        std::fflush(stderr);
    }

    FILE* file_ = nullptr;
    int savedOut_ = -1, savedErr_ = -1;
    bool capturing_ = false;
};

}  // namespace

FileReport readFile(const QString& path, const catalogue::FileDef& def, const RowSink& store,
                    const Progress& progress)
{
    LibraryMessages libraryMessages;
    FileReport report;
    report.fileName = def.fileName;
    std::unique_ptr<legacy::File> file;
    std::unique_ptr<legacy::Table> table;
    try {
        file = std::make_unique<legacy::File>(path);
        table = file->table(def.table.name);
    } catch (const legacy::ReadError& e) {
        report.failure = e.reason();
        return report;
    }

    // The old columns, matched by name onto the program's fields.
    const auto& columns = table->columns();
    const auto& fields = def.table.fields;
    std::vector<int> source(fields.size(), -1);
    QStringList notes;
    std::vector<int> unplaced;  // old columns the program has no field for, or cannot read
    for (size_t c = 0; c < columns.size(); ++c) {
        const int f = def.table.fieldIndex(columns[c].name);
        if (f < 0 || !columns[c].supported) {
            unplaced.push_back(int(c));
            continue;
        }
        source[size_t(f)] = int(c);
    }
    const int letterCode = isDepartments(def) ? def.table.fieldIndex(u"COD_LET") : -1;
    for (size_t f = 0; f < fields.size(); ++f) {
        const bool present =
            std::any_of(columns.begin(), columns.end(), [&](const legacy::Column& c) {
                return c.name.compare(fields[f].name, Qt::CaseInsensitive) == 0;
            });
        if (source[f] < 0 && int(f) != letterCode)
            notes << (present ? u"  columna %1: queda vacía"_s
                              : u"  columna %1: no está en el archivo anterior; queda vacía"_s)
                         .arg(fields[f].name);
    }
    std::vector<qint64> unplacedValues(unplaced.size(), 0);

    // Unique keys seen so far: key text -> row number that holds it.
    int keyField = -1;
    for (const IndexDef& index : def.table.indexes)
        if (index.unique) keyField = def.table.fieldIndex(index.field);
    const int barcodeField = isArticles(def) ? def.table.fieldIndex(u"codbarra") : -1;
    const int descriptionField = isArticles(def) ? def.table.fieldIndex(u"descripcion") : -1;
    const int passwordField = isUsers(def) ? def.table.fieldIndex(u"contrasena") : -1;
    QHash<QString, qint64> keys, barcodes;

    const qint64 total = table->declaredRows();
    keys.reserve(qsizetype(std::min<qint64>(total, 1 << 20)));
    if (barcodeField >= 0) barcodes.reserve(qsizetype(std::min<qint64>(total, 1 << 20)));
    const bool big = total > 10000;
    std::vector<legacy::Value> values(fields.size());
    std::vector<QVariant> row(fields.size());
    qint64 number = 0;
    while (table->next()) {
        ++number;
        ++report.rowsRead;
        if (big && progress && number % 5000 == 0) {
            libraryMessages.pause();
            progress(number, total);
            libraryMessages.resume();
        }
        for (size_t f = 0; f < fields.size(); ++f)
            values[f] = source[f] >= 0 ? table->value(source[f]) : legacy::Value{};
        for (size_t u = 0; u < unplaced.size(); ++u)
            if (table->value(unplaced[u]).kind != legacy::Value::Kind::Null) ++unplacedValues[u];

        // The row as the report names it: its key where it has one.
        auto rowName = [&] {
            return keyField >= 0 && !isBlank(values[size_t(keyField)])
                       ? QStringLiteral("fila %1 (%2 %3)")
                             .arg(QString::number(number), fields[size_t(keyField)].name,
                                  shown(values[size_t(keyField)]))
                       : QStringLiteral("fila %1").arg(number);
        };
        auto problem = [&](const FieldDef& field, const legacy::Value& v, const QString& reason,
                           bool skips) {
            report.lines << QStringLiteral("  %1, %2 = %3: %4; %5")
                                .arg(rowName(), fieldWord(field), shown(v), reason,
                                     skips ? u"no se importa"_s : u"se importa igual"_s);
            if (skips) ++report.skipped;
            else ++report.warnings;
        };

        bool skip = false;
        for (size_t f = 0; f < fields.size() && !skip; ++f) {
            if (auto reason = convert(fields[f], values[f], row[f])) {
                problem(fields[f], values[f], *reason, true);
                skip = true;
            }
        }
        if (skip) continue;

        if (keyField >= 0) {
            const FieldDef& field = fields[size_t(keyField)];
            const legacy::Value& v = values[size_t(keyField)];
            const QVariant& key = row[size_t(keyField)];
            if (isBlank(v)) {
                problem(field, v, u"clave vacía"_s, true);
                continue;
            }
            if (isCodeField(field)) {
                bool numeric = false;
                key.toString().trimmed().toLongLong(&numeric);
                if (!numeric) {
                    problem(field, v,
                            letterCode >= 0
                                ? u"el código no es un número (no se puede calcular COD_LET)"_s
                                : u"el código no es un número"_s,
                            true);
                    continue;
                }
            }
            const auto seen = keys.constFind(keyOf(key));
            if (seen != keys.constEnd()) {
                problem(field, v, QStringLiteral("clave repetida (queda la fila %1)").arg(*seen),
                        true);
                continue;
            }
            keys.insert(keyOf(key), number);
        }
        if (letterCode >= 0 && row[size_t(letterCode)].toString().trimmed().isEmpty() &&
            keyField >= 0)
            row[size_t(letterCode)] =
                u"D"_s + QString::number(row[size_t(keyField)].toString().trimmed().toLongLong());

        // Imported as they are, but worth a look.
        if (descriptionField >= 0 && isBlank(values[size_t(descriptionField)]))
            problem(fields[size_t(descriptionField)], values[size_t(descriptionField)],
                    u"artículo sin descripción"_s, false);
        if (isArticles(def))
            for (const char16_t* name : {u"net", u"cos", u"lis1", u"lis2", u"lis3"}) {
                const int f = def.table.fieldIndex(name);
                if (row[size_t(f)].isValid() && row[size_t(f)].toDouble() < 0)
                    problem(fields[size_t(f)], values[size_t(f)], u"precio negativo"_s, false);
            }
        if (barcodeField >= 0 && !isBlank(values[size_t(barcodeField)])) {
            const QString barcode = keyOf(row[size_t(barcodeField)]);
            const auto seen = barcodes.constFind(barcode);
            if (seen != barcodes.constEnd())
                problem(fields[size_t(barcodeField)], values[size_t(barcodeField)],
                        QStringLiteral("código de barras repetido (también en la fila %1; el "
                                       "programa encuentra la primera)")
                            .arg(*seen),
                        false);
            else barcodes.insert(barcode, number);
        }
        // No plain password lands in the program's files.
        if (passwordField >= 0 && !row[size_t(passwordField)].toString().isEmpty())
            row[size_t(passwordField)] = passwords::hash(row[size_t(passwordField)].toString());

        ++report.rowsStored;
        if (store) store(row);
    }
    for (size_t u = 0; u < unplaced.size(); ++u) {
        const legacy::Column& column = columns[size_t(unplaced[u])];
        report.lostValues += unplacedValues[u];
        notes
            << (column.supported
                    ? QStringLiteral(
                          "  columna %1 (%2): el programa no la tiene; %3 valor(es) no se importan")
                    : QStringLiteral("  columna %1 (%2): ese tipo no se puede importar; %3 "
                                     "valor(es) no se importan"))
                   .arg(column.name, column.typeName, QString::number(unplacedValues[u]));
    }
    if (report.rowsRead < total)
        notes << QStringLiteral(
                     "  la tabla declara %1 filas y solo se pudieron leer %2: el archivo puede "
                     "estar dañado")
                     .arg(QString::number(total), QString::number(report.rowsRead));
    report.lostValues += std::max<qint64>(0, total - report.rowsRead);
    if (const int lines = libraryMessages.lines()) {
        notes << QStringLiteral(
                     "  el lector del archivo anterior dio %1 aviso(s) de datos que no pudo "
                     "interpretar: revise el archivo en el sistema anterior")
                     .arg(lines);
        report.warnings += lines;
    }
    report.lines << notes;
    return report;
}

namespace {

// The file's table: integrity, and exactly `rows` records. Throws when either fails.
void verifyBuilt(const catalogue::FileDef& def, const QString& path, qint64 rows)
{
    auto db = catalogue::openAt(def, path);
    const QStringList check = db->pragmaLines(u"integrity_check"_s);
    if (check != QStringList{u"ok"_s}) throw EngineError(EngineErrorCode::NotOurFormat, path);
    const qint64 stored =
        db->Select(QStringLiteral("SELECT count(*) FROM %1").arg(quotedName(def.table.name)))
            .value(0)
            .value(0)
            .toLongLong();
    if (stored != rows)
        throw EngineError(EngineErrorCode::Internal,
                          QStringLiteral("%1: %2 filas escritas, %3 esperadas")
                              .arg(def.fileName, QString::number(stored), QString::number(rows)));
}

}  // namespace

FileReport buildFile(const QString& path, const catalogue::FileDef& def, const QString& target,
                     const Progress& progress)
{
    const QString temp = filereplace::temporaryFor(target);
    catalogue::createFile(def, temp);
    FileReport report;
    try {
        {
            // The rows go in as read, codigo included, in one transaction.
            auto db = catalogue::openAt(def, temp);
            Transaction filling(*db);
            report = readFile(path, def, db->Inserter(def.table.name), progress);
            if (report.failure.isEmpty()) filling.CommitTrans();
        }
        if (!report.failure.isEmpty()) {
            filereplace::discard(temp);
            return report;
        }
        verifyBuilt(def, temp, report.rowsRead - report.skipped);
    } catch (...) {
        filereplace::discard(temp);
        throw;
    }
    filereplace::putInPlace(temp, target, filereplace::Mode::NeverReplace);
    return report;
}

namespace {

// The old files in `folder`, by the program's file they become (names without regard to case).
// Whatever stands under such a name is listed, a folder or a pipe too, so that the report says
// why it was not read. A file with two names in the folder ("ARTICULOS.MDB" and "Articulos.mdb")
// is put in `ambiguous`, one line each.
std::vector<std::pair<const catalogue::FileDef*, QString>> legacyFiles(const QString& folder,
                                                                       QStringList& ambiguous)
{
    std::vector<std::pair<const catalogue::FileDef*, QString>> found;
    const QDir dir(folder);
    const QStringList names = dir.entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const catalogue::FileDef& def : catalogue::files()) {
        QStringList same;
        for (const QString& name : names)
            if (name.compare(def.fileName, Qt::CaseInsensitive) == 0) same << name;
        if (same.size() > 1) ambiguous << def.fileName + u": "_s + same.join(u" y "_s);
        else if (same.size() == 1) found.emplace_back(&def, dir.filePath(same.front()));
    }
    return found;
}

void printReport(const FileReport& r, bool dryRun, QTextStream& out)
{
    if (!r.failure.isEmpty()) {
        out << r.fileName << ": no se puede leer: " << r.failure << '\n';
    } else {
        const auto& def = *catalogue::find(r.fileName);
        out << r.fileName << " (tabla " << def.table.name << "): " << r.rowsRead
            << " fila(s) leída(s), " << r.rowsStored
            << (dryRun ? " se importarían" : " importada(s)");
        if (r.skipped) out << ", " << r.skipped << " no";
        if (r.warnings) out << ", " << r.warnings << " aviso(s)";
        out << '\n';
        for (const QString& line : r.lines) out << line << '\n';
    }
    out.flush();
}

bool removeTree(const QString& path) { return QDir(path).removeRecursively(); }

// The program's file of that name in `folder`, found without regard to case; empty when absent.
QString existingFile(const QString& folder, const QString& fileName)
{
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
        if (name.compare(fileName, Qt::CaseInsensitive) == 0) return folder + u'/' + name;
    return QString();
}

// Whether `name` is one of the program's files or the journal SQLite keeps beside one.
bool isDataFile(const QString& name)
{
    for (const catalogue::FileDef& def : catalogue::files())
        if (name.compare(def.fileName, Qt::CaseInsensitive) == 0 ||
            name.compare(def.fileName + u"-journal"_s, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QString stagingPrefix(const QString& dataFolder)
{
    return u"."_s + QFileInfo(dataFolder).fileName() + u".importando-"_s;
}

}  // namespace

int run(const QString& legacyFolder, const Options& options, QTextStream& out, QTextStream& err)
{
    if (!QFileInfo(legacyFolder).isDir()) {
        err << "No existe la carpeta " << legacyFolder << ".\n";
        return 1;
    }
    QStringList ambiguous;
    const auto sources = legacyFiles(legacyFolder, ambiguous);
    if (!ambiguous.isEmpty()) {
        err << "La carpeta " << legacyFolder
            << " tiene dos archivos con el mismo nombre (sin contar mayúsculas):\n";
        for (const QString& line : ambiguous) err << "  " << line << '\n';
        err << "No se sabe cuál leer; deje uno solo de cada uno y repita la orden. No se cambió "
               "nada.\n";
        return 1;
    }
    if (sources.empty()) {
        err << "La carpeta " << legacyFolder
            << " no tiene ninguno de los archivos del sistema anterior (Opcion.mdb, "
            << "Articulos.mdb, Clientes.mdb...).\n";
        return 1;
    }
    auto progress = [&out](qint64 done, qint64 total) {
        out << "  ... " << done << " de " << total << " filas\n";
        out.flush();
    };
    std::vector<FileReport> reports;

    if (options.dryRun) {
        out << "Prueba: no se escribe nada.\n";
        for (const auto& [def, path] : sources) {
            reports.push_back(readFile(path, *def, {}, progress));
            printReport(reports.back(), true, out);
        }
    } else {
        QString why;
        const auto lock = FolderLock::acquire(&why, FolderLock::Holder::Command);
        if (!lock) {
            err << (why.isEmpty() ? FolderLock::refusal()
                                  : u"No se puede tomar la carpeta de datos: "_s + why)
                << '\n';
            return 1;
        }
        const QString dataFolder = QDir::cleanPath(paths::toNative(paths::basesFolder()));
        const QString parent = QFileInfo(dataFolder).absolutePath();
        QStringList current;
        for (const catalogue::FileDef& def : catalogue::files())
            if (const QString path = existingFile(dataFolder, def.fileName); !path.isEmpty())
                current << path;
        if (!current.isEmpty() && !options.replace) {
            err << "La carpeta de datos " << dataFolder
                << " ya tiene archivos; no se cambió nada.\n"
                << "Para reemplazarlos (quedan guardados en una carpeta antes-de-importar-...) "
                   "agregue --reemplazar.\n";
            return 1;
        }
        if (!QDir().mkpath(parent)) {
            err << "No se puede crear la carpeta " << parent << ".\n";
            return 1;
        }
        // What an import killed earlier left beside the data folder.
        for (const QString& name :
             QDir(parent).entryList({stagingPrefix(dataFolder) + u'*'}, QDir::Dirs | QDir::Hidden))
            removeTree(parent + u'/' + name);

        const QString staging =
            parent + u'/' + stagingPrefix(dataFolder) + QUuid::createUuid().toString(QUuid::Id128);
        try {
            // A journal left by an interrupted write is rolled back before the files are kept.
            for (const catalogue::FileDef& def : catalogue::files())
                if (const QString path = existingFile(dataFolder, def.fileName); !path.isEmpty())
                    try {
                        catalogue::openAt(def, path)->pragmaLines(u"quick_check"_s);
                    } catch (const EngineError&) {
                        // A damaged file is kept aside as it is.
                    }
            if (!QDir().mkpath(staging)) throw EngineError(EngineErrorCode::PathNotValid, staging);
            for (const catalogue::FileDef& def : catalogue::files()) {
                const QString target = staging + u'/' + def.fileName;
                const auto source = std::find_if(sources.begin(), sources.end(),
                                                 [&](const auto& s) { return s.first == &def; });
                if (source != sources.end()) {
                    reports.push_back(buildFile(source->second, def, target, progress));
                    printReport(reports.back(), false, out);
                    if (reports.back().failure.isEmpty()) continue;
                }
                if (const QString now = existingFile(dataFolder, def.fileName); !now.isEmpty()) {
                    filereplace::linkTree(now, target);
                    if (source != sources.end())
                        out << "  " << def.fileName << ": queda el archivo actual.\n";
                } else {
                    catalogue::createFile(def, target, [&](Database& db) {
                        if (isUsers(def)) storefiles::addInitialUser(db);
                    });
                    out << "  " << def.fileName << ": se crea vacío"
                        << (isUsers(def) ? u" con el usuario VUMRE (contraseña VUMRE)"_s
                                         : QString())
                        << ".\n";
                }
            }
            if (QFileInfo(dataFolder).isDir()) {
                // Everything else in the data folder stays, earlier copies included.
                for (const QString& name : QDir(dataFolder)
                                               .entryList(QDir::AllEntries | QDir::Hidden |
                                                          QDir::System | QDir::NoDotAndDotDot))
                    if (!isDataFile(name))
                        filereplace::linkTree(dataFolder + u'/' + name, staging + u'/' + name);
            }
            if (!current.isEmpty()) {
                QString keep = u"antes-de-importar-"_s +
                               QDateTime::currentDateTime().toString(u"yyyy-MM-dd-HHmmss"_s);
                for (int n = 2; QFileInfo::exists(staging + u'/' + keep); ++n)
                    keep = keep.section(u'_', 0, 0) + u'_' + QString::number(n);
                if (!QDir().mkpath(staging + u'/' + keep))
                    throw EngineError(EngineErrorCode::PathNotValid, keep);
                for (const QString& path : current)
                    filereplace::copyPlainFile(
                        path, staging + u'/' + keep + u'/' + QFileInfo(path).fileName());
                out << "Los archivos anteriores quedan en " << dataFolder << '/' << keep << ".\n";
            }
            filereplace::syncTree(staging);
            out << "Colocando los archivos nuevos...\n";
            out.flush();
            // One step puts the whole new folder in place: the data folder is either as it was
            // or complete, whatever moment the import is stopped at.
            if (QFileInfo(dataFolder).isDir()) filereplace::exchangeFolders(staging, dataFolder);
            else filereplace::renameFolder(staging, dataFolder);
            removeTree(staging);  // the old folder; its files live on in the new one
        } catch (const EngineError& e) {
            removeTree(staging);
            err << errorMessage(e) << "\nLa carpeta de datos quedó como estaba.\n";
            return 1;
        } catch (const std::exception& e) {
            removeTree(staging);
            err << "Error: " << e.what() << "\nLa carpeta de datos quedó como estaba.\n";
            return 1;
        }
    }

    qint64 read = 0, stored = 0, skipped = 0, warnings = 0, lost = 0;
    int unreadable = 0;
    for (const FileReport& r : reports) {
        read += r.rowsRead;
        stored += r.rowsStored;
        skipped += r.skipped;
        warnings += r.warnings;
        lost += r.lostValues;
        unreadable += !r.failure.isEmpty();
    }
    out << "Resumen: " << reports.size() - size_t(unreadable) << " archivo(s) leído(s), "
        << unreadable << " sin leer; " << read << " fila(s) leída(s), " << stored
        << (options.dryRun ? " se importarían, " : " importada(s), ") << skipped << " no, "
        << warnings << " aviso(s)";
    if (lost) out << ", " << lost << " valor(es) sin lugar";
    out << ".\n";
    const bool losesData = unreadable || skipped || lost;
    out << (losesData
                ? (options.dryRun
                       ? u"Atención: algunos datos no se importarían (vea las líneas de arriba)."_s
                       : u"Atención: algunos datos no se importaron (vea las líneas de arriba)."_s)
                : (options.dryRun ? u"No se perdería ningún dato."_s
                                  : u"Importación completa: no se perdió ningún dato."_s))
        << '\n';
    return losesData ? 1 : 0;
}

}  // namespace legacyimport
