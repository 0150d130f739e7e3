#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "admin/admin.h"
#include "data/articlesearch.h"
#include "data/catalogue.h"
#include "data/engine.h"
#include "data/folderlock.h"
#include "data/passwords.h"
#include "data/paths.h"
#include "envvar.h"
#include "tempstore.h"

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(FolderLock::Holder)

class AdminTest : public QObject {
    Q_OBJECT
    std::optional<fixture::DataFolder> folder_;
    QString out_, err_;
    QStringList typed_;  // passwords the reader hands out, in order

    int admin(const QStringList& args)
    {
        out_.clear();
        err_.clear();
        QTextStream out(&out_), err(&err_);
        return admin::run(args, out, err, [this](const QString&) {
            return typed_.isEmpty() ? QString() : typed_.takeFirst();
        });
    }

    int count(const QString& fileName, const QString& where = u"1"_s)
    {
        const TableDef& table = catalogue::find(fileName)->table;
        return catalogue::open(fileName)
            ->Select(QStringLiteral("SELECT count(*) FROM \"%1\" WHERE %2").arg(table.name, where))
            .value(0)
            .value(0)
            .toInt();
    }

    QByteArray digestOfFolder()
    {
        QCryptographicHash hash(QCryptographicHash::Sha256);
        const QDir folder(paths::toNative(paths::basesFolder()));
        for (const QString& name : folder.entryList(QDir::Files, QDir::Name)) {
            QFile f(folder.filePath(name));
            f.open(QIODevice::ReadOnly);
            hash.addData(name.toUtf8());
            hash.addData(f.readAll());
        }
        return hash.result();
    }

private slots:
    void init()
    {
        folder_.emplace();
        typed_.clear();
    }

    void initializeCreatesTenFilesAndTheFirstUser()
    {
        QCOMPARE(admin({u"inicializar"_s}), 0);
        QCOMPARE(QDir(paths::toNative(paths::basesFolder())).entryList(QDir::Files).size(), 10);
        auto users = catalogue::open(u"Opcion.mdb"_s)->OpenRecordset(u"Usuarios"_s);
        QCOMPARE(users->Fields(u"usuario"_s).Value().toString(), u"VUMRE"_s);
        const QVariant stored = users->Fields(u"contrasena"_s).Value();
        QVERIFY(stored.toString() != u"VUMRE"_s);
        QVERIFY(passwords::loginMatches(stored, u"VUMRE"_s));
        QCOMPARE(count(u"Articulos.mdb"_s), 0);

        const QByteArray before = digestOfFolder();
        QCOMPARE(admin({u"inicializar"_s, u"--demo"_s}), 0);
        QCOMPARE(digestOfFolder(), before);
        QVERIFY(out_.contains(u"0 archivo(s) creado(s)"_s));
    }

    void initializeCreatesOnlyMissingFiles()
    {
        QCOMPARE(admin({u"inicializar"_s}), 0);
        QFile::remove(paths::toNative(paths::inBases(u"Marcas.mdb"_s)));
        QCOMPARE(admin({u"inicializar"_s, u"--demo"_s}), 0);
        QCOMPARE(count(u"Marcas.mdb"_s), 10);
        QCOMPARE(count(u"Articulos.mdb"_s), 0);
    }

