// The Debian package: built by cpack from the programs already built, unpacked with dpkg -x
// into a scratch root, its files, control fields and desktop entry checked, and the programs
// run from there.

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

struct Outcome {
    int code = -1;
    QString output;  // standard output and standard error together
};

Outcome run(const QString& program, const QStringList& args)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    Outcome outcome;
    if (!process.waitForFinished(300000)) {
        outcome.output = program + u": "_s + process.errorString();
        return outcome;
    }
    outcome.output = QString::fromLocal8Bit(process.readAll());
    outcome.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return outcome;
}

QString tool(const char* name) { return QStandardPaths::findExecutable(QString::fromLatin1(name)); }

// Runs `program` with `input` on its standard input; standard output and error apart.
struct Piped {
    QByteArray output;
    QByteArray errors;
};
Piped pipeThrough(const QString& program, const QStringList& args, const QByteArray& input)
{
    QProcess process;
    process.start(program, args);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000))
        return {{}, (program + u": "_s + process.errorString()).toUtf8()};
    return {process.readAllStandardOutput(), process.readAllStandardError()};
}

QString collapsed(const QString& text) { return text.simplified(); }

}  // namespace

class PackageTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString deb_;
    QString root_;

    // A manual page of the package, uncompressed.
    QByteArray manualPage(const QString& name) const
    {
        QFile file(QDir(root_).filePath(u"usr/share/man/man1/"_s + name));
        if (!file.open(QIODevice::ReadOnly)) return {};
        return pipeThrough(tool("gzip"), {u"-dc"_s}, file.readAll()).output;
    }

    // The page as man shows it on a terminal without UTF-8: groff's ASCII device with its
    // fallbacks for accented letters, no bold or underline, no hyphenation, every warning on.
    static Piped renderAsAsciiTerminal(const QByteArray& page)
    {
        return pipeThrough(
            tool("groff"),
            {u"-man"_s, u"-mtty-char"_s, u"-Tascii"_s, u"-P-cbou"_s, u"-ww"_s, u"-rHY=0"_s}, page);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        // cpack's DEB generator needs dpkg-deb's family: dpkg for the architecture,
        // dpkg-shlibdeps (dpkg-dev) for the library dependencies.
        for (const char* name : {"dpkg", "dpkg-deb", "dpkg-shlibdeps"})
            if (tool(name).isEmpty()) QSKIP(qPrintable(u"Falta "_s + QString::fromLatin1(name)));

        const Outcome arch = run(tool("dpkg"), {u"--print-architecture"_s});
        QCOMPARE(arch.code, 0);
        const QString packed = run(QString::fromUtf8(CPACK_COMMAND),
                                   {u"-G"_s, u"DEB"_s, u"--config"_s,
                                    QString::fromUtf8(CPACK_CONFIG), u"-B"_s, dir_.path()})
                                   .output;
        deb_ = dir_.filePath(
            QString::fromUtf8(PACKAGE_FILE).replace(u"amd64"_s, arch.output.trimmed()));
        QVERIFY2(QFileInfo(deb_).isFile(), qPrintable(packed));

        root_ = dir_.filePath(u"raiz"_s);
        const Outcome unpacked = run(tool("dpkg"), {u"-x"_s, deb_, root_});
        QVERIFY2(unpacked.code == 0, qPrintable(unpacked.output));
    }

    void holdsItsFiles_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("executable");
        QTest::newRow("program") << u"usr/bin/valdrameno"_s << true;
        QTest::newRow("admin tool") << u"usr/bin/valdrameno-admin"_s << true;
        QTest::newRow("desktop entry") << u"usr/share/applications/valdrameno.desktop"_s << false;
        QTest::newRow("icon") << u"usr/share/icons/hicolor/scalable/apps/valdrameno.svg"_s << false;
        QTest::newRow("manual") << u"usr/share/man/man1/valdrameno.1.gz"_s << false;
        QTest::newRow("admin manual") << u"usr/share/man/man1/valdrameno-admin.1.gz"_s << false;
        QTest::newRow("guide") << u"usr/share/doc/valdrameno/guia.md"_s << false;
        QTest::newRow("copyright") << u"usr/share/doc/valdrameno/copyright"_s << false;
        QTest::newRow("changelog") << u"usr/share/doc/valdrameno/changelog.gz"_s << false;
        QTest::newRow("lintian overrides") << u"usr/share/lintian/overrides/valdrameno"_s << false;
    }
    void holdsItsFiles()
    {
        QFETCH(QString, path);
        QFETCH(bool, executable);
        const QFileInfo file(QDir(root_).filePath(path));
        QVERIFY2(file.isFile(), qPrintable(path));
        QVERIFY(file.size() > 0);
        QCOMPARE(file.isExecutable(), executable);
    }

    // Built with Debian's hardening: relocations bound at start, fortified C library calls,
    // the stack protector.
    void programsAreHardened_data()
    {
        QTest::addColumn<QString>("program");
        QTest::newRow("program") << u"valdrameno"_s;
        QTest::newRow("admin tool") << u"valdrameno-admin"_s;
    }
    void programsAreHardened()
    {
        QFETCH(QString, program);
        if (!HARDENED_BUILD)
            QSKIP("Compilación Debug (la de --sanitize): no lleva el endurecimiento del paquete");
        if (tool("readelf").isEmpty()) QSKIP("Falta readelf (binutils)");
        const QString path = QDir(root_).filePath(u"usr/bin/"_s + program);
        const Outcome dynamic = run(tool("readelf"), {u"-d"_s, u"-W"_s, path});
        QCOMPARE(dynamic.code, 0);
        static const QRegularExpression bindNow(
            u"\\(FLAGS\\).*\\bBIND_NOW\\b|\\(FLAGS_1\\).*\\bNOW\\b"_s);
        QVERIFY2(dynamic.output.contains(bindNow), qPrintable(dynamic.output));
        const Outcome symbols = run(tool("readelf"), {u"--dyn-syms"_s, u"-W"_s, path});
        QCOMPARE(symbols.code, 0);
        // A fortified call: a checked variant (__memcpy_chk...) or open's (__open_2).
        static const QRegularExpression fortified(u"\\b__(\\w+_chk|open(at)?(64)?_2)\\b"_s);
        QVERIFY2(symbols.output.contains(fortified),
                 "ninguna función fortificada (__*_chk, __open_2)");
        QVERIFY2(symbols.output.contains(u"__stack_chk_fail"_s),
                 "sin protección de la pila (__stack_chk_fail)");
    }

    void guideIsTheStoreSection()
    {
        QFile guide(QDir(root_).filePath(u"usr/share/doc/valdrameno/guia.md"_s));
        QVERIFY(guide.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(guide.readAll());
        QVERIFY2(text.startsWith(u"# Sistema Valdrameno: Guía para el comercio\n"_s),
                 qPrintable(text.left(80)));
        QVERIFY(text.contains(u"valdrameno-admin inicializar"_s));
        QVERIFY(!text.contains(u"## Developers"_s));
    }

    void controlFields_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("part");
        QTest::addColumn<bool>("present");
        QTest::newRow("name") << u"Package"_s << u"valdrameno"_s << true;
        QTest::newRow("Qt widgets, from the libraries")
            << u"Depends"_s << u"libqt6widgets6"_s << true;
        QTest::newRow("SQLite, from the libraries") << u"Depends"_s << u"libsqlite3-0"_s << true;
        // Opened at their first use, so named by hand.
        QTest::newRow("OpenSSL's libcrypto") << u"Depends"_s << u"libssl3"_s << true;
        QTest::newRow("libxlsxwriter") << u"Depends"_s << u"libxlsxwriter4"_s << true;
        QTest::newRow("minizip") << u"Depends"_s << u"libminizip1"_s << true;
        QTest::newRow("Qt's Spanish") << u"Depends"_s << u"qt6-translations-l10n"_s << true;
        QTest::newRow("the reports' font") << u"Depends"_s << u"fonts-dejavu-core"_s << true;
        QTest::newRow("the platform plugins, to open windows")
            << u"Depends"_s << u"qt6-qpa-plugins"_s << true;
        // A calculator pulls in a whole toolkit; the program says so when none is there.
        QTest::newRow("no calculator required") << u"Depends"_s << u"calc"_s << false;
        QTest::newRow("calculators, as the program tries them")
            << u"Recommends"_s
            << u"galculator | gnome-calculator | kcalc | qalculate-gtk | x11-apps"_s << true;
        QTest::newRow("mounting the terminals' shares")
            << u"Recommends"_s << u"cifs-utils"_s << true;
    }
    void controlFields()
    {
        QFETCH(QString, field);
        QFETCH(QString, part);
        QFETCH(bool, present);
        const Outcome value = run(tool("dpkg-deb"), {u"-f"_s, deb_, field});
        QCOMPARE(value.code, 0);
        QVERIFY2(value.output.contains(part) == present, qPrintable(value.output));
    }

    void programsAnswerFromTheScratchRoot_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("start");
        QTest::newRow("admin version")
            << u"valdrameno-admin"_s << u"--version"_s << u"valdrameno-admin 0."_s;
        QTest::newRow("admin help")
            << u"valdrameno-admin"_s << u"--help"_s << u"Uso: valdrameno-admin ORDEN\n"_s;
        QTest::newRow("program version") << u"valdrameno"_s << u"--version"_s << u"valdrameno 0."_s;
        QTest::newRow("program help") << u"valdrameno"_s << u"--help"_s << u"Uso: valdrameno"_s;
    }
    void programsAnswerFromTheScratchRoot()
    {
        QFETCH(QString, program);
        QFETCH(QString, option);
        QFETCH(QString, start);
        const Outcome answer = run(QDir(root_).filePath(u"usr/bin/"_s + program), {option});
        QVERIFY2(answer.code == 0, qPrintable(answer.output));
        QVERIFY2(answer.output.startsWith(start), qPrintable(answer.output));
    }

    // Read under any locale (LC_ALL=C too), the pages must show their accented letters: written
    // in ASCII with groff's escapes, every one of them known to groff.
    void manualPagesReadUnderAnyLocale_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("words");
        QTest::newRow("program") << u"valdrameno.1.gz"_s << u"programa de gestion del comercio"_s;
        QTest::newRow("admin tool")
            << u"valdrameno-admin.1.gz"_s << u"la contrasena y su repeticion"_s;
    }
    void manualPagesReadUnderAnyLocale()
    {
        QFETCH(QString, page);
        QFETCH(QString, words);
        const QByteArray source = manualPage(page);
        QVERIFY(!source.isEmpty());
        for (qsizetype i = 0; i < source.size(); ++i)
            QVERIFY2(uchar(source[i]) < 0x80,
                     qPrintable(u"byte %1 fuera de ASCII: "_s.arg(i) +
                                QString::fromUtf8(source.mid(i - 20, 40))));
        if (tool("groff").isEmpty()) QSKIP("Falta groff (groff-base)");
        const Piped shown = renderAsAsciiTerminal(source);
        QVERIFY2(shown.errors.isEmpty(), shown.errors.constData());
        QVERIFY2(collapsed(QString::fromLatin1(shown.output)).contains(words),
                 shown.output.constData());
    }

    // The admin tool's page names every command its --help names, written the same way.
    void adminPageHasEveryCommandOfItsHelp()
    {
        if (tool("groff").isEmpty()) QSKIP("Falta groff (groff-base)");
        const Outcome help =
            run(QDir(root_).filePath(u"usr/bin/valdrameno-admin"_s), {u"--help"_s});
        QCOMPARE(help.code, 0);
        const QString page = collapsed(QString::fromLatin1(
            renderAsAsciiTerminal(manualPage(u"valdrameno-admin.1.gz"_s)).output));
        // A command starts its line after two blanks; its explanation follows after two or more.
        static const QRegularExpression commandLine(u"^  (\\S.*?)(?:  |$)"_s);
        QStringList commands;
        for (const QString& line : help.output.split(u'\n')) {
            const QRegularExpressionMatch match = commandLine.match(line);
            if (match.hasMatch()) commands << match.captured(1).simplified();
        }
        QVERIFY2(commands.size() >= 12, qPrintable(help.output));
        for (const QString& command : commands)
            QVERIFY2(page.contains(command), qPrintable(u"Falta en la página: "_s + command));
    }

    // In a new home the check names each missing file where it is looked for on this computer,
    // not only by the name the store's programs give it.
    void verifyNamesTheRealFolderInANewHome()
    {
        QTemporaryDir home;
        QVERIFY(home.isValid());
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(u"XDG_DATA_HOME"_s);
        env.insert(u"HOME"_s, home.path());
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(QDir(root_).filePath(u"usr/bin/valdrameno-admin"_s), {u"verificar"_s});
        QVERIFY(process.waitForFinished(60000));
        const QString output = QString::fromUtf8(process.readAll());
        QCOMPARE(process.exitCode(), 1);
        const QString folder = home.path() + u"/.local/share/valdrameno/C/Norvik/Bases/"_s;
        for (const char* name : {"Opcion.mdb", "Articulos.mdb", "Stock02.mdb"})
            QVERIFY2(output.contains(u"(en esta computadora: "_s + folder +
                                     QString::fromLatin1(name) + u')'),
                     qPrintable(output));
    }

    // scripts/package in a copy of the project whose build/ was configured for the original
    // tree leaves that folder alone and builds in a folder of its own. cmake, cpack and
    // lintian are stand-ins that write down where and how they were run.
    void packageScriptLeavesAnotherTreesBuildFolder()
    {
        QTemporaryDir scratch;
        QVERIFY(scratch.isValid());
        const QDir tree(scratch.filePath(u"copia"_s)), bin(scratch.filePath(u"bin"_s));
        QVERIFY(tree.mkpath(u"scripts"_s) && tree.mkpath(u"build"_s) && bin.mkpath(u"."_s));
        QVERIFY(
            QFile::copy(QString::fromUtf8(PACKAGE_SCRIPT), tree.filePath(u"scripts/package"_s)));
        const auto write = [](const QString& path, const QByteArray& text, bool executable) {
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) return false;
            return !executable || file.setPermissions(file.permissions() | QFile::ExeOwner);
        };
        QVERIFY(write(tree.filePath(u"scripts/setup"_s), "true\n", false));
        QVERIFY(write(
            tree.filePath(u"build/CMakeCache.txt"_s),
            "CMAKE_HOME_DIRECTORY:INTERNAL=" + scratch.filePath(u"original"_s).toUtf8() + "\n",
            false));
        QVERIFY(write(tree.filePath(u"build/build.ninja"_s), "", false));
        const QByteArray log = scratch.filePath(u"log"_s).toUtf8();
        QVERIFY(
            write(bin.filePath(u"cmake"_s),
                  "#!/bin/sh\necho \"cmake $*\" >>" + log +
                      "\nwhile [ $# -gt 1 ]; do [ \"$1\" = -B ] && mkdir -p \"$2\"; shift; done\n",
                  true));
        QVERIFY(write(bin.filePath(u"cpack"_s),
                      "#!/bin/sh\necho \"cpack in ${PWD##*/}\" >>" + log +
                          "\ntouch valdrameno_0.1_amd64.deb\n",
                      true));
        QVERIFY(write(bin.filePath(u"lintian"_s), "#!/bin/sh\n", true));

        QProcess script;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"PATH"_s, bin.path() + u':' + env.value(u"PATH"_s));
        script.setProcessEnvironment(env);
        script.start(tool("bash"), {tree.filePath(u"scripts/package"_s)});
        QVERIFY(script.waitForFinished(60000));
        const QString errors = QString::fromUtf8(script.readAllStandardError());
        QVERIFY2(script.exitCode() == 0, qPrintable(errors));
        QCOMPARE(QString::fromUtf8(script.readAllStandardOutput()).trimmed(),
                 u"build-paquete/valdrameno_0.1_amd64.deb"_s);
        QFile ran(QString::fromUtf8(log));
        QVERIFY(ran.open(QIODevice::ReadOnly));
        const QStringList runs = QString::fromUtf8(ran.readAll()).split(u'\n', Qt::SkipEmptyParts);
        QVERIFY2(runs.size() == 3, qPrintable(runs.join(u'\n')));
        QVERIFY2(runs[0].startsWith(u"cmake -S . -B build-paquete "_s), qPrintable(runs[0]));
        QVERIFY2(runs[1].startsWith(u"cmake --build build-paquete "_s), qPrintable(runs[1]));
        QCOMPARE(runs[2], u"cpack in build-paquete"_s);
        QVERIFY(QFileInfo::exists(tree.filePath(u"build/CMakeCache.txt"_s)));
    }

    void desktopEntryIsValid()
    {
        const QString entry = QDir(root_).filePath(u"usr/share/applications/valdrameno.desktop"_s);
        QFile file(entry);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
        for (const QString& line : {u"Name=Sistema Valdrameno"_s, u"Exec=valdrameno"_s,
                                    u"Icon=valdrameno"_s, u"Categories=Office;Finance;"_s})
            QVERIFY2(lines.contains(line), qPrintable(line));
        if (tool("desktop-file-validate").isEmpty())
            QSKIP("Falta desktop-file-validate (desktop-file-utils)");
        const Outcome check = run(tool("desktop-file-validate"), {entry});
        QVERIFY2(check.code == 0 && check.output.isEmpty(), qPrintable(check.output));
    }

    void lintianFindsNoErrorNorWarning()
    {
        if (tool("lintian").isEmpty()) QSKIP("Falta lintian");
        if (!HARDENED_BUILD)
            QSKIP("Compilación Debug (la de --sanitize): no lleva el endurecimiento del paquete");
        // Informational tags shown too: none may be about hardening.
        const Outcome check =
            run(tool("lintian"), {u"--fail-on"_s, u"error,warning"_s, u"--display-info"_s, deb_});
        QVERIFY2(check.code == 0, qPrintable(check.output));
        QVERIFY2(!check.output.contains(u"hardening-"_s), qPrintable(check.output));
    }
};

QTEST_GUILESS_MAIN(PackageTest)
#include "tst_package.moc"
