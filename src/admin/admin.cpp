#include "admin.h"

#include <termios.h>
#include <unistd.h>

#include <QFileInfo>
#include <QStringDecoder>
#include <algorithm>
#include <iostream>
#include <string>

#include "data/articlesearch.h"
#include "data/catalogue.h"
#include "data/engine.h"
#include "data/errors.h"
#include "data/filereplace.h"
#include "data/folderlock.h"
#include "data/passwords.h"
#include "data/paths.h"
#include "data/storefiles.h"
#include "demo.h"
#include "distribution/restore.h"
#include "distribution/terminals.h"
#include "importer/legacyimport.h"
#include "prices.h"

using namespace Qt::StringLiterals;

namespace admin {

namespace {

const QString kUsage =
    u"Uso: valdrameno-admin ORDEN\n"
    "  inicializar [--demo]     crea la carpeta de datos y los archivos que falten\n"
    "                           (--demo los llena con una tienda de ejemplo)\n"
    "  usuario agregar NOMBRE   agrega un usuario; pide su contraseña\n"
    "  usuario clave NOMBRE     cambia la contraseña de un usuario\n"
    "  usuario borrar NOMBRE    borra un usuario\n"
    "  usuario listar           muestra los usuarios\n"
    "  verificar                comprueba cada archivo de datos\n"
    "  cajas                    muestra las cajas y sus carpetas compartidas\n"
    "  cajas CANTIDAD           fija cuántas cajas tiene el negocio (1 a 9; si no, son 2)\n"
    "  caja N NOMBRE            cambia el nombre de equipo de la caja N (de 1 a la cantidad)\n"
    "  restaurar CARPETA        vuelve los archivos de datos a los de un backup\n"
    "  indice                   rehace el índice de búsqueda de artículos si falta o no coincide\n"
    "  importar CARPETA [--prueba] [--reemplazar]\n"
    "                           pasa los datos del sistema anterior (--prueba solo informa)\n"
    "  precios [--proveedor COD] [--marca COD] [--rubro COD] [--descripcion TEXTO]\n"
    "          [--desde CODIGO --hasta CODIGO]\n"
    "          (--costo PORC | --lista N --porcentaje PORC | --lista N --recargo PORC)\n"
    "          [--redondeo PASO] [--hacia-arriba] [--sin-etiquetas] [--prueba]\n"
    "                           cambia los precios de muchos artículos (--prueba solo informa)\n"
    "  precios historial        muestra las actualizaciones de precios, la última primero\n"
    "  precios deshacer NUMERO  vuelve los precios de una actualización\n"
    "  --version                muestra la versión\n"
    "  --help                   muestra esta ayuda\n"_s;

void addUser(Recordset& users, const QString& name, const QString& password)
{
    users.AddNew();
    users.Fields(u"usuario"_s).setValue(name);
    users.Fields(u"contrasena"_s).setValue(passwords::hash(password));
    users.Fields(u"estado"_s).setValue(QString());
    users.Update();
}

int initialize(bool withDemo, QTextStream& out)
{
    // Temporaries of a run that was killed before it put its file in place.
    for (const QString& name : filereplace::removeLeftovers(paths::toNative(paths::basesFolder())))
        out << "Quitado archivo temporal: " << name << '\n';
    const auto fill = [&](const QString& fileName, Database& db) {
        if (withDemo) demo::fill(fileName, db);
    };
    const int created = storefiles::createMissing(fill, [&](const QString& native, bool isNew) {
        out << (isNew ? "Creado: " : "Ya existe, sin cambios: ") << native << '\n';
    });
    out << "Carpeta de datos: " << paths::toNative(paths::basesFolder()) << '\n';
    out << created << " archivo(s) creado(s).\n";
    return 0;
}

// Positions `users` on the user named `name` (without regard to case); false when absent.
bool seekUser(Recordset& users, const QString& name)
{
    users.setIndex(u"usuario"_s);
    users.Seek(name);
    return !users.NoMatch();
}

// Asks for a new password twice (from standard input: two lines). Returns a Null text,
// after saying why, when there is none to set.
// Whether `text` holds what cannot be typed back: U+FFFD, where bytes that are not UTF-8 were,
// or control and format characters.
bool unreadable(const QString& text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) {
        return c == QChar::ReplacementCharacter || c.category() == QChar::Other_Control ||
               c.category() == QChar::Other_Format;
    });
}