    void demoStore()
    {
        QCOMPARE(admin({u"inicializar"_s, u"--demo"_s}), 0);
        QCOMPARE(count(u"Articulos.mdb"_s), 200);
        QCOMPARE(count(u"Articulos.mdb"_s, u"iva = 21"_s) > 0, true);
        QCOMPARE(count(u"Articulos.mdb"_s, u"iva = 10.5"_s) > 0, true);
        QCOMPARE(count(u"Articulos.mdb"_s, u"iva = 0"_s) > 0, true);
        QCOMPARE(count(u"Articulos.mdb"_s, u"iva IS NULL"_s) > 0, true);
        QCOMPARE(
            count(u"Articulos.mdb"_s, u"descripcion IS NULL OR codbarra IS NULL OR lis3 IS NULL"_s),
            0);
        QCOMPARE(catalogue::open(u"Articulos.mdb"_s)
                     ->Select(u"SELECT count(DISTINCT uni) FROM articulos"_s)
                     .value(0)
                     .value(0)
                     .toInt(),
                 4);
        QCOMPARE(count(u"Clientes.mdb"_s), 50);
        QCOMPARE(count(u"Clientes.mdb"_s, u"ESTADO = 'SUSPENDIDA'"_s), 1);
        QCOMPARE(count(u"Clientes.mdb"_s, u"instr(CUIT, 'remito') > 0"_s), 1);
        QCOMPARE(count(u"Proveedores.mdb"_s), 20);
        QCOMPARE(count(u"Marcas.mdb"_s), 10);
        QCOMPARE(count(u"Rubros.mdb"_s), 10);
        QCOMPARE(count(u"Departamentos.mdb"_s), 8);
        QCOMPARE(count(u"Departamentos.mdb"_s, u"COD_RUB = '0008' AND COD_LET = 'D8'"_s), 1);
        QVERIFY(count(u"Etiquetas.mdb"_s) > 0);
        QCOMPARE(admin({u"verificar"_s}), 0);
        QCOMPARE(out_.count(u"BIEN"_s), 10);
    }

    // The search index is made with a progress line, left alone while it matches, and made
    // again when it is gone.
    void searchIndexFromTheCommandLine()
    {
        QCOMPARE(admin({u"inicializar"_s, u"--demo"_s}), 0);
        const QString index = articlesearch::indexPath();
        QFile::remove(index);
        QCOMPARE(admin({u"indice"_s}), 0);
        QVERIFY2(out_.contains(u"\rÍndice de búsqueda: 200 de 200 artículos\n"_s),
                 qPrintable(out_));
        QVERIFY(out_.endsWith(u"Índice de búsqueda rehecho.\n"_s));
        QVERIFY(QFileInfo::exists(index));
        QCOMPARE(admin({u"indice"_s}), 0);
        QCOMPARE(out_, u"El índice de búsqueda ya coincidía con los artículos.\n"_s);
        QVERIFY(QFile::remove(index));
        QCOMPARE(admin({u"indice"_s}), 0);
        QVERIFY(out_.endsWith(u"Índice de búsqueda rehecho.\n"_s));
        QCOMPARE(admin({u"indice"_s, u"x"_s}), 2);
    }

