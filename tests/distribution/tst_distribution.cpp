// The terminal update, the backup and the restore, through their windows and the admin tool.
#include <fcntl.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileSystemModel>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTreeView>
#include <algorithm>
#include <cerrno>

#include "admin/admin.h"
#include "articles/priceupdate.h"
#include "data/catalogue.h"
#include "data/dbcopy.h"
#include "data/engine.h"
#include "data/filereplace.h"
#include "data/paths.h"
#include "distribution/actualizar.h"
#include "distribution/backupcopy.h"
#include "distribution/backupform.h"
#include "distribution/distributionwindows.h"
#include "distribution/terminals.h"
#include "filemodes.h"
#include "shell/espere.h"
#include "shell/msgbox.h"
#include "shell/windowregistry.h"
#include "tempstore.h"

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(filereplace::FaultPoint)
Q_DECLARE_METATYPE(terminals::Freshness)

namespace {

const QStringList kSix = {u"Articulos.mdb"_s,     u"Clientes.mdb"_s, u"Proveedores.mdb"_s,
                          u"Departamentos.mdb"_s, u"Rubros.mdb"_s,   u"Marcas.mdb"_s};

QString bases() { return QDir::cleanPath(paths::toNative(paths::basesFolder())); }
// The folder that holds the data folder.
QString beside() { return QFileInfo(bases()).absolutePath(); }
QString terminalFolder(const QString& host)
{
    return paths::mappedRoot() + u"/red/"_s + host + u"/norvik/Bases"_s;
}

void addArticles(int count) { fixture::addArticles(*catalogue::open(u"Articulos.mdb"_s), count); }

// Sets the first article's price in the articles file `db`, as the article form saves it.
void setFirstPrice(Database& db, double price)
{
    const auto articles = db.OpenRecordset(u"articulos"_s);
    QVERIFY(!articles->Eof());
    articles->Edit();
    articles->Fields(u"lis1"_s).setValue(price);
    articles->Update();
}
void setFirstPrice(double price) { setFirstPrice(*catalogue::open(u"Articulos.mdb"_s), price); }

// The status of `row`'s file (1 to 6) on `terminal` in the terminal update window.
QLabel* statusLabel(const QWidget* window, int row, int terminal)
{
    return window->findChild<QLabel*>(u"lblEstado%1_%2"_s.arg(row).arg(terminal));
}
bool markedBehind(const QLabel* status)
{
    return status->font().bold() &&
           status->palette().color(QPalette::WindowText) == QColor(255, 0, 0);
}

QStringList hiddenEntries(const QString& folder)
{
    QStringList names =
        QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    names.removeIf([](const QString& n) { return !n.startsWith(u'.'); });
    return names;
}

void writeFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(data);
}

// The terminal's copy as the terminal's program finds it: opened read-write with SQLite alone,
// which rolls a journal (or log) beside it into it first; then given a full integrity check.
struct TerminalView {
    double prices = 0;
    qint64 articles = -1;
    QStringList problems;
};
TerminalView openAsTerminal(const QString& path)
{
    TerminalView view;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) ==
        SQLITE_OK) {
        // The back office's collation, which the index on the barcode names; this reading does
        // not compare with it (the check below uses the program's own).
        sqlite3_create_collation(db, "ES_NOCASE", SQLITE_UTF8, nullptr,
                                 [](void*, int a, const void* x, int b, const void* y) {
                                     const int c = std::memcmp(x, y, size_t(std::min(a, b)));
                                     return c ? c : a - b;
                                 });
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT total(lis1), count(*) FROM articulos", -1, &st,
                               nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW) {
            view.prices = sqlite3_column_double(st, 0);
            view.articles = sqlite3_column_int64(st, 1);
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    view.problems = dbcopy::check(path);
    return view;
}

// The file's identity: the same while it is written in place, another once replaced.
ino_t inodeOf(const QString& path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}
// Message boxes that also note whether the wait window was up as each one showed.
class BoxesNotingTheWait : public ScriptedMessageBoxes {
public:
    QList<bool> waitShown;
    MsgBoxResult show(QWidget* parent, const QString& prompt, int flags,
                      const QString& title) override
    {
        waitShown << Espere::form()->isVisible();
        return ScriptedMessageBoxes::show(parent, prompt, flags, title);
    }
};

}  // namespace

class DistributionTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir_;
    // The data folder and the settings live apart, beside the backups' destinations.
    std::optional<fixture::EnvVar> dataHome_, configHome_;
    QString out_, err_;

    int admin(const QStringList& args)
    {
        out_.clear();
        err_.clear();
        QTextStream out(&out_), err(&err_);
        return admin::run(args, out, err, [](const QString&) { return QString(); });
    }

    QString today() const { return backupcopy::nombreFechado(QDate::currentDate()); }

    // Backs the store up today into the folder "destino"; the dated folder, or empty on failure.
    QString backUpToday()
    {
        const QString destination = dir_->path() + u"/destino"_s;
        if (!QDir().mkpath(destination) ||
            backupcopy::Realizar(bases(), destination, QDate::currentDate(), true, QString(), {}) !=
                backupcopy::Outcome::Done)
            return QString();
        return destination + u'/' + today();
    }

    // Chooses `folder` in the backup window's folder tree, as a click would.
    static void chooseDestination(Backup& window, const QString& folder)
    {
        auto* tree = window.findChild<QTreeView*>(u"Dir1"_s);
        auto* model = qobject_cast<QFileSystemModel*>(tree->model());
        tree->setCurrentIndex(model->index(folder));
        QCOMPARE(window.Destino(), folder);
    }