QString askNewPassword(const PasswordReader& read, QTextStream& err)
{
    constexpr int kShortest = 4;
    // A line typed or piped from Windows ends in CR LF: the CR is no part of the password.
    const auto readLine = [&read](const QString& prompt) {
        QString line = read(prompt);
        if (line.endsWith(u'\r')) line.chop(1);
        return line;
    };
    const QString first = readLine(u"Contraseña: "_s);
    if (first.isNull()) {
        err << "No se recibió ninguna contraseña; no se cambió nada.\n";
        return QString();
    }
    if (first.isEmpty()) {
        err << "La contraseña no puede quedar vacía; no se cambió nada.\n";
        return QString();
    }
    // A password piped in another encoding (Latin-1 "ñ") would be stored as U+FFFD and could
    // never be typed at the login.
    if (unreadable(first)) {
        err << "La contraseña tiene caracteres que no son texto UTF-8 o que no se pueden escribir; "
               "no se cambió nada.\n";
        return QString();
    }
    if (first.size() < kShortest) {
        err << "La contraseña debe tener al menos " << kShortest
            << " caracteres; no se cambió nada.\n";
        return QString();
    }
    // End of input at the confirmation is no confirmation.
    if (readLine(u"Repita la contraseña: "_s) != first) {
        err << "Las contraseñas no coinciden; no se cambió nada.\n";
        return QString();
    }
    return first;
}

int users(const QStringList& args, QTextStream& out, QTextStream& err, const PasswordReader& read)
{
    const QString action = args.value(1);
    const bool takesName = action == u"agregar" || action == u"clave" || action == u"borrar";
    if (!(takesName && args.size() == 3) && !(action == u"listar" && args.size() == 2)) {
        err << kUsage;
        return 2;
    }
    auto db = catalogue::open(u"Opcion.mdb");
    auto rs = db->OpenRecordset(u"Usuarios"_s);
    const QString name = args.value(2).trimmed();
    if (action == u"listar") {
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
            out << rs->Fields(u"usuario"_s).Value().toString()
                << (rs->Fields(u"estado"_s).Value().toString() == u"Activo" ? u"  (Activo)"_s
                                                                            : QString())
                << '\n';
        return 0;
    }
    if (name.isEmpty() || name.size() > 30) {
        err << "El nombre de usuario debe tener entre 1 y 30 caracteres.\n";
        return 1;
    }
    // A name that came with bytes that are not text decodes to U+FFFD, so two such names would
    // be one user; control characters would be printed raw by "listar".
    if (unreadable(name)) {
        err << "El nombre de usuario solo puede tener letras, números, signos y espacios; no se "
               "cambió nada.\n";
        return 1;
    }
    const bool exists = seekUser(*rs, name);
    if (action == u"agregar") {
        if (exists) {
            err << "El usuario " << name << " ya existe.\n";
            return 1;
        }
        const QString password = askNewPassword(read, err);
        if (password.isNull()) return 1;
        addUser(*rs, name, password);
        out << "Usuario " << name << " agregado.\n";
        return 0;
    }
    if (!exists) {
        err << "No existe el usuario " << name << ".\n";
        return 1;
    }
    if (action == u"clave") {
        const QString password = askNewPassword(read, err);
        if (password.isNull()) return 1;
        rs->Edit();
        rs->Fields(u"contrasena"_s).setValue(passwords::hash(password));
        rs->Update();
        out << "Contraseña de " << name << " cambiada.\n";
        return 0;
    }
    // borrar: the last user is kept, or nobody could log in again.
    auto all = db->OpenRecordset(u"Usuarios"_s, RecordsetType::Dynaset);
    all->MoveNext();
    if (all->Eof()) {
        err << "No se puede borrar el único usuario; agregue otro antes.\n";
        return 1;
    }
    rs->Delete();
    out << "Usuario " << name << " borrado.\n";
    return 0;
}