    void verifyFindsBrokenFiles()
    {
        QCOMPARE(admin({u"inicializar"_s}), 0);
        QFile broken(paths::toNative(paths::inBases(u"Clientes.mdb"_s)));
        QVERIFY(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
        broken.write("roto");
        broken.close();
        QFile::remove(paths::toNative(paths::inBases(u"Rubros.mdb"_s)));
        QCOMPARE(admin({u"verificar"_s}), 1);
        QCOMPARE(out_.count(u"BIEN"_s), 8);
        QVERIFY(out_.contains(u"FALLA  Clientes.mdb - error 3343"_s));
        QVERIFY(out_.contains(u"FALLA  Rubros.mdb - error 3024"_s));
    }

    void users()
    {
        QCOMPARE(admin({u"inicializar"_s}), 0);
        typed_ = {u"Clave1"_s, u"Clave1"_s};
        QCOMPARE(admin({u"usuario"_s, u"agregar"_s, u"Pepe"_s}), 0);
        QCOMPARE(admin({u"usuario"_s, u"agregar"_s, u"PEPE"_s}), 1);
        QVERIFY(err_.contains(u"ya existe"_s));
        QCOMPARE(admin({u"usuario"_s, u"listar"_s}), 0);
        QCOMPARE(out_, u"VUMRE\nPepe\n"_s);

        auto users = catalogue::open(u"Opcion.mdb"_s)->OpenRecordset(u"Usuarios"_s);
        users->setIndex(u"usuario"_s);
        users->Seek(u"pepe"_s);
        QVERIFY(passwords::loginMatches(users->Fields(u"contrasena"_s).Value(), u"Clave1"_s));
        QVERIFY(!users->Fields(u"contrasena"_s).Value().toString().contains(u"Clave1"_s));

        typed_ = {u"Nueva"_s, u"Nueva"_s};
        QCOMPARE(admin({u"usuario"_s, u"clave"_s, u"pepe"_s}), 0);
        users->Seek(u"Pepe"_s);
        QVERIFY(passwords::loginMatches(users->Fields(u"contrasena"_s).Value(), u"Nueva"_s));
        QVERIFY(!passwords::loginMatches(users->Fields(u"contrasena"_s).Value(), u"Clave1"_s));

        QCOMPARE(admin({u"usuario"_s, u"clave"_s, u"nadie"_s}), 1);
        QCOMPARE(admin({u"usuario"_s, u"borrar"_s, u"VUMRE"_s}), 0);
        QCOMPARE(admin({u"usuario"_s, u"borrar"_s, u"Pepe"_s}), 1);
        QVERIFY(err_.contains(u"único usuario"_s));
        QCOMPARE(admin({u"usuario"_s, u"agregar"_s, QString(31, u'x')}), 1);
    }

    // While the program runs, the commands that write refuse and change nothing; reading goes on.
    void writingCommandsWaitForTheProgramToEnd()
    {
        QCOMPARE(admin({u"inicializar"_s}), 0);
        const QByteArray before = digestOfFolder();
        {
            auto program = FolderLock::acquire();
            QVERIFY(program);
            typed_ = {u"Clave1"_s, u"Clave1"_s, u"Clave1"_s};
            for (const QStringList& args :
                 {QStringList{u"usuario"_s, u"agregar"_s, u"PEPE"_s},
                  QStringList{u"usuario"_s, u"clave"_s, u"VUMRE"_s},
                  QStringList{u"usuario"_s, u"borrar"_s, u"VUMRE"_s},
                  QStringList{u"inicializar"_s, u"--demo"_s},
                  QStringList{u"restaurar"_s, folder_->path()},
                  QStringList{u"precios"_s, u"--costo"_s, u"5"_s},
                  QStringList{u"precios"_s, u"deshacer"_s, u"1"_s}, QStringList{u"indice"_s}}) {
                QCOMPARE(admin(args), 1);
                QVERIFY2(err_.contains(u"El programa está abierto"_s), qPrintable(args.join(u' ')));
            }
            QCOMPARE(admin({u"usuario"_s, u"listar"_s}), 0);
            QCOMPARE(admin({u"verificar"_s}), 0);
            QCOMPARE(admin({u"precios"_s, u"historial"_s}), 0);
        }
        QCOMPARE(digestOfFolder(), before);
        typed_ = {u"Clave1"_s, u"Clave1"_s};
        QCOMPARE(admin({u"usuario"_s, u"agregar"_s, u"PEPE"_s}), 0);
    }

    // The monthly update from a script: a trial writes nothing; the change stores the prices,
    // the history and the labels; the history lists it and the undo puts the prices back.
    void pricesFromTheCommandLine()
    {
        QCOMPARE(admin({u"inicializar"_s, u"--demo"_s}), 0);
        const QString supplier1 = u"codp = '0001'"_s;
        const auto sum = [](const QString& where) {
            return catalogue::open(u"Articulos.mdb"_s)
                ->Select(u"SELECT round(sum(lis1), 2) FROM articulos WHERE "_s + where)
                .value(0)
                .value(0)
                .toDouble();
        };
        const double before = sum(supplier1), others = sum(u"codp <> '0001'"_s);
        const QByteArray untouched = digestOfFolder();
        const int labels = count(u"Etiquetas.mdb"_s);

        QCOMPARE(admin({u"precios"_s, u"--proveedor"_s, u"1"_s, u"--costo"_s, u"8"_s,
                        u"--redondeo"_s, u"10"_s, u"--prueba"_s}),
                 0);
        QVERIFY2(out_.contains(u"Artículos que cambian: "_s) &&
                     out_.contains(u"Suma de la lista 1: antes"_s),
                 qPrintable(out_));
        QCOMPARE(digestOfFolder(), untouched);

        QCOMPARE(admin({u"precios"_s, u"--proveedor"_s, u"1"_s, u"--costo"_s, u"8,5"_s,
                        u"--redondeo"_s, u"10"_s, u"--hacia-arriba"_s}),
                 0);
        QVERIFY(out_.contains(u"(actualización número 1)"_s));
        QVERIFY(sum(supplier1) > before);
        QCOMPARE(sum(u"codp <> '0001'"_s), others);
        QCOMPARE(count(u"Articulos.mdb"_s,
                       supplier1 + u" AND cast(lis1 * 100 AS INTEGER) % 1000 <> 0"_s),
                 0);
        QVERIFY(count(u"Etiquetas.mdb"_s) > labels);

        QCOMPARE(admin({u"precios"_s, u"--lista"_s, u"2"_s, u"--recargo"_s, u"40"_s,
                        u"--sin-etiquetas"_s, u"--desde"_s, u"1"_s, u"--hasta"_s, u"3"_s}),
                 0);
        QCOMPARE(admin({u"precios"_s, u"historial"_s}), 0);
        const QStringList lines = out_.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines[0].startsWith(u"2 "_s));
        QVERIFY(lines[1].startsWith(u"1 "_s) && lines[1].contains(u"costo +8,5 %"_s));

        QCOMPARE(admin({u"precios"_s, u"deshacer"_s, u"1"_s}), 0);
        QCOMPARE(sum(supplier1), before);
        QCOMPARE(admin({u"precios"_s, u"deshacer"_s, u"1"_s}), 1);
        QVERIFY(err_.contains(u"ya se deshizo"_s));
    }