private slots:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        dataHome_.emplace("XDG_DATA_HOME", QFile::encodeName(dir_->path() + u"/data"_s));
        configHome_.emplace("XDG_CONFIG_HOME", QFile::encodeName(dir_->path() + u"/config"_s));
        QCOMPARE(admin({u"inicializar"_s, u"--demo"_s}), 0);
        QVERIFY(QDir().mkpath(terminalFolder(u"CAJA1"_s)));
        QVERIFY(QDir().mkpath(terminalFolder(u"CAJA2"_s)));
    }
    void cleanup()
    {
        filereplace::clearFaults();
        configHome_.reset();
        dataHome_.reset();
        dir_.reset();
    }

    // --- terminal update ---

    void oneButtonCreatesTheMissingTarget()
    {
        ScriptedMessageBoxes boxes;
        Actualizar window;
        window.show();
        auto* when = window.findChild<QLabel*>(u"lblFecha1_1"_s);
        QCOMPARE(when->text(), u"nunca"_s);
        QTest::mouseClick(window.findChild<QPushButton*>(u"Command1"_s), Qt::LeftButton);
        const QString target = terminalFolder(u"CAJA1"_s) + u"/Articulos.mdb"_s;
        QCOMPARE(fixture::articleCount(target),
                 fixture::articleCount(bases() + u"/Articulos.mdb"_s));
        QCOMPARE(dbcopy::check(target), QStringList());
        QVERIFY(boxes.shown().isEmpty());
        QVERIFY(when->text() != u"nunca"_s);
        QCOMPARE(window.findChild<QLabel*>(u"lblFecha1_2"_s)->text(), u"nunca"_s);
        QCOMPARE(hiddenEntries(terminalFolder(u"CAJA1"_s)), QStringList());
        QVERIFY(!QFileInfo::exists(terminalFolder(u"CAJA2"_s) + u"/Articulos.mdb"_s));
    }

    void todosCopiesTheSixInOrderUnderTheWaitWindow()
    {
        ScriptedMessageBoxes boxes;
        Actualizar window;
        window.show();
        QStringList events;
        bool waitShownThroughout = true, buttonsLocked = true;
        auto look = [&] {
            waitShownThroughout &= Espere::form() && Espere::form()->isVisible();
            for (const char* name : {"Command1", "Command7", "Command14", "cmdCerrar"})
                buttonsLocked &=
                    !window.findChild<QPushButton*>(QString::fromLatin1(name))->isEnabled();
        };
        connect(&window, &Actualizar::copiando, this, [&](const QString& name, int terminal) {
            look();
            events << u"copiando %1 %2"_s.arg(name).arg(terminal);
        });
        connect(&window, &Actualizar::copiado, this, [&](const QString& name, int terminal) {
            look();
            events << u"copiado %1 %2"_s.arg(name).arg(terminal);
        });
        QTest::mouseClick(window.findChild<QPushButton*>(u"Command14"_s), Qt::LeftButton);
        QStringList expected;
        for (const QString& name : kSix)
            expected << u"copiando %1 2"_s.arg(name) << u"copiado %1 2"_s.arg(name);
        QCOMPARE(events, expected);
        QVERIFY(waitShownThroughout);
        QVERIFY(buttonsLocked);
        QVERIFY(!Espere::form()->isVisible());
        QVERIFY(window.findChild<QPushButton*>(u"Command14"_s)->isEnabled());
        QCOMPARE(QDir(terminalFolder(u"CAJA2"_s)).entryList(QDir::Files | QDir::Hidden, QDir::Name),
                 QStringList({u"Articulos.mdb"_s, u"Clientes.mdb"_s, u"Departamentos.mdb"_s,
                              u"Marcas.mdb"_s, u"Proveedores.mdb"_s, u"Rubros.mdb"_s}));
        QVERIFY(boxes.shown().isEmpty());
        // The files the terminals never get.
        for (const QString& name :
             {u"Opcion.mdb"_s, u"Etiquetas.mdb"_s, u"Stock01.mdb"_s, u"Stock02.mdb"_s})
            QVERIFY(!QFileInfo::exists(terminalFolder(u"CAJA2"_s) + u'/' + name));
    }

    void failuresLeaveTheOldFile_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("reason");
        QTest::newRow("share not mounted") << u"unmounted"_s << qt_error_string(ENOENT);
        QTest::newRow("target read-only") << u"readonly"_s << qt_error_string(EROFS);
        QTest::newRow("disk full") << u"full"_s << u"No hay suficiente espacio en el disco."_s;
    }
    void failuresLeaveTheOldFile()
    {
        QFETCH(QString, how);
        QFETCH(QString, reason);
        const QString folder = terminalFolder(u"CAJA1"_s), target = folder + u"/Articulos.mdb"_s;
        terminals::push(1, terminals::files().front());
        const qint64 old = fixture::articleCount(target);
        addArticles(10);
        if (how == u"unmounted") QVERIFY(QDir(folder).removeRecursively());
        if (how == u"readonly") filereplace::injectFault(filereplace::FaultPoint::Create, EROFS);
        if (how == u"full") filereplace::injectFault(filereplace::FaultPoint::Write, ENOSPC);

        ScriptedMessageBoxes boxes;
        Actualizar window;
        window.show();
        QTest::mouseClick(window.findChild<QPushButton*>(u"Command1"_s), Qt::LeftButton);
        QCOMPARE(boxes.shown().size(), 1);
        const auto& box = boxes.shown().front();
        QCOMPARE(box.flags, 16);
        QCOMPARE(box.title, u"Actualizar"_s);
        for (const QString& part : {u"Articulos.mdb"_s, u"Maq 1"_s, u"CAJA1"_s, reason})
            QVERIFY2(box.prompt.contains(part), qPrintable(box.prompt + u" / "_s + part));
        QVERIFY(!Espere::form()->isVisible());
        QVERIFY(window.findChild<QPushButton*>(u"Command1"_s)->isEnabled());
        if (how == u"unmounted") {
            // Never made on the local disk.
            QVERIFY(!QFileInfo::exists(folder));
        } else {
            QCOMPARE(fixture::articleCount(target), old);
            QCOMPARE(hiddenEntries(folder), QStringList());
        }
    }

    void todosStopsAtTheFirstFailureAndSaysWhichWereUpdated()
    {
        QVERIFY(QFile::remove(bases() + u"/Proveedores.mdb"_s));
        ScriptedMessageBoxes boxes;
        Actualizar window;
        window.show();
        QStringList copied;
        connect(&window, &Actualizar::copiado, this, [&](const QString& name) { copied << name; });
        QTest::mouseClick(window.findChild<QPushButton*>(u"Command7"_s), Qt::LeftButton);
        QCOMPARE(copied, QStringList({u"Articulos.mdb"_s, u"Clientes.mdb"_s}));
        QCOMPARE(QDir(terminalFolder(u"CAJA1"_s)).entryList(QDir::Files | QDir::Hidden, QDir::Name),
                 QStringList({u"Articulos.mdb"_s, u"Clientes.mdb"_s}));
        QCOMPARE(boxes.shown().size(), 1);
        const QString prompt = boxes.shown().front().prompt;
        QVERIFY2(prompt.contains(u"Actualizados: Articulos.mdb, Clientes.mdb."_s),
                 qPrintable(prompt));
        QVERIFY2(
            prompt.contains(
                u"No actualizados: Proveedores.mdb, Departamentos.mdb, Rubros.mdb, Marcas.mdb."_s),
            qPrintable(prompt));
    }

    // Inside the main window, the row captions and the times show whole once the times of a
    // push replace "nunca".
    void captionsStayWholeWhenTheTimesChange()
    {
        ScriptedMessageBoxes boxes;
        QMdiArea frame;
        frame.resize(1000, 700);
        frame.show();
        WindowRegistry& registry = WindowRegistry::instance();
        registry.setFrame(&frame);
        registerDistributionWindows(registry);
        const auto forget = qScopeGuard([&registry] {
            registry.clear();
            registry.setFrame(nullptr);
        });
        QWidget* window = WindowRegistry::instance().show(u"Actualizar"_s);
        QVERIFY(window);
        auto cut = [window] {
            window->layout()->activate();
            QStringList cut;
            for (const QLabel* label : window->findChildren<QLabel*>())
                if (label->fontMetrics().horizontalAdvance(label->text()) >
                    label->contentsRect().width())
                    cut << label->text();
            return cut;
        };
        QCOMPARE(cut(), QStringList());
        QTest::mouseClick(window->findChild<QPushButton*>(u"Command7"_s), Qt::LeftButton);
        QVERIFY(boxes.shown().isEmpty());
        QVERIFY(window->findChild<QLabel*>(u"lblFecha6_1"_s)->text() != u"nunca"_s);
        QCOMPARE(cut(), QStringList());
    }

    // Each terminal's copy is "al día" only while the back-office file is as it was when pushed
    // to that terminal; otherwise the word says so, in bold red.
    void statusShowsWhichTerminalHoldsAnOlderFile()
    {
        ScriptedMessageBoxes boxes;
        Actualizar window;
        window.show();
        for (int row = 1; row <= 6; ++row)
            for (int terminal = 1; terminal <= 2; ++terminal) {
                const QLabel* status = statusLabel(&window, row, terminal);
                QCOMPARE(status->text(), u"desactualizada"_s);
                QVERIFY(markedBehind(status));
                QCOMPARE(status->accessibleName(),
                         u"%1 en la Maq %2: desactualizada"_s.arg(kSix[row - 1]).arg(terminal));
            }
        QCOMPARE(statusLabel(&window, 2, 2)->accessibleDescription(),
                 u"Clientes.mdb nunca se copió a la Maq 2 (CAJA2)."_s);

        QTest::mouseClick(window.findChild<QPushButton*>(u"Command1"_s), Qt::LeftButton);
        QTest::mouseClick(window.findChild<QPushButton*>(u"Command8"_s), Qt::LeftButton);
        for (int terminal = 1; terminal <= 2; ++terminal) {
            const QLabel* status = statusLabel(&window, 1, terminal);
            QCOMPARE(status->text(), u"al día"_s);
            QVERIFY(!status->font().bold());
            QVERIFY(status->palette().color(QPalette::WindowText) != QColor(255, 0, 0));
            QCOMPARE(status->accessibleName(),
                     u"Articulos.mdb en la Maq %1: al día"_s.arg(terminal));
            QCOMPARE(statusLabel(&window, 2, terminal)->text(), u"desactualizada"_s);
        }

        // A bulk price change, then a push to terminal 1 only: terminal 2 keeps the old prices.
        catalogue::open(u"Articulos.mdb"_s)->Execute(u"UPDATE articulos SET lis1 = lis1 * 1.1"_s);
        QTest::mouseClick(window.findChild<QPushButton*>(u"Command1"_s), Qt::LeftButton);
        QCOMPARE(statusLabel(&window, 1, 1)->text(), u"al día"_s);
        const QLabel* behind = statusLabel(&window, 1, 2);
        QCOMPARE(behind->text(), u"desactualizada"_s);
        QVERIFY(markedBehind(behind));
        QCOMPARE(behind->accessibleName(), u"Articulos.mdb en la Maq 2: desactualizada"_s);
        QCOMPARE(behind->accessibleDescription(),
                 u"Articulos.mdb cambió después de su última copia a la Maq 2 (CAJA2): la caja "
                 u"tiene datos anteriores."_s);
        QVERIFY(boxes.shown().isEmpty());
    }

    // What counts as a change of the back-office file since its push to terminal 1 (terminal 2
    // never had it).
    void freshnessAfterAChange_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<terminals::Freshness>("expected");
        QTest::newRow("none") << u"none"_s << terminals::Freshness::UpToDate;
        QTest::newRow("read through the engine") << u"read"_s << terminals::Freshness::UpToDate;
        QTest::newRow("saved through the engine") << u"saved"_s << terminals::Freshness::Behind;
        // Same size and modification time: only the header's commit counter tells.
        QTest::newRow("saved within the same clock tick")
            << u"same tick"_s << terminals::Freshness::Behind;
        // Same counter, size and time: only the file's identity tells.
        QTest::newRow("another file put in its place")
            << u"replaced"_s << terminals::Freshness::Behind;
        QTest::newRow("removed") << u"removed"_s << terminals::Freshness::SourceMissing;
    }
    void freshnessAfterAChange()
    {
        QFETCH(QString, change);
        QFETCH(terminals::Freshness, expected);
        const QString source = bases() + u"/Articulos.mdb"_s,
                      other = dir_->path() + u"/Articulos.mdb"_s;
        const terminals::FileRow& row = terminals::files().front();
        if (change == u"replaced") {
            dbcopy::snapshotInto(source, other);
            setFirstPrice(1.5);
        }
        terminals::push(1, row);
        QCOMPARE(terminals::freshness(1, row), terminals::Freshness::UpToDate);
        struct stat pushed {};
        QCOMPARE(::stat(QFile::encodeName(source).constData(), &pushed), 0);
        auto header = [](const QString& path) {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) ? file.read(100) : QByteArray();
        };
        if (change == u"read") {
            const auto articles =
                catalogue::open(u"Articulos.mdb"_s)->OpenRecordset(u"articulos"_s);
            for (; !articles->Eof(); articles->MoveNext())
                QVERIFY(articles->Fields(u"lis1"_s).Value().isValid());
        }
        if (change == u"saved") setFirstPrice(2.5);
        if (change == u"same tick") setFirstPrice(2.5);
        if (change == u"replaced") {
            setFirstPrice(*catalogue::openAt(*catalogue::find(u"Articulos.mdb"), other), 2.5);
            QCOMPARE(header(other), header(source));
            QCOMPARE(QFileInfo(other).size(), QFileInfo(source).size());
            QCOMPARE(::rename(QFile::encodeName(other).constData(),
                              QFile::encodeName(source).constData()),
                     0);
        }
        if (change == u"same tick" || change == u"replaced") {
            const timespec times[2] = {pushed.st_atim, pushed.st_mtim};
            QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(source).constData(), times, 0), 0);
            QCOMPARE(QFileInfo(source).size(), qint64(pushed.st_size));
        }
        if (change == u"removed") QVERIFY(QFile::remove(source));
        QCOMPARE(terminals::freshness(1, row), expected);
        QCOMPARE(terminals::freshness(2, row), expected == terminals::Freshness::SourceMissing
                                                   ? terminals::Freshness::SourceMissing
                                                   : terminals::Freshness::Behind);
    }

    // The window shows a missing back-office file as such and still pushes the others.
    void missingSourceIsNamed()
    {
        QVERIFY(QFile::remove(bases() + u"/Rubros.mdb"_s));
        ScriptedMessageBoxes boxes;
        Actualizar window;
        window.show();
        const QLabel* status = statusLabel(&window, 5, 1);
        QCOMPARE(status->text(), u"falta el archivo"_s);
        QVERIFY(markedBehind(status));
        QCOMPARE(
            status->accessibleDescription(),
            u"No se encuentra c:\\norvik\\Bases\\Rubros.mdb: no hay nada que copiar a la Maq 1 "
            u"(CAJA1)."_s);
        QTest::mouseClick(window.findChild<QPushButton*>(u"Command6"_s), Qt::LeftButton);
        QCOMPARE(statusLabel(&window, 6, 1)->text(), u"al día"_s);
        QVERIFY(boxes.shown().isEmpty());
    }

    // A change saved in another window while the terminal update stood open shows once the window
    // is brought forward again or its frame is activated.
    void aChangeElsewhereShowsWhenTheWindowComesForward()
    {
        ScriptedMessageBoxes boxes;
        QMdiArea frame;
        frame.resize(1000, 700);
        frame.show();
        WindowRegistry& registry = WindowRegistry::instance();
        registry.setFrame(&frame);
        registerDistributionWindows(registry);
        const auto forget = qScopeGuard([&registry] {
            registry.clear();
            registry.setFrame(nullptr);
        });
        QWidget* window = registry.show(u"Actualizar"_s);
        QVERIFY(window);
        QTest::mouseClick(window->findChild<QPushButton*>(u"Command7"_s), Qt::LeftButton);
        for (int row = 1; row <= 6; ++row)
            QCOMPARE(statusLabel(window, row, 1)->text(), u"al día"_s);

        setFirstPrice(3.25);
        QCOMPARE(registry.show(u"Actualizar"_s), window);
        QCOMPARE(statusLabel(window, 1, 1)->text(), u"desactualizada"_s);
        QCOMPARE(statusLabel(window, 2, 1)->text(), u"al día"_s);

        QTest::mouseClick(window->findChild<QPushButton*>(u"Command1"_s), Qt::LeftButton);
        QCOMPARE(statusLabel(window, 1, 1)->text(), u"al día"_s);
        QMdiSubWindow* other = frame.addSubWindow(new QWidget);
        other->show();
        frame.setActiveSubWindow(other);
        setFirstPrice(4.5);
        frame.setActiveSubWindow(qobject_cast<QMdiSubWindow*>(window->parentWidget()));
        QCOMPARE(statusLabel(window, 1, 1)->text(), u"desactualizada"_s);
        QVERIFY(boxes.shown().isEmpty());
    }

    void hostNamesComeFromTheSettings()
    {
        QCOMPARE(admin({u"caja"_s, u"1"_s, u"MOSTRADOR"_s}), 0);
        QVERIFY(QDir().mkpath(terminalFolder(u"MOSTRADOR"_s)));
        terminals::push(1, terminals::files().back());
        QVERIFY(QFileInfo::exists(terminalFolder(u"MOSTRADOR"_s) + u"/Marcas.mdb"_s));
        QVERIFY(!QFileInfo::exists(terminalFolder(u"CAJA1"_s) + u"/Marcas.mdb"_s));
    }

    // The store sets how many terminals it has: the window gets a column of buttons and states
    // for each, a push reaches the chosen terminal's share and shows there only, and the admin
    // tool lists and names that many.
    void terminalCountFromTheSettings_data()
    {
        QTest::addColumn<int>("count");
        QTest::newRow("one") << 1;
        QTest::newRow("three") << 3;
    }
    void terminalCountFromTheSettings()
    {
        QFETCH(int, count);
        QCOMPARE(admin({u"cajas"_s, QString::number(count)}), 0);
        QCOMPARE(out_.count(u"\nCaja "_s) + 1, count);
        QVERIFY(QDir().mkpath(terminalFolder(u"CAJA%1"_s.arg(count))));
        ScriptedMessageBoxes boxes;
        Actualizar window;
        window.show();
        for (int terminal = 1; terminal <= count + 1; ++terminal) {
            const auto* todos = window.findChild<QPushButton*>(u"Command%1"_s.arg(7 * terminal));
            QCOMPARE(todos ? todos->text() : QString(),
                     terminal <= count ? u"Maq %1"_s.arg(terminal) : QString());
            QCOMPARE(statusLabel(&window, 6, terminal) != nullptr, terminal <= count);
        }
        QTest::mouseClick(window.findChild<QPushButton*>(u"Command%1"_s.arg(7 * count)),
                          Qt::LeftButton);
        QVERIFY(boxes.shown().isEmpty());
        QCOMPARE(QDir(terminalFolder(u"CAJA%1"_s.arg(count))).entryList(QDir::Files).size(), 6);
        for (int row = 1; row <= 6; ++row)
            for (int terminal = 1; terminal <= count; ++terminal)
                QCOMPARE(statusLabel(&window, row, terminal)->text(),
                         terminal == count ? u"al día"_s : u"desactualizada"_s);

        QCOMPARE(admin({u"caja"_s, QString::number(count), u"MOSTRADOR"_s}), 0);
        QCOMPARE(admin({u"caja"_s, QString::number(count + 1), u"OTRA"_s}), 2);
        QCOMPARE(err_, count == 1 ? u"La caja debe ser 1.\n"_s : u"La caja debe ser 1, 2 o 3.\n"_s);
        for (const QString& refused : {u"0"_s, u"10"_s, u"dos"_s}) {
            QCOMPARE(admin({u"cajas"_s, refused}), 2);
            QCOMPARE(terminals::count(), count);
        }
    }

    // A second program saves articles in units of 100 while the pushes run: every copy holds
    // whole units only.
    void pushDuringSavesHoldsACommittedState()
    {
        const qint64 base = fixture::articleCount(bases() + u"/Articulos.mdb"_s);
        QProcess writer;
        writer.start(QStringLiteral(WRITER_CHILD), {u"40"_s});
        QVERIFY(writer.waitForReadyRead(10000));
        const QString target = terminalFolder(u"CAJA1"_s) + u"/Articulos.mdb"_s;
        int pushes = 0;
        do {
            terminals::push(1, terminals::files().front());
            ++pushes;
            QCOMPARE(dbcopy::check(target), QStringList());
            QCOMPARE((fixture::articleCount(target) - base) % 100, 0);
            // Each push waits for the writer's next save, so the saves are never starved.
            writer.waitForReadyRead(10000);
            writer.readAll();
            QVERIFY(pushes < 1000);
            // waitForFinished() is false for a process already seen to end (by the wait above).
        } while (writer.state() != QProcess::NotRunning && !writer.waitForFinished(0));
        QCOMPARE(writer.exitCode(), 0);
        terminals::push(1, terminals::files().front());
        QCOMPARE(fixture::articleCount(target), base + 4000);
        QVERIFY(pushes >= 1);
    }

    // A push killed at random moments never leaves the terminal without a whole, valid file.
    void killedPushNeverLeavesTheTerminalWithoutItsFile()
    {
        addArticles(3000);
        const QString folder = terminalFolder(u"CAJA1"_s), target = folder + u"/Articulos.mdb"_s;
        const QString old = dir_->path() + u"/old.mdb"_s;
        dbcopy::copyDatabase(bases() + u"/Articulos.mdb"_s, old, filereplace::Mode::NeverReplace);
        addArticles(500);
        const qint64 before = fixture::articleCount(old),
                     after = fixture::articleCount(bases() + u"/Articulos.mdb"_s);
        constexpr int kTrials = 25;
        for (int trial = 0; trial < kTrials; ++trial) {
            dbcopy::copyDatabase(old, target, filereplace::Mode::Replace);
            QProcess child;
            child.start(QStringLiteral(PUSH_CHILD));
            QVERIFY(child.waitForReadyRead(10000));
            // The moment of the kill is the point of the trial: anywhere in the first pushes.
            QThread::usleep(QRandomGenerator::global()->bounded(150000u));
            ::kill(pid_t(child.processId()), SIGKILL);
            QVERIFY(child.waitForFinished(10000));
            QVERIFY2(QFileInfo::exists(target), qPrintable(u"trial %1"_s.arg(trial)));
            QCOMPARE(dbcopy::check(target), QStringList());
            const qint64 now = fixture::articleCount(target);
            QVERIFY2(now == before || now == after,
                     qPrintable(u"trial %1: %2"_s.arg(trial).arg(now)));
        }
        // The next push clears what a killed one left.
        terminals::push(1, terminals::files().front());
        QCOMPARE(hiddenEntries(folder), QStringList());
        QCOMPARE(fixture::articleCount(target), after);
    }

    // A terminal's program killed in the middle of a save leaves its journal (or its log) beside
    // its copy. The push rolls it back before the new copy takes the name, so the terminal then
    // reads what the back office holds, never old pages played into the new file.
    void pushOverAKilledTerminalSave_data()
    {
        QTest::addColumn<QString>("save");
        QTest::addColumn<QString>("left");
        QTest::newRow("prices raised") << u"precios"_s << u"-journal"_s;
        QTest::newRow("articles deleted") << u"bajas"_s << u"-journal"_s;
        QTest::newRow("write-ahead log") << u"wal"_s << u"-wal"_s;
    }
    void pushOverAKilledTerminalSave()
    {
        QFETCH(QString, save);
        QFETCH(QString, left);
        addArticles(3000);
        const QString folder = terminalFolder(u"CAJA1"_s), target = folder + u"/Articulos.mdb"_s;
        const QString source = bases() + u"/Articulos.mdb"_s;
        constexpr int kTrials = 8;
        for (int trial = 0; trial < kTrials; ++trial) {
            const QString name = u"trial %1"_s.arg(trial);
            terminals::push(1, terminals::files().front());
            addArticles(50);
            QProcess till;
            till.start(QStringLiteral(TERMINAL_CHILD), {target, save});
            QVERIFY2(
                till.waitForReadyRead(20000),
                qPrintable(name + u": "_s + QString::fromLocal8Bit(till.readAllStandardError())));
            // The moment of the kill is the point of the trial: anywhere in the till's save.
            QThread::usleep(QRandomGenerator::global()->bounded(50000u));
            ::kill(pid_t(till.processId()), SIGKILL);
            QVERIFY(till.waitForFinished(10000));
            QVERIFY2(QFileInfo::exists(target + left), qPrintable(name));

            terminals::push(1, terminals::files().front());
            const TerminalView now = openAsTerminal(target), office = openAsTerminal(source);
            QCOMPARE(now.problems, QStringList());
            QVERIFY2(qFuzzyCompare(now.prices, office.prices),
                     qPrintable(u"%1: %2 / %3"_s.arg(name)
                                    .arg(now.prices, 0, 'f', 2)
                                    .arg(office.prices, 0, 'f', 2)));
            QCOMPARE(now.articles, office.articles);
            QCOMPARE(hiddenEntries(folder), QStringList());
            for (const QString& suffix : {u"-journal"_s, u"-wal"_s, u"-shm"_s})
                QVERIFY2(!QFileInfo::exists(target + suffix), qPrintable(name + suffix));
        }
    }

    // Companions that belong to no database the new copy could be paired with: those of a file
    // that is gone (the first push), or of one that is no database.
    void pushLeavesNoCompanionOfTheOldFile_data()
    {
        QTest::addColumn<bool>("oldFile");
        QTest::newRow("first push") << false;
        QTest::newRow("old file no database") << true;
    }
    void pushLeavesNoCompanionOfTheOldFile()
    {
        QFETCH(bool, oldFile);
        const QString target = terminalFolder(u"CAJA1"_s) + u"/Articulos.mdb"_s;
        if (oldFile) writeFile(target, QByteArray(8192, 'a'));
        for (const QString& suffix : {u"-journal"_s, u"-wal"_s, u"-shm"_s})
            writeFile(target + suffix, QByteArray(4096, 'x'));
        terminals::push(1, terminals::files().front());
        for (const QString& suffix : {u"-journal"_s, u"-wal"_s, u"-shm"_s})
            QVERIFY2(!QFileInfo::exists(target + suffix), qPrintable(suffix));
        const TerminalView now = openAsTerminal(target),
                           office = openAsTerminal(bases() + u"/Articulos.mdb"_s);
        QCOMPARE(now.problems, QStringList());
        QVERIFY(qFuzzyCompare(now.prices, office.prices));
        QCOMPARE(now.articles, office.articles);
    }

    // A terminal saving right now: the push waits a moment, then refuses naming the terminal and
    // the file, and the terminal's file is left as it was, to be read as the terminal left it.
    void pushRefusedWhileATerminalSaves_data()
    {
        QTest::addColumn<QString>("save");
        QTest::addColumn<double>("committed");  // what the save's committed part adds to each price
        QTest::addColumn<bool>("readOnly");     // the file is one the back office may not write
        QTest::newRow("writing into the file") << u"precios"_s << 0.0 << false;
        QTest::newRow("change still in memory") << u"reservado"_s << 0.0 << false;
        QTest::newRow("write-ahead log") << u"wal"_s << 7.0 << false;
        QTest::newRow("read-only file, change in memory") << u"reservado"_s << 0.0 << true;
    }
    void pushRefusedWhileATerminalSaves()
    {
        QFETCH(QString, save);
        QFETCH(double, committed);
        QFETCH(bool, readOnly);
        const QString folder = terminalFolder(u"CAJA1"_s), target = folder + u"/Articulos.mdb"_s;
        terminals::push(1, terminals::files().front());
        const TerminalView before = openAsTerminal(target);
        const ino_t old = inodeOf(target);
        addArticles(10);
        if (readOnly)
            QVERIFY(QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::ReadOther));

        QProcess till;
        till.start(QStringLiteral(TERMINAL_CHILD), {target, save});
        QVERIFY2(till.waitForReadyRead(20000), till.readAllStandardError().constData());
        ScriptedMessageBoxes boxes;
        Actualizar window;
        window.show();
        QElapsedTimer waited;
        waited.start();
        {
            std::optional<fixture::ByTheFilesModes> modes;
            if (readOnly) modes.emplace();
            QTest::mouseClick(window.findChild<QPushButton*>(u"Command1"_s), Qt::LeftButton);
        }
        QVERIFY2(waited.elapsed() < 10000, qPrintable(QString::number(waited.elapsed())));
        QCOMPARE(boxes.shown().size(), 1);
        const QString prompt = boxes.shown().front().prompt;
        for (const QString& part : {u"Articulos.mdb"_s, u"Maq 1"_s, u"CAJA1"_s, u"bloqueado"_s})
            QVERIFY2(prompt.contains(part), qPrintable(prompt + u" / "_s + part));
        QCOMPARE(hiddenEntries(folder), QStringList());
        QCOMPARE(inodeOf(target), old);
        till.closeWriteChannel();
        QVERIFY(till.waitForFinished(10000));
        QCOMPARE(till.exitCode(), 0);
        const TerminalView after = openAsTerminal(target);
        QCOMPARE(after.problems, QStringList());
        QVERIFY(qFuzzyCompare(after.prices, before.prices + committed * double(before.articles)));
        QCOMPARE(after.articles, before.articles);
    }

    // A terminal's file the back office may not write is still replaced when no terminal saves
    // into it (the folder is what the replacing writes).
    void pushReplacesAReadOnlyFile()
    {
        const QString target = terminalFolder(u"CAJA1"_s) + u"/Articulos.mdb"_s;
        terminals::push(1, terminals::files().front());
        addArticles(10);
        QVERIFY(QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::ReadOther));
        {
            const fixture::ByTheFilesModes modes;
            terminals::push(1, terminals::files().front());
        }
        const TerminalView now = openAsTerminal(target),
                           office = openAsTerminal(bases() + u"/Articulos.mdb"_s);
        QCOMPARE(now.problems, QStringList());
        QCOMPARE(now.articles, office.articles);
    }

    // A back-office file that cannot be read, or that a killed save left with its journal, is
    // named with what to do, not called read-only: by the push and by the backup, which copy it
    // the same way.
    void unreadableOrHalfSavedSourceIsNamed_data()
    {
        QTest::addColumn<bool>("backup");
        QTest::addColumn<bool>("halfSaved");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("says");
        const QStringList halfSaved = {u"quedó a medio guardar"_s, u"Abra el programa una vez"_s};
        const QStringList unreadable = {u"No se puede leer"_s};
        QTest::newRow("push, half-saved") << false << true << u"Articulos.mdb"_s << halfSaved;
        QTest::newRow("push, unreadable") << false << false << u"Marcas.mdb"_s << unreadable;
        QTest::newRow("backup, half-saved") << true << true << u"Articulos.mdb"_s << halfSaved;
        QTest::newRow("backup, unreadable") << true << false << u"Marcas.mdb"_s << unreadable;
    }
    void unreadableOrHalfSavedSourceIsNamed()
    {
        QFETCH(bool, backup);
        QFETCH(bool, halfSaved);
        QFETCH(QString, file);
        QFETCH(QStringList, says);
        const QString source = bases() + u'/' + file;
        if (halfSaved) {
            QProcess till;
            till.start(QStringLiteral(TERMINAL_CHILD), {source});
            QVERIFY(till.waitForReadyRead(20000));
            ::kill(pid_t(till.processId()), SIGKILL);
            QVERIFY(till.waitForFinished(10000));
        } else {
            QVERIFY(QFile::setPermissions(source, QFileDevice::WriteOwner));
        }
        const auto row =
            std::find_if(terminals::files().begin(), terminals::files().end(),
                         [&](const terminals::FileRow& r) { return r.target == file; });
        const QString destination = dir_->path() + u"/destino"_s;
        QVERIFY(QDir().mkpath(destination));
        auto copy = [&] {
            if (backup)
                backupcopy::Realizar(bases(), destination, QDate::currentDate(), true, QString(),
                                     {});
            else terminals::push(1, *row);
        };
        try {
            const fixture::ByTheFilesModes modes;
            copy();
            QFAIL("copied a file it could not read whole");
        } catch (const EngineError& e) {
            for (const QString& part : says + QStringList{file})
                QVERIFY2(e.text().contains(part), qPrintable(e.text() + u" / "_s + part));
            QVERIFY2(!e.text().contains(u"sólo lectura"_s), qPrintable(e.text()));
        }
        QCOMPARE(
            QDir(destination).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList());
        // Once the program has opened the file (which recovers it) or it can be read, it is copied.
        if (halfSaved) catalogue::open(file);
        else
            QVERIFY(
                QFile::setPermissions(source, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        copy();
    }

    // --- backup ---

    void backupMakesTheDatedFolderOncePerDestination()
    {
        QVERIFY(QDir().mkpath(bases() + u"/fotos/2024"_s));
        writeFile(bases() + u"/fotos/2024/a.jpg"_s, "jpeg");
        writeFile(bases() + u"/leame.txt"_s, "hola");
        const QString first = dir_->path() + u"/pendrive"_s, second = dir_->path() + u"/disco"_s;
        QVERIFY(QDir().mkpath(first));
        QVERIFY(QDir().mkpath(second));

        BoxesNotingTheWait boxes;
        Backup window;
        window.show();
        QCOMPARE(window.findChild<QLineEdit*>(u"txtFrom"_s)->text(), u"C:\\Norvik\\Bases"_s);
        // The destination proposed is a removable medium or the home folder, never the root.
        const QString proposed = window.findChild<QComboBox*>(u"Drive1"_s)->currentText();
        QVERIFY2(proposed == QDir::homePath() || proposed.startsWith(u"/media/"_s) ||
                     proposed.startsWith(u"/run/media/"_s) || proposed.startsWith(u"/mnt/"_s),
                 qPrintable(proposed));
        QStringList shown;
        connect(&window, &Backup::informa, this, [&](const QString& text) { shown << text; });
        chooseDestination(window, first);
        auto* run = window.findChild<QPushButton*>(u"Command1"_s);
        QTest::mouseClick(run, Qt::LeftButton);
        const QString dated = first + u'/' + today();
        QCOMPARE(shown,
                 QStringList({u"Making directory "_s + dated + u"/fotos"_s,
                              u"Making directory "_s + dated + u"/fotos/2024"_s, u"Done"_s}));
        QCOMPARE(window.findChild<QLabel*>(u"Lbl_CopyInfo"_s)->text(), u"Done"_s);
        QCOMPARE(window.findChild<QLineEdit*>(u"txtTo"_s)->text(), dated);
        QVERIFY(boxes.shown().isEmpty());
        for (const QString& name : kSix)
            QCOMPARE(dbcopy::check(dated + u'/' + name), QStringList());
        QCOMPARE(fixture::articleCount(dated + u"/Articulos.mdb"_s),
                 fixture::articleCount(bases() + u"/Articulos.mdb"_s));
        QFile photo(dated + u"/fotos/2024/a.jpg"_s);
        QVERIFY(photo.open(QIODevice::ReadOnly));
        QCOMPARE(photo.readAll(), QByteArray("jpeg"));
        QCOMPARE(hiddenEntries(first), QStringList());

        // Same day, same destination: refused, nothing touched.
        writeFile(dated + u"/marca"_s, "x");
        shown.clear();
        QTest::mouseClick(run, Qt::LeftButton);
        QCOMPARE(boxes.shown().size(), 1);
        QCOMPARE(boxes.shown().front().prompt, u"YA SE HIZO BACKUP EL DIA "_s + today());
        QCOMPARE(boxes.shown().front().flags, 64);
        QCOMPARE(boxes.shown().front().title, u"Informacion"_s);
        QCOMPARE(boxes.waitShown, QList<bool>{true});
        QVERIFY(!Espere::form()->isVisible());
        QVERIFY(QFileInfo::exists(dated + u"/marca"_s));
        QCOMPARE(QDir(first).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{today()});

        // Another destination proceeds.
        chooseDestination(window, second);
        QTest::mouseClick(run, Qt::LeftButton);
        QCOMPARE(boxes.shown().size(), 1);
        QVERIFY(QFileInfo(second + u'/' + today() + u"/Articulos.mdb"_s).isFile());
        QVERIFY(Espere::form() && !Espere::form()->isVisible());
    }

    void driveThatCannotBeShownGoesBack()
    {
        Backup window;
        auto* drives = window.findChild<QComboBox*>(u"Drive1"_s);
        // The root is listed last, to be chosen on purpose.
        QCOMPARE(drives->itemText(drives->count() - 1), u"/"_s);
        QVERIFY(Backup::drives().contains(QDir::homePath()));
        const QString proposed = drives->itemText(0);
        drives->addItem(dir_->path() + u"/sin-medio"_s);
        drives->setCurrentIndex(drives->count() - 1);
        QCOMPARE(drives->currentIndex(), 0);
        QCOMPARE(window.Destino(), proposed);
        drives->setCurrentIndex(drives->count() - 2);
        QCOMPARE(window.Destino(), u"/"_s);
    }

    void backupWithoutSubfoldersAndOnTheNextDay()
    {
        const QString destination = dir_->path() + u"/destino"_s;
        QVERIFY(QDir().mkpath(destination));
        QStringList announced;
        const auto announce = [&](const QString& f) { announced << f; };
        const QDate day(2024, 12, 8);
        QCOMPARE(backupcopy::Realizar(bases(), destination, day, true, QString(), announce),
                 backupcopy::Outcome::Done);
        QCOMPARE(
            backupcopy::Realizar(bases(), destination, day.addDays(1), true, QString(), announce),
            backupcopy::Outcome::Done);
        QCOMPARE(announced, QStringList());
        QCOMPARE(QDir(destination)
                     .entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name),
                 QStringList({u"08-12-2024"_s, u"09-12-2024"_s}));
        // The ten files and their manifest.
        QCOMPARE(QDir(destination + u"/08-12-2024"_s).entryList(QDir::Files).size(), 11);
    }

    void backupFailuresLeaveNoDatedFolder_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("named");
        QTest::newRow("unreadable file") << u"unreadable"_s << qt_error_string(EACCES);
        QTest::newRow("disk full") << u"full"_s << u"No hay suficiente espacio en el disco."_s;
        QTest::newRow("damaged database") << u"damaged"_s << u"Etiquetas.mdb"_s;
        QTest::newRow("destination inside origin") << u"inside"_s << u"está dentro de"_s;
        QTest::newRow("missing origin") << u"missing"_s << u"NoExiste"_s;
    }
    void backupFailuresLeaveNoDatedFolder()
    {
        QFETCH(QString, how);
        QFETCH(QString, named);
        writeFile(bases() + u"/leame.txt"_s, "hola");
        QString destination = dir_->path() + u"/destino"_s;
        QVERIFY(QDir().mkpath(destination));
        ScriptedMessageBoxes boxes;
        Backup window;
        window.show();
        if (how == u"unreadable") {
            filereplace::injectFault(filereplace::FaultPoint::Read, EACCES);
            // A real unreadable file as well, where permissions bind (not as root).
            if (::geteuid() != 0) QFile::setPermissions(bases() + u"/leame.txt"_s, {});
        }
        if (how == u"full") filereplace::injectFault(filereplace::FaultPoint::Write, ENOSPC);
        if (how == u"damaged") {
            QFile f(bases() + u"/Etiquetas.mdb"_s);
            QVERIFY(f.open(QIODevice::ReadWrite));
            f.seek(4096);
            f.write(QByteArray(4096, '\x5a'));
        }
        if (how == u"inside") {
            destination = bases() + u"/copias"_s;
            QVERIFY(QDir().mkpath(destination));
        }
        if (how == u"missing")
            window.findChild<QLineEdit*>(u"txtFrom"_s)->setText(u"C:\\NoExiste"_s);
        chooseDestination(window, destination);
        QTest::mouseClick(window.findChild<QPushButton*>(u"Command1"_s), Qt::LeftButton);
        QCOMPARE(boxes.shown().size(), 1);
        QCOMPARE(boxes.shown().front().flags, 16);
        QVERIFY2(boxes.shown().front().prompt.contains(named),
                 qPrintable(boxes.shown().front().prompt));
        QVERIFY(window.findChild<QLabel*>(u"Lbl_CopyInfo"_s)->text() != u"Done"_s);
        QCOMPARE(
            QDir(destination).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList());
        QVERIFY(window.findChild<QPushButton*>(u"Command1"_s)->isEnabled());
    }

    // --- restore and the terminals' settings, through the admin tool ---

    void restoreRoundTrip()
    {
        const QString backup = backUpToday();
        QVERIFY(!backup.isEmpty());
        const qint64 saved = fixture::articleCount(bases() + u"/Articulos.mdb"_s);
        addArticles(25);
        QCOMPARE(admin({u"restaurar"_s, backup}), 0);
        QCOMPARE(fixture::articleCount(bases() + u"/Articulos.mdb"_s), saved);
        QVERIFY(out_.contains(u"10 archivo(s) restaurado(s)."_s));
        // The files as they were are kept whole beside the data folder, where later backups do
        // not copy them again, and the message says where.
        QCOMPARE(QDir(bases()).entryList({u"antes-de-restaurar-*"_s}, QDir::Dirs), QStringList());
        const QStringList kept = QDir(beside()).entryList({u"antes-de-restaurar-*"_s}, QDir::Dirs);
        QCOMPARE(kept.size(), 1);
        QVERIFY2(out_.contains(beside() + u'/' + kept.front()), qPrintable(out_));
        QCOMPARE(fixture::articleCount(beside() + u'/' + kept.front() + u"/Articulos.mdb"_s),
                 saved + 25);
        QCOMPARE(hiddenEntries(bases()), QStringList());
        QCOMPARE(hiddenEntries(beside()), QStringList());
        QCOMPARE(admin({u"verificar"_s}), 0);

        // A second restore in the same second keeps the files under another name.
        QCOMPARE(admin({u"restaurar"_s, backup}), 0);
        QCOMPARE(admin({u"restaurar"_s, backup}), 0);
        QCOMPARE(QDir(beside()).entryList({u"antes-de-restaurar-*"_s}, QDir::Dirs).size(), 3);
    }

    // The price history goes into the backup with the store, never to a terminal; a restore
    // brings it back when the backup holds it and keeps the current one when the backup is older.
    void priceHistoryIsBackedUpAndRestored()
    {
        const auto historyCount = [this] {
            return catalogue::open(u"Precios.mdb"_s)
                ->Select(u"SELECT count(*) FROM actualizaciones"_s)
                .value(0)
                .value(0)
                .toInt();
        };
        const auto change = [] {
            articles::PriceChange rise;
            rise.value = 5;
            articles::applyPriceChange(
                articles::reviewPriceChange(*catalogue::open(u"Articulos.mdb"_s), {}, rise),
                u"PRUEBA"_s, false);
        };
        const QString older = backUpToday();
        QVERIFY(!older.isEmpty());
        QVERIFY(!QFileInfo::exists(older + u"/Precios.mdb"_s));
        change();
        QCOMPARE(historyCount(), 1);
        QCOMPARE(admin({u"restaurar"_s, older}), 0);
        QCOMPARE(historyCount(), 1);

        QVERIFY(QDir(older).removeRecursively());
        const QString newer = backUpToday();
        QVERIFY(QFileInfo::exists(newer + u"/Precios.mdb"_s));
        change();
        QCOMPARE(historyCount(), 2);
        QCOMPARE(admin({u"restaurar"_s, newer}), 0);
        QCOMPARE(historyCount(), 1);

        for (int terminal = 1; terminal <= terminals::kCount; ++terminal)
            for (const terminals::FileRow& file : terminals::files()) {
                QVERIFY(!file.source.contains(u"Precios"_s, Qt::CaseInsensitive));
                terminals::push(terminal, file);
            }
        QVERIFY(!QFileInfo::exists(terminalFolder(terminals::host(1)) + u"/Precios.mdb"_s));
    }

    void restoreRefusals_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing folder") << u"missing"_s << u"No existe la carpeta"_s;
        QTest::newRow("no data files") << u"empty"_s << u"no tiene archivos de datos"_s;
        QTest::newRow("damaged file") << u"damaged"_s << u"Clientes.mdb de la copia no sirve"_s;
        QTest::newRow("program has the files open") << u"open"_s << u"están abiertos"_s;
    }
    void restoreRefusals()
    {
        QFETCH(QString, how);
        QFETCH(QString, message);
        QString backup = backUpToday();
        QVERIFY(!backup.isEmpty());
        addArticles(5);
        const qint64 current = fixture::articleCount(bases() + u"/Articulos.mdb"_s);
        QProcess holder;
        if (how == u"missing") backup = dir_->path() + u"/no-existe"_s;
        if (how == u"empty") {
            backup = dir_->path() + u"/vacia"_s;
            QVERIFY(QDir().mkpath(backup));
        }
        if (how == u"damaged") {
            QFile f(backup + u"/Clientes.mdb"_s);
            QVERIFY(f.open(QIODevice::ReadWrite));
            f.seek(4096);
            f.write(QByteArray(4096, '\x5a'));
        }
        if (how == u"open") {
            // Another process with a data file open, as the program keeps them while a window is
            // loaded.
            holder.setStandardInputFile(bases() + u"/Articulos.mdb"_s);
            holder.start(u"sleep"_s, {u"60"_s});
            QVERIFY(holder.waitForStarted());
        }
        QCOMPARE(admin({u"restaurar"_s, backup}), 1);
        QVERIFY2(err_.contains(message), qPrintable(err_));
        QCOMPARE(fixture::articleCount(bases() + u"/Articulos.mdb"_s), current);
        QCOMPARE(QDir(beside()).entryList({u"antes-de-restaurar-*"_s}, QDir::Dirs), QStringList());
        QCOMPARE(hiddenEntries(beside()), QStringList());
        if (holder.state() != QProcess::NotRunning) {
            holder.kill();
            holder.waitForFinished();
        }
    }

    // A backup holds every store file, through a link too, with its manifest, and never a
    // journal; a killed backup's temporary folders go at the next one.
    void backupHoldsTheStoreAndItsManifestOnly()
    {
        const QString destination = dir_->path() + u"/destino"_s;
        QVERIFY(QDir().mkpath(destination));
        // A store file that is a link to the real one elsewhere.
        const QString elsewhere = dir_->path() + u"/otro-disco/Marcas.mdb"_s;
        QVERIFY(QDir().mkpath(QFileInfo(elsewhere).absolutePath()));
        QVERIFY(QFile::rename(bases() + u"/Marcas.mdb"_s, elsewhere));
        QVERIFY(QFile::link(elsewhere, bases() + u"/Marcas.mdb"_s));
        writeFile(bases() + u"/Clientes.mdb-journal"_s, QByteArray(512, '\0'));
        const QString leftover = destination + u"/.07-12-2024."_s + QString(32, u'a') + u".tmp"_s;
        QVERIFY(QDir().mkpath(leftover + u"/sub"_s));

        QCOMPARE(
            backupcopy::Realizar(bases(), destination, QDate::currentDate(), false, QString(), {}),
            backupcopy::Outcome::Done);
        const QString backup = destination + u'/' + today();
        QStringList names =
            kSix + QStringList{u"Opcion.mdb"_s, u"Etiquetas.mdb"_s, u"Stock01.mdb"_s,
                               u"Stock02.mdb"_s, u"manifiesto.sha256"_s};
        names.sort(Qt::CaseInsensitive);
        QCOMPARE(QDir(backup).entryList(QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase),
                 names);
        QVERIFY(!QFileInfo(backup + u"/Marcas.mdb"_s).isSymLink());
        QCOMPARE(hiddenEntries(destination), QStringList());
        QProcess sha;
        sha.setWorkingDirectory(backup);
        QProcessEnvironment english = QProcessEnvironment::systemEnvironment();
        english.insert(u"LC_ALL"_s, u"C"_s);
        sha.setProcessEnvironment(english);
        sha.start(u"sha256sum"_s, {u"--check"_s, u"--strict"_s, u"manifiesto.sha256"_s});
        QVERIFY(sha.waitForFinished(30000));
        QCOMPARE(sha.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(sha.readAllStandardOutput()).count(u": OK"_s), 10);

        // A link that leads nowhere: no "Done" with a store file missing.
        QVERIFY(QFile::remove(elsewhere));
        try {
            backupcopy::Realizar(bases(), destination, QDate::currentDate().addDays(1), false,
                                 QString(), {});
            QFAIL("a backup without Marcas.mdb");
        } catch (const EngineError& e) {
            QVERIFY2(e.text().contains(u"Marcas.mdb"_s), qPrintable(e.text()));
        }
        QVERIFY(!QFileInfo::exists(destination + u'/' +
                                   backupcopy::nombreFechado(QDate::currentDate().addDays(1))));
    }

    // Backups killed at random moments leave no dated folder half made, and the next backup
    // removes the temporary folders they left.
    void killedBackupsLeaveNothingBehind()
    {
        addArticles(3000);
        const QString destination = dir_->path() + u"/destino"_s;
        QVERIFY(QDir().mkpath(destination));
        for (int trial = 0; trial < 15; ++trial) {
            QProcess child;
            child.start(QStringLiteral(BACKUP_CHILD), {destination});
            QVERIFY(child.waitForReadyRead(10000));
            QThread::usleep(QRandomGenerator::global()->bounded(300000u));
            ::kill(pid_t(child.processId()), SIGKILL);
            QVERIFY(child.waitForFinished(10000));
        }
        QCOMPARE(
            backupcopy::Realizar(bases(), destination, QDate::currentDate(), true, QString(), {}),
            backupcopy::Outcome::Done);
        QCOMPARE(hiddenEntries(destination), QStringList());
        // Every dated folder is a whole backup: its manifest holds for all ten files.
        for (const QString& dated :
             QDir(destination).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QProcess sha;
            sha.setWorkingDirectory(destination + u'/' + dated);
            sha.start(u"sha256sum"_s,
                      {u"--check"_s, u"--strict"_s, u"--quiet"_s, u"manifiesto.sha256"_s});
            QVERIFY(sha.waitForFinished(30000));
            QVERIFY2(sha.exitCode() == 0, qPrintable(dated));
            QCOMPARE(QDir(destination + u'/' + dated).entryList(QDir::Files).size(), 11);
        }
    }

    // A backup that is not the store's as the program opens it is refused, naming the file and
    // why, and nothing changes.
    void restoreChecksEveryFileFirst_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing file")
            << u"missing"_s << u"A la copia le falta Stock02.mdb; no se restauró nada."_s;
        QTest::newRow("two files swapped")
            << u"swapped"_s << u"El archivo Articulos.mdb de la copia no sirve"_s;
        QTest::newRow("another program's file")
            << u"foreign"_s << u"El archivo Rubros.mdb de la copia no sirve"_s;
        QTest::newRow("a byte changed") << u"flipped"_s << u"no coincide con el manifiesto"_s;
        QTest::newRow("newer schema, no manifest")
            << u"newer"_s << u"Marcas.mdb de la copia no sirve: error 3041"_s;
        QTest::newRow("another password, no manifest")
            << u"password"_s << u"Marcas.mdb de la copia no sirve: error 3031"_s;
        QTest::newRow("missing column, no manifest")
            << u"column"_s << u"Rubros.mdb de la copia no sirve: la tabla tiene otros campos"_s;
        QTest::newRow("half-saved current file") << u"journal"_s << u"quedó a medio guardar"_s;
    }
    void restoreChecksEveryFileFirst()
    {
        QFETCH(QString, how);
        QFETCH(QString, message);
        const QString backup = backUpToday();
        QVERIFY(!backup.isEmpty());
        addArticles(5);
        const qint64 current = fixture::articleCount(bases() + u"/Articulos.mdb"_s);
        auto sqlite = [](const QString& path, const char* sql) {
            sqlite3* db = nullptr;
            QCOMPARE(sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                                     SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr),
                     SQLITE_OK);
            QCOMPARE(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK);
            sqlite3_close(db);
        };
        if (how == u"missing") QVERIFY(QFile::remove(backup + u"/Stock02.mdb"_s));
        if (how == u"swapped") {
            QVERIFY(QFile::rename(backup + u"/Articulos.mdb"_s, backup + u"/x"_s));
            QVERIFY(QFile::rename(backup + u"/Clientes.mdb"_s, backup + u"/Articulos.mdb"_s));
            QVERIFY(QFile::rename(backup + u"/x"_s, backup + u"/Clientes.mdb"_s));
        }
        if (how == u"foreign") {
            QVERIFY(QFile::remove(backup + u"/Rubros.mdb"_s));
            sqlite(backup + u"/Rubros.mdb"_s, "CREATE TABLE notas (texto TEXT)");
        }
        if (how == u"flipped") {
            QFile f(backup + u"/Clientes.mdb"_s);
            QVERIFY(f.open(QIODevice::ReadWrite));
            f.seek(f.size() - 100);
            const char byte = f.peek(1).at(0);
            f.write(QByteArray(1, char(byte ^ 1)));
        }
        if (how == u"newer" || how == u"column" || how == u"password")
            QVERIFY(QFile::remove(backup + u"/manifiesto.sha256"_s));
        if (how == u"password") {
            // The program's own kind of file, but with another password.
            catalogue::FileDef other = *catalogue::find(u"Marcas.mdb");
            other.password = u"otra-clave"_s;
            QVERIFY(QFile::remove(backup + u"/Marcas.mdb"_s));
            catalogue::createFile(other, backup + u"/Marcas.mdb"_s);
        }
        if (how == u"newer")
            sqlite(backup + u"/Marcas.mdb"_s,
                   "UPDATE valdrameno_meta SET value = '999' WHERE key = 'schema_version'");
        if (how == u"column") {
            // Made by the program's own engine, with its password, but a field short.
            catalogue::FileDef shorter = *catalogue::find(u"Rubros.mdb");
            shorter.table.fields.erase(shorter.table.fields.begin());
            QVERIFY(QFile::remove(backup + u"/Rubros.mdb"_s));
            catalogue::createFile(shorter, backup + u"/Rubros.mdb"_s);
        }
        if (how == u"journal")
            writeFile(bases() + u"/Articulos.mdb-journal"_s, QByteArray(512, 'j'));

        QCOMPARE(admin({u"restaurar"_s, backup}), 1);
        QVERIFY2(err_.contains(message), qPrintable(err_));
        QCOMPARE(fixture::articleCount(bases() + u"/Articulos.mdb"_s), current);
        QCOMPARE(QDir(beside()).entryList({u"antes-de-restaurar-*"_s}, QDir::Dirs), QStringList());
        QCOMPARE(hiddenEntries(beside()), QStringList());
    }

    // A restore killed at any moment leaves the store wholly as it was or wholly restored, and
    // the next restore finishes what a killed one left.
    void killedRestoreLeavesOneWholeStore()
    {
        addArticles(3000);
        const QString backup = backUpToday();
        QVERIFY(!backup.isEmpty());
        const qint64 saved = fixture::articleCount(bases() + u"/Articulos.mdb"_s);
        addArticles(40);
        // A second file that changes with the first, so a mix of dates shows.
        writeFile(bases() + u"/leame.txt"_s, "hola");
        const qint64 changed = saved + 40;
        for (int trial = 0; trial < 12; ++trial) {
            const QString name = u"trial %1"_s.arg(trial);
            QProcess child;
            child.setProgram(QStringLiteral(ADMIN_TOOL));
            child.setArguments({u"restaurar"_s, backup});
            child.start();
            QVERIFY(child.waitForStarted());
            QThread::usleep(QRandomGenerator::global()->bounded(400000u));
            ::kill(pid_t(child.processId()), SIGKILL);
            child.waitForFinished(10000);
            const qint64 articles = fixture::articleCount(bases() + u"/Articulos.mdb"_s);
            QVERIFY2(articles == saved || articles == changed, qPrintable(name));
            // Every file of the store from the same date: the backup's Clientes with its Articulos.
            for (const QString& file : kSix)
                QCOMPARE(dbcopy::check(bases() + u'/' + file), QStringList());
            QVERIFY2(QFileInfo::exists(bases() + u"/leame.txt"_s), qPrintable(name));
            // Back to the changed store for the next trial.
            if (articles == saved) addArticles(40);
        }
        QCOMPARE(admin({u"restaurar"_s, backup}), 0);
        QCOMPARE(fixture::articleCount(bases() + u"/Articulos.mdb"_s), saved);
        QCOMPARE(hiddenEntries(beside()), QStringList());
        for (const QString& kept :
             QDir(beside()).entryList({u"antes-de-restaurar-*"_s}, QDir::Dirs))
            QCOMPARE(dbcopy::check(beside() + u'/' + kept + u"/Articulos.mdb"_s), QStringList());
        QCOMPARE(admin({u"verificar"_s}), 0);
    }

    void terminalSettings_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("host1");
        QTest::newRow("rename") << QStringList{u"caja"_s, u"1"_s, u"CAJA-NORTE"_s} << 0
                                << u"CAJA-NORTE"_s;
        QTest::newRow("terminal 3") << QStringList{u"caja"_s, u"3"_s, u"X"_s} << 2 << u"CAJA1"_s;
        QTest::newRow("not a number")
            << QStringList{u"caja"_s, u"uno"_s, u"X"_s} << 2 << u"CAJA1"_s;
        QTest::newRow("path in the name")
            << QStringList{u"caja"_s, u"1"_s, u"..\\otra"_s} << 1 << u"CAJA1"_s;
        QTest::newRow("empty name") << QStringList{u"caja"_s, u"1"_s, u""_s} << 1 << u"CAJA1"_s;
    }
    void terminalSettings()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, host1);
        QCOMPARE(admin(args), code);
        QCOMPARE(admin({u"cajas"_s}), 0);
        QVERIFY2(
            out_.startsWith(u"Caja 1: "_s + host1 + u"  \\\\"_s + host1 + u"\\norvik\\Bases\\"_s),
            qPrintable(out_));
        QVERIFY2(out_.contains(u"Caja 2: CAJA2"_s), qPrintable(out_));
        QVERIFY(out_.contains(host1 == u"CAJA1" ? u"(montada)"_s : u"(no montada)"_s));
    }

    void initializeRemovesLeftoverTemporaries()
    {
        const QString leftover = filereplace::temporaryFor(bases() + u"/Articulos.mdb"_s);
        writeFile(leftover, "a medio escribir");
        QCOMPARE(admin({u"inicializar"_s}), 0);
        QVERIFY(!QFileInfo::exists(leftover));
        QVERIFY2(out_.contains(u"Quitado archivo temporal: "_s + QFileInfo(leftover).fileName()),
                 qPrintable(out_));
    }
};

QTEST_MAIN(DistributionTest)
#include "tst_distribution.moc"