int verify(QTextStream& out)
{
    int failures = 0;
    for (const catalogue::FileDef& def : catalogue::files()) {
        QString problem;
        try {
            auto db = catalogue::open(def.fileName);
            const QStringList check = db->pragmaLines(u"integrity_check"_s);
            if (check != QStringList{u"ok"_s}) problem = u"integridad: "_s + check.join(u"; "_s);
            else problem = catalogue::schemaDifference(*db, def);
        } catch (const EngineError& e) {
            problem = QStringLiteral("error %1: %2").arg(QString::number(e.number()), e.text());
            // The message names the file as the store's programs always have; say where it
            // is looked for on this computer too.
            if (e.number() == int(EngineErrorCode::FileNotFound))
                problem += u" (en esta computadora: "_s +
                           paths::toNative(paths::inBases(def.fileName)) + u')';
        }
        out << (problem.isEmpty() ? u"BIEN   "_s : u"FALLA  "_s) << def.fileName;
        if (!problem.isEmpty()) out << " - " << problem;
        out << '\n';
        failures += !problem.isEmpty();
    }
    out << (failures ? QStringLiteral("%1 archivo(s) con fallas.").arg(failures)
                     : u"Los diez archivos están bien."_s)
        << '\n';
    return failures ? 1 : 0;
}

int showTerminals(QTextStream& out)
{
    for (int terminal = 1; terminal <= terminals::count(); ++terminal) {
        const QString folder = paths::toNative(terminals::shareFolder(terminal));
        out << "Caja " << terminal << ": " << terminals::host(terminal) << "  "
            << terminals::shareFolder(terminal) << "  " << folder
            << (QFileInfo(folder).isDir() ? u" (montada)"_s : u" (no montada)"_s) << '\n';
    }
    return 0;
}

// The terminal numbers a command takes, as the user reads them: "1 o 2", "1, 2 o 3".
QString terminalNumbers(int count)
{
    QStringList numbers;
    for (int terminal = 1; terminal < count; ++terminal) numbers << QString::number(terminal);
    const QString last = QString::number(count);
    return numbers.isEmpty() ? last : numbers.join(u", "_s) + u" o "_s + last;
}

int setTerminalCount(const QString& number, QTextStream& out, QTextStream& err)
{
    bool isNumber = false;
    const int count = number.toInt(&isNumber);
    if (!isNumber || count < 1 || count > terminals::kMost) {
        err << "La cantidad de cajas debe ser un número de 1 a " << terminals::kMost << ".\n";
        return 2;
    }
    if (!terminals::setCount(count)) {
        err << "No se pudo guardar la configuración.\n";
        return 1;
    }
    return showTerminals(out);
}

int setTerminal(const QString& number, const QString& name, QTextStream& out, QTextStream& err)
{
    bool isNumber = false;
    const int terminal = number.toInt(&isNumber);
    if (!isNumber || terminal < 1 || terminal > terminals::count()) {
        err << "La caja debe ser " << terminalNumbers(terminals::count()) << ".\n";
        return 2;
    }
    if (!terminals::isHostName(name)) {
        err << "'" << name << "' no es un nombre de equipo (letras, números, '-' y '.').\n";
        return 1;
    }
    if (!terminals::setHost(terminal, name)) {
        err << "No se pudo guardar la configuración.\n";
        return 1;
    }
    out << "Caja " << terminal << ": " << name << "  " << terminals::shareFolder(terminal) << '\n';
    return 0;
}

int restoreBackup(const QString& folder, QTextStream& out, QTextStream& err)
{
    const restore::Result result = restore::restaurar(folder, QDateTime::currentDateTime());
    if (!result.done) {
        err << result.refusal << '\n';
        return 1;
    }
    out << "Archivos anteriores guardados en: " << result.keptIn << '\n';
    for (const QString& name : result.restored) out << "Restaurado: " << name << '\n';
    out << result.restored.size() << " archivo(s) restaurado(s).\n";
    return 0;
}