    void pricesRefused_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("no rule") << QStringList{u"--proveedor"_s, u"1"_s}
                                 << u"Indique una sola regla"_s;
        QTest::newRow("two rules")
            << QStringList{u"--costo"_s, u"5"_s, u"--lista"_s, u"1"_s, u"--porcentaje"_s, u"3"_s}
            << u"Indique una sola regla"_s;
        QTest::newRow("not a number") << QStringList{u"--costo"_s, u"8%"_s} << u"no es un número"_s;
        QTest::newRow("two separators")
            << QStringList{u"--costo"_s, u"1.000,5"_s} << u"no es un número"_s;
        QTest::newRow("list 4") << QStringList{u"--lista"_s, u"4"_s, u"--porcentaje"_s, u"3"_s}
                                << u"La lista es 1, 2 o 3"_s;
        QTest::newRow("list without number")
            << QStringList{u"--porcentaje"_s, u"3"_s} << u"--lista N"_s;
        QTest::newRow("step below a cent")
            << QStringList{u"--costo"_s, u"5"_s, u"--redondeo"_s, u"0,001"_s} << u"centavos"_s;
        QTest::newRow("up without a step")
            << QStringList{u"--costo"_s, u"5"_s, u"--hacia-arriba"_s} << u"--redondeo"_s;
        QTest::newRow("unknown option")
            << QStringList{u"--costo"_s, u"5"_s, u"--todo"_s} << u"Opción desconocida"_s;
        QTest::newRow("missing value") << QStringList{u"--costo"_s} << u"Falta el valor"_s;
        QTest::newRow("nothing matches")
            << QStringList{u"--proveedor"_s, u"999"_s, u"--costo"_s, u"5"_s}
            << u"Ningún artículo cambia"_s;
        QTest::newRow("unknown change")
            << QStringList{u"deshacer"_s, u"7"_s} << u"No hay actualizaciones de precios"_s;
        QTest::newRow("bad number")
            << QStringList{u"deshacer"_s, u"siete"_s} << u"no es un número"_s;
    }
    void pricesRefused()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        QCOMPARE(admin({u"inicializar"_s, u"--demo"_s}), 0);
        const QByteArray before = digestOfFolder();
        QCOMPARE(admin(QStringList{u"precios"_s} + args), 1);
        QVERIFY2(err_.contains(message), qPrintable(err_));
        QCOMPARE(digestOfFolder(), before);
    }

    void newPasswordRefused_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QStringList>("typed");  // the lines read; fewer means end of input
        QTest::addColumn<QString>("message");
        for (const QString& action : {u"clave"_s, u"agregar"_s}) {
            const QByteArray a = action.toLatin1();
            QTest::addRow("%s, end of input", a.constData())
                << action << QStringList() << u"ninguna contraseña"_s;
            QTest::addRow("%s, empty", a.constData())
                << action << QStringList{u""_s, u""_s} << u"vacía"_s;
            QTest::addRow("%s, three characters", a.constData())
                << action << QStringList{u"abc"_s, u"abc"_s} << u"al menos 4 caracteres"_s;
            QTest::addRow("%s, mismatch", a.constData())
                << action << QStringList{u"Clave1"_s, u"Clave2"_s} << u"no coinciden"_s;
            QTest::addRow("%s, no confirmation", a.constData())
                << action << QStringList{u"Clave1"_s} << u"no coinciden"_s;
        }
    }
    void newPasswordRefused()
    {
        QFETCH(QString, action);
        QFETCH(QStringList, typed);
        QFETCH(QString, message);
        QCOMPARE(admin({u"inicializar"_s}), 0);
        const QByteArray before = digestOfFolder();
        typed_ = typed;
        QCOMPARE(admin({u"usuario"_s, action, action == u"clave" ? u"VUMRE"_s : u"NUEVO"_s}), 1);
        QVERIFY2(err_.contains(message) && err_.contains(u"no se cambió nada"_s), qPrintable(err_));
        QVERIFY(out_.isEmpty());
        QCOMPARE(digestOfFolder(), before);
    }

    void fourCharactersAreEnough()
    {
        QCOMPARE(admin({u"inicializar"_s}), 0);
        typed_ = {u"abcd"_s, u"abcd"_s};
        QCOMPARE(admin({u"usuario"_s, u"clave"_s, u"VUMRE"_s}), 0);
        auto users = catalogue::open(u"Opcion.mdb"_s)->OpenRecordset(u"Usuarios"_s);
        users->setIndex(u"usuario"_s);
        users->Seek(u"VUMRE"_s);
        const QString stored = users->Fields(u"contrasena"_s).Value().toString();
        QVERIFY(stored.startsWith(u"pbkdf2-sha256$600000$"_s));
        QVERIFY(passwords::loginMatches(stored, u"abcd"_s));
    }

    void realProgramRefusesEndOfInput()
    {
        QProcess tool;
        tool.start(QString::fromUtf8(ADMIN_TOOL), {u"inicializar"_s});
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitCode(), 0);
        const QByteArray before = digestOfFolder();
        tool.start(QString::fromUtf8(ADMIN_TOOL), {u"usuario"_s, u"clave"_s, u"VUMRE"_s});
        tool.closeWriteChannel();
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitCode(), 1);
        QVERIFY(tool.readAllStandardOutput().isEmpty());
        QVERIFY(QString::fromUtf8(tool.readAllStandardError()).contains(u"no se cambió nada"_s));
        QCOMPARE(digestOfFolder(), before);
    }

    void missingDataFolder()
    {
        QCOMPARE(admin({u"usuario"_s, u"listar"_s}), 1);
        QVERIFY(err_.startsWith(u"Error 3024: "_s));
        QCOMPARE(admin({u"verificar"_s}), 1);
        QVERIFY(!QFileInfo::exists(paths::toNative(paths::inBases(u"Opcion.mdb"_s))));
    }

    void wrongArguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("none") << QStringList();
        QTest::newRow("unknown") << QStringList{u"borrar"_s};
        QTest::newRow("bad option") << QStringList{u"inicializar"_s, u"--todo"_s};
        QTest::newRow("user without name") << QStringList{u"usuario"_s, u"agregar"_s};
        QTest::newRow("user extra") << QStringList{u"usuario"_s, u"listar"_s, u"x"_s};
        QTest::newRow("verify extra") << QStringList{u"verificar"_s, u"x"_s};
    }
    void wrongArguments()
    {
        QFETCH(QStringList, args);
        QCOMPARE(admin(args), 2);
        QVERIFY(err_.startsWith(u"Uso: valdrameno-admin"_s));
    }

    void versionAndHelp_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("start");
        QTest::newRow("version") << u"--version"_s << u"valdrameno-admin 0."_s;
        QTest::newRow("help") << u"--help"_s << u"Uso: valdrameno-admin ORDEN"_s;
        QTest::newRow("short help") << u"-h"_s << u"Uso: valdrameno-admin ORDEN"_s;
    }
    void versionAndHelp()
    {
        QFETCH(QString, option);
        QFETCH(QString, start);
        QCOMPARE(admin({option}), 0);
        QVERIFY2(out_.startsWith(start), qPrintable(out_));
        QVERIFY(err_.isEmpty());
        QCOMPARE(admin({option, u"x"_s}), 2);
    }

    // Whoever holds the data folder, a writing command says whom to wait for.
    void refusalNamesTheHolder_data()
    {
        QTest::addColumn<FolderLock::Holder>("holder");
        QTest::addColumn<QString>("says");
        QTest::newRow("program") << FolderLock::Holder::Program << u"El programa está abierto"_s;
        QTest::newRow("command") << FolderLock::Holder::Command
                                 << u"Otra orden de valdrameno-admin está trabajando"_s;
    }
    void refusalNamesTheHolder()
    {
        QFETCH(FolderLock::Holder, holder);
        QFETCH(QString, says);
        QCOMPARE(admin({u"inicializar"_s}), 0);
        const auto held = FolderLock::acquire(nullptr, holder);
        QVERIFY(held);
        typed_ = {u"Clave1"_s, u"Clave1"_s};
        QCOMPARE(admin({u"usuario"_s, u"agregar"_s, u"PEPE"_s}), 1);
        QVERIFY2(err_.startsWith(says), qPrintable(err_));
    }

    // A lock file that cannot be made is no open program: the refusal says what is wrong.
    void lockFileThatCannotBeMadeIsNamed()
    {
        QTemporaryDir home;
        QFile blocker(home.filePath(u"no-es-carpeta"_s));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const fixture::EnvVar dataHome("XDG_DATA_HOME", QFile::encodeName(blocker.fileName()));
        QCOMPARE(admin({u"inicializar"_s}), 1);
        QVERIFY2(err_.startsWith(
                     u"No se puede tomar la carpeta de datos: no se puede crear el archivo de "
                     u"bloqueo "_s) &&
                     err_.contains(u": la carpeta no existe y no se puede crear"_s),
                 qPrintable(err_));
    }

    // Names that are not text, or carry control characters, never become users: two such names
    // would decode to one user, and "listar" would print the control characters raw.
    void unreadableUserNamesRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("newline") << u"PE\nPE"_s;
        QTest::newRow("escape") << u"\x1b[31mROJO"_s;
        QTest::newRow("undecodable") << u"JOS\uFFFD"_s;
        QTest::newRow("tab") << u"A\tB"_s;
    }
    void unreadableUserNamesRefused()
    {
        QFETCH(QString, name);
        QCOMPARE(admin({u"inicializar"_s}), 0);
        typed_ = {u"Clave1"_s, u"Clave1"_s};
        QCOMPARE(admin({u"usuario"_s, u"agregar"_s, name}), 1);
        QVERIFY2(err_.contains(u"no se cambió nada"_s), qPrintable(err_));
        QCOMPARE(count(u"Opcion.mdb"_s), 1);
    }

    // A password that cannot be typed back at the login is refused, not stored.
    void unreadablePasswordsRefused_data()
    {
        QTest::addColumn<QString>("password");
        QTest::newRow("latin-1 piped") << u"contrase\uFFFDa"_s;
        QTest::newRow("escape") << u"\x1b[A1234"_s;
        QTest::newRow("carriage return inside") << u"cla\rve"_s;
    }
    void unreadablePasswordsRefused()
    {
        QFETCH(QString, password);
        QCOMPARE(admin({u"inicializar"_s}), 0);
        typed_ = {password, password};
        QCOMPARE(admin({u"usuario"_s, u"agregar"_s, u"PEPE"_s}), 1);
        QVERIFY2(err_.contains(u"La contraseña tiene caracteres que no son texto UTF-8"_s),
                 qPrintable(err_));
        QCOMPARE(count(u"Opcion.mdb"_s), 1);
    }

    void argumentsThatAreNotUtf8Refused()
    {
        QByteArray program("valdrameno-admin"), command("usuario"), action("agregar"),
            name("JOS\xC9");
        char* argv[] = {program.data(), command.data(), action.data(), name.data()};
        QString errText;
        QTextStream err(&errText);
        QVERIFY(!admin::decodeArguments(4, argv, err));
        err.flush();
        QVERIFY2(errText.contains(u"argumento 3 no es texto UTF-8"_s), qPrintable(errText));
        QByteArray good("JOS\xC3\x89");
        argv[3] = good.data();
        QCOMPARE(admin::decodeArguments(4, argv, err),
                 QStringList({u"usuario"_s, u"agregar"_s, u"JOSÉ"_s}));
    }

    // A password piped from a Windows file ends its lines with CR LF: the CR is not kept.
    void realProgramDropsTheCarriageReturn()
    {
        QProcess tool;
        tool.start(QString::fromUtf8(ADMIN_TOOL), {u"inicializar"_s});
        QVERIFY(tool.waitForFinished(60000));
        tool.start(QString::fromUtf8(ADMIN_TOOL), {u"usuario"_s, u"agregar"_s, u"caja"_s});
        tool.write("secreta\r\nsecreta\r\n");
        tool.closeWriteChannel();
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitCode(), 0);
        auto users = catalogue::open(u"Opcion.mdb"_s)->OpenRecordset(u"Usuarios"_s);
        users->setIndex(u"usuario"_s);
        users->Seek(u"caja"_s);
        QVERIFY(passwords::loginMatches(users->Fields(u"contrasena"_s).Value(), u"secreta"_s));
    }

    void realProgramReadsPasswordFromStandardInput()
    {
        QProcess tool;
        tool.start(QString::fromUtf8(ADMIN_TOOL), {u"inicializar"_s});
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitCode(), 0);
        tool.start(QString::fromUtf8(ADMIN_TOOL), {u"usuario"_s, u"agregar"_s, u"caja"_s});
        tool.write("secreta\nsecreta\n");
        tool.closeWriteChannel();
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitCode(), 0);
        tool.start(QString::fromUtf8(ADMIN_TOOL), {u"ayuda"_s});
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitCode(), 2);
        auto users = catalogue::open(u"Opcion.mdb"_s)->OpenRecordset(u"Usuarios"_s);
        users->setIndex(u"usuario"_s);
        users->Seek(u"caja"_s);
        QVERIFY(passwords::loginMatches(users->Fields(u"contrasena"_s).Value(), u"secreta"_s));
    }
};

QTEST_GUILESS_MAIN(AdminTest)
#include "tst_admin.moc"