// Makes the article search's index match Articulos.mdb, rebuilding it with a progress line when
// it is missing or does not match (the program would otherwise rebuild it at its first search).
int searchIndex(QTextStream& out)
{
    auto articulos = catalogue::open(u"Articulos.mdb");
    bool reported = false;
    const bool matched = articlesearch::prepare(*articulos, [&](qint64 done, qint64 total) {
        out << "\rÍndice de búsqueda: " << done << " de " << total << " artículos" << Qt::flush;
        reported = true;
    });
    if (reported) out << '\n';
    out << (matched ? "El índice de búsqueda ya coincidía con los artículos.\n"
                    : "Índice de búsqueda rehecho.\n");
    return 0;
}

}  // namespace

int run(const QStringList& args, QTextStream& out, QTextStream& err,
        const PasswordReader& readPassword)
{
    const QString command = args.value(0);
    if (args.size() == 1 && command == u"--version") {
        out << "valdrameno-admin " << VALDRAMENO_VERSION << '\n';
        return 0;
    }
    if (args.size() == 1 && (command == u"--help" || command == u"-h")) {
        out << kUsage;
        return 0;
    }
    // Commands that write the data folder hold it as the program does, and refuse while the
    // program (or another command) has it.
    std::unique_ptr<FolderLock> lock;
    if (command == u"inicializar" || command == u"restaurar" || command == u"indice" ||
        (command == u"usuario" && args.value(1) != u"listar") ||
        (command == u"precios" && pricesWrite(args.mid(1)))) {
        QString why;
        lock = FolderLock::acquire(&why, FolderLock::Holder::Command);
        if (!lock) {
            err << (why.isEmpty() ? FolderLock::refusal()
                                  : u"No se puede tomar la carpeta de datos: "_s + why)
                << '\n';
            return 1;
        }
    }
    try {
        if (command == u"inicializar" && args.size() == 1) return initialize(false, out);
        if (command == u"inicializar" && args.size() == 2 && args[1] == u"--demo")
            return initialize(true, out);
        if (command == u"usuario") return users(args, out, err, readPassword);
        if (command == u"verificar" && args.size() == 1) return verify(out);
        if (command == u"cajas" && args.size() == 1) return showTerminals(out);
        if (command == u"cajas" && args.size() == 2) return setTerminalCount(args[1], out, err);
        if (command == u"caja" && args.size() == 3) return setTerminal(args[1], args[2], out, err);
        if (command == u"restaurar" && args.size() == 2) return restoreBackup(args[1], out, err);
        if (command == u"indice" && args.size() == 1) return searchIndex(out);
        if (command == u"precios") return prices(args.mid(1), out, err);
        if (command == u"importar") {
            legacyimport::Options options;
            QStringList folders;
            for (const QString& arg : args.mid(1)) {
                if (arg == u"--prueba") options.dryRun = true;
                else if (arg == u"--reemplazar") options.replace = true;
                else folders << arg;
            }
            if (folders.size() == 1 && !folders[0].startsWith(u'-'))
                return legacyimport::run(folders[0], options, out, err);
        }
    } catch (const EngineError& e) {
        err << errorMessage(e) << '\n';
        return 1;
    }
    err << kUsage;
    return 2;
}

std::optional<QStringList> decodeArguments(int argc, char* argv[], QTextStream& err)
{
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
        QString arg = utf8(QByteArrayView(argv[i]));
        if (utf8.hasError()) {
            err << "El argumento " << i << " no es texto UTF-8 válido (" << arg
                << "); no se cambió nada.\n";
            return std::nullopt;
        }
        args << arg;
    }
    return args;
}

QString readPasswordFromConsole(const QString& prompt)
{
    std::string line;
    if (!isatty(STDIN_FILENO)) {
        if (!std::getline(std::cin, line)) return QString();
        return QString::fromStdString(line);
    }
    std::cerr << prompt.toStdString() << std::flush;
    termios saved{};
    tcgetattr(STDIN_FILENO, &saved);
    termios silent = saved;
    silent.c_lflag &= ~tcflag_t(ECHO);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &silent);
    const bool read = bool(std::getline(std::cin, line));
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    std::cerr << '\n';
    return read ? QString::fromStdString(line) : QString();
}

}  // namespace admin
