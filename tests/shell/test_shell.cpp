// The application shell through its real widgets: login, main window, window registry,
// auxiliary windows, the short wait and the error policy.

#include <QCalendarWidget>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStyleFactory>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextLayout>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTranslator>
#include <system_error>

#include "data/catalogue.h"
#include "data/engine.h"
#include "data/passwords.h"
#include "data/paths.h"
#include "data/storelocale.h"
#include "guards.h"
#include "scenario.h"
#include "shell/application.h"
#include "shell/appstyle.h"
#include "shell/datafolder.h"
#include "shell/espere.h"
#include "shell/login.h"
#include "shell/msgbox.h"
#include "shell/pausa.h"
#include "shell/pictures.h"
#include "shell/principal.h"
#include "shell/translations.h"
#include "shell/twips.h"
#include "shell/windowregistry.h"
#include "tempstore.h"

using namespace Qt::StringLiterals;

namespace {

struct User {
    QString name;
    QVariant password;  // invalid: Null; otherwise the plain text, stored hashed (or "" as "")
    QString estado;
};
using Users = QList<User>;

const QString kNotAuthorized = u"Usuario no Autorizado, por favor consulte con el Administrador"_s;
const QString kWrongPassword = u"Contraseña Incorrecta, consulte con el Administrador"_s;

QString opcionPath() { return paths::toNative(paths::inBases(u"Opcion.mdb"_s)); }

// Writes a fresh Opcion.mdb holding `users`.
void makeUsers(const Users& users)
{
    QFile::remove(opcionPath());
    catalogue::createFile(*catalogue::find(u"Opcion.mdb"), opcionPath(), [&](Database& db) {
        auto rs = db.OpenRecordset(u"Usuarios"_s);
        for (const User& user : users) {
            rs->AddNew();
            rs->Fields(u"usuario").setValue(user.name);
            if (user.password.isValid()) {
                const QString plain = user.password.toString();
                // Few iterations: the check reads them from the stored text.
                rs->Fields(u"contrasena")
                    .setValue(plain.isEmpty() ? plain : passwords::hash(plain, 1000));
            }
            rs->Fields(u"estado").setValue(user.estado);
            rs->Update();
        }
    });
}

// User name -> the text of `column`, read from the file.
QMap<QString, QString> usersColumn(const QString& column)
{
    auto db = catalogue::open(u"Opcion.mdb"_s);
    QMap<QString, QString> result;
    auto rs = db->OpenRecordset(u"Usuarios"_s);
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
        result[rs->Fields(u"usuario").Value().toString()] = rs->Fields(column).Value().toString();
    return result;
}

QMap<QString, QString> estados() { return usersColumn(u"estado"_s); }

// Writes a fresh Opcion.mdb with the one user `name` whose contrasena holds `stored` as is.
void makeUserStoring(const QString& name, const QString& stored)
{
    QFile::remove(opcionPath());
    catalogue::createFile(*catalogue::find(u"Opcion.mdb"), opcionPath(), [&](Database& db) {
        auto rs = db.OpenRecordset(u"Usuarios"_s);
        rs->AddNew();
        rs->Fields(u"usuario").setValue(name);
        rs->Fields(u"contrasena").setValue(stored);
        rs->Update();
    });
}

// User name -> contrasena as stored.
QMap<QString, QString> storedPasswords() { return usersColumn(u"contrasena"_s); }

Principal* openPrincipal()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* principal = qobject_cast<Principal*>(widget); principal && principal->isVisible())
            return principal;
    return nullptr;
}

void retype(QLineEdit* box, const QString& text)
{
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, text);
}

// Where the test's own child windows go: from the toolbar, and from a menu that puts them
// elsewhere.
const QPoint kProbeAt(2000, 150);
const QPoint kProbeMenuAt(1000, 300);

// A child window for the registry tests; it remembers whether it was asked to close.
class Probe : public QWidget {
public:
    explicit Probe(bool refuseClose = false) : refuse_(refuseClose) { resize(200, 120); }
    bool refuse_;

protected:
    void closeEvent(QCloseEvent* event) override
    {
        if (refuse_) event->ignore();
    }
};

}  // namespace

class TestShell : public QObject {
    Q_OBJECT

private:
    fixture::DataFolder dir_;
    QList<int> exits_;
    fixture::ExitHandlerGuard exitHandler_{[this](int code) { exits_.append(code); }};
    std::optional<fixture::RegistryGuard> registry_;
    std::unique_ptr<ScriptedMessageBoxes> boxes_;
    // The main window opened by the last login of the test, and the name it was opened for.
    std::unique_ptr<Principal> principal_;
    QString loggedInAs_;

    Login::OpenMain openMain()
    {
        return [this](const QString& nombreUsuario) {
            auto principal = std::make_unique<Principal>(nombreUsuario);
            loggedInAs_ = nombreUsuario;
            principal_ = std::move(principal);
            principal_->show();
        };
    }

    QStringList prompts() const
    {
        QStringList all;
        for (const auto& shown : boxes_->shown()) all << shown.prompt;
        return all;
    }

    // A logged-in main window over a one-user file, owned by `login`.
    Principal* logIn(Login& login)
    {
        makeUsers({{u"VUMRE"_s, u"VUMRE"_s, QString()}});
        if (!login.Load() || !fixture::activate(&login)) return nullptr;
        QTest::mouseClick(login.findChild<QPushButton*>(u"cmdAceptar"_s), Qt::LeftButton);
        Principal* principal = openPrincipal();
        if (principal && !fixture::activate(principal)) return nullptr;
        return principal;
    }

private slots:
    void init()
    {
        exits_.clear();
        boxes_ = std::make_unique<ScriptedMessageBoxes>();
        loggedInAs_.clear();
        registry_.emplace();
        registerShellWindows(WindowRegistry::instance());
    }

    void cleanup()
    {
        principal_.reset();
        boxes_.reset();
        registry_.reset();
        // Deleting a calendar deletes its pop-up menus, themselves windows of the list: the
        // calendars are picked out first.
        QList<QPointer<QWidget>> calendars;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->objectName() == u"Calendario") calendars << widget;
        for (const QPointer<QWidget>& calendar : calendars) delete calendar.data();
    }

    // The program's style paints a text box as the style it wraps does, the first time and when
    // it copies what it kept: in each state, colour and size.
    void textBoxPanelAsTheWrappedStyle()
    {
        AppStyle kept(u"Fusion"_s);
        const std::unique_ptr<QStyle> plain(QStyleFactory::create(u"Fusion"_s));
        enum Ground { Plain, Grey, Black, Gradient };
        struct Case {
            const char* name;
            QSize size;
            bool enabled, readOnly, focused;
            Ground ground;
        };
        // Each box gets a palette of its own, as each form makes: those of the same colours
        // share what is kept, and a gradient is told apart from its colour (black, as the
        // box before it).
        const Case cases[] = {{"plain", {120, 21}, true, false, false, Plain},
                              {"disabled", {80, 21}, false, false, false, Plain},
                              {"read-only", {120, 21}, true, true, false, Plain},
                              {"focused", {120, 21}, true, false, true, Plain},
                              {"grey price box", {97, 25}, true, false, false, Grey},
                              {"another grey price box", {97, 25}, true, false, false, Grey},
                              {"black", {97, 25}, true, false, false, Black},
                              {"gradient", {97, 25}, true, false, false, Gradient}};
        QWidget window;
        auto* other = new QLineEdit(&window);
        for (const Case& c : cases) {
            auto* withKept = new QLineEdit(u"12,50"_s, &window);
            auto* withPlain = new QLineEdit(u"12,50"_s, &window);
            for (QLineEdit* box : {withKept, withPlain}) {
                box->resize(c.size);
                box->setEnabled(c.enabled);
                box->setReadOnly(c.readOnly);
                QPalette colours = box->palette();
                if (c.ground == Grey) colours.setColor(QPalette::Base, QColor(192, 192, 192));
                if (c.ground == Black) colours.setColor(QPalette::Base, Qt::black);
                if (c.ground == Gradient) {
                    QLinearGradient fade(0, 0, 0, c.size.height());
                    fade.setColorAt(0, Qt::white);
                    fade.setColorAt(1, QColor(192, 192, 192));
                    colours.setBrush(QPalette::Base, QBrush(fade));
                }
                box->setPalette(colours);
            }
            withKept->setStyle(&kept);
            withPlain->setStyle(plain.get());
            withKept->show();
            withPlain->show();
            QVERIFY(fixture::activate(&window));
            for (int pass = 0; pass < 2; ++pass) {
                if (c.focused) withKept->setFocus();
                const QImage drawnKept = withKept->grab().toImage();
                if (c.focused) withPlain->setFocus();
                const QImage drawnPlain = withPlain->grab().toImage();
                QCOMPARE(withPlain->hasFocus(), c.focused);
                other->setFocus();
                QVERIFY2(drawnKept == drawnPlain, c.name);
            }
            delete withKept;
            delete withPlain;
        }
    }

    void twipsFollowTheLogicalDpi_data()
    {
        QTest::addColumn<int>("twips");
        QTest::addColumn<int>("pixelsAt96");
        QTest::newRow("one pixel") << 15 << 1;
        QTest::newRow("an inch") << 1440 << 96;
        QTest::newRow("toolbar height") << 735 << 49;
        QTest::newRow("login width") << 3750 << 250;
        QTest::newRow("zero") << 0 << 0;
    }
    void twipsFollowTheLogicalDpi()
    {
        QFETCH(int, twips);
        QFETCH(int, pixelsAt96);
        const double dpi = QGuiApplication::primaryScreen()->logicalDotsPerInchX();
        QCOMPARE(twips::toPixelsX(twips), qRound(pixelsAt96 * dpi / 96.0));
    }

    // --- data folder -------------------------------------------------------------------

    void aSecondCopyOfTheProgramEnds()
    {
        auto first = lockDataFolder();
        QVERIFY(first);
        QVERIFY(boxes_->shown().isEmpty());
        QVERIFY(!lockDataFolder());
        QCOMPARE(boxes_->shown().size(), 1);
        QVERIFY(boxes_->shown().first().prompt.startsWith(
            u"El programa ya está abierto en esta computadora."_s));
        QCOMPARE(boxes_->shown().first().flags, int(vbCritical));
        first.reset();
        QVERIFY(lockDataFolder());
    }

    void missingDataAsksToCreateTheFiles_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::addColumn<bool>("opcion");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("saying");
        QTest::newRow("no folder, No")
            << false << false << false << u"No existe la carpeta de datos"_s;
        QTest::newRow("no folder, Yes")
            << false << false << true << u"No existe la carpeta de datos"_s;
        QTest::newRow("no Opcion.mdb, No")
            << true << false << false << u"Falta el archivo Opcion.mdb"_s;
        QTest::newRow("no Opcion.mdb, Yes")
            << true << false << true << u"Falta el archivo Opcion.mdb"_s;
        QTest::newRow("both present") << true << true << true << QString();
    }
    void missingDataAsksToCreateTheFiles()
    {
        QFETCH(bool, folder);
        QFETCH(bool, opcion);
        QFETCH(bool, yes);
        QFETCH(QString, saying);
        const QString bases = paths::toNative(paths::basesFolder());
        QDir(bases).removeRecursively();
        // A file already there (with one brand in it) must come out of a Yes unchanged.
        const QString marcas = paths::toNative(paths::inBases(u"Marcas.mdb"_s));
        QByteArray marcasBefore;
        if (folder) {
            catalogue::createFile(*catalogue::find(u"Marcas.mdb"), marcas, [](Database& db) {
                auto rs = db.OpenRecordset(u"rubros"_s);
                rs->AddNew();
                rs->Fields(u"COD_RUB"_s).setValue(u"0001"_s);
                rs->Fields(u"DESCRI"_s).setValue(u"PROPIA"_s);
                rs->Update();
            });
            QFile f(marcas);
            QVERIFY(f.open(QIODevice::ReadOnly));
            marcasBefore = f.readAll();
        }
        if (opcion) makeUsers({});

        const QString problem = checkDataFolder();
        QCOMPARE(problem.isEmpty(), saying.isEmpty());
        if (saying.isEmpty()) return;
        QVERIFY2(problem.startsWith(saying), qPrintable(problem));
        QVERIFY(problem.contains(bases));

        boxes_->answer(yes ? MsgBoxResult::Yes : MsgBoxResult::No);
        QCOMPARE(offerToCreateDataFiles(problem), yes);
        QCOMPARE(boxes_->shown().size(), 1);
        const auto box = boxes_->shown().first();
        QVERIFY2(box.prompt.startsWith(problem), qPrintable(box.prompt));
        QVERIFY(box.prompt.contains(
            u"¿Desea crear ahora los archivos vacíos del comercio, con el usuario VUMRE"_s));
        QCOMPARE(box.flags, int(vbYesNo + vbQuestion));
        QCOMPARE(box.title, u"-=: Sistema Valdrameno :=-"_s);

        QCOMPARE(QFileInfo::exists(opcionPath()), yes);
        QCOMPARE(QFileInfo::exists(bases), folder || yes);
        const int files = QDir(bases).entryList(QDir::Files | QDir::Hidden).size();
        QCOMPARE(files, yes ? int(catalogue::files().size()) : (folder ? 1 : 0));
        if (folder) {
            QFile f(marcas);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QVERIFY(f.readAll() == marcasBefore);
        }
        if (!yes) return;
        // The login opens on the new file and VUMRE / VUMRE gets in.
        QVERIFY(checkDataFolder().isEmpty());
        Login login(openMain());
        QVERIFY(login.Load());
        QVERIFY(fixture::activate(&login));
        QTest::mouseClick(login.findChild<QPushButton*>(u"cmdAceptar"_s), Qt::LeftButton);
        QCOMPARE(loggedInAs_, u"VUMRE"_s);
        QCOMPARE(estados(), (QMap<QString, QString>{{u"VUMRE"_s, u"Activo"_s}}));
        QCOMPARE(boxes_->shown().size(), 1);
    }

    void creatingTheFilesFailsWithAnErrorBox()
    {
        // The data folder's parent is a file: no folder can be made there.
        const QString root = dir_.path() + u"/valdrameno"_s;
        QDir(root).removeRecursively();
        QFile blocker(root);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const auto restore = qScopeGuard([&] { QFile::remove(root); });

        const QString problem = checkDataFolder();
        QVERIFY(problem.startsWith(u"No existe la carpeta de datos"_s));
        boxes_->answer(MsgBoxResult::Yes);
        QVERIFY(!offerToCreateDataFiles(problem));
        QCOMPARE(boxes_->shown().size(), 2);
        QVERIFY2(boxes_->shown().at(1).prompt.startsWith(u"Error "_s),
                 qPrintable(boxes_->shown().at(1).prompt));
        QCOMPARE(boxes_->shown().at(1).flags, int(vbCritical));
        QVERIFY(QFileInfo(root).isFile());
    }

    // --- dates, times and the toolkit's texts ------------------------------------------

    void datesAndTimesFollowASpanishSystemOrArgentina_data()
    {
        QTest::addColumn<QString>("system");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("defaultLocale");
        // Linux's es_AR writes the short date d/M/yy; Spain's time drops the leading zero.
        QTest::newRow("C") << u"C"_s << u"05/03/2026"_s << u"14:05:06"_s << u"es_AR"_s;
        QTest::newRow("en_US") << u"en_US"_s << u"05/03/2026"_s << u"14:05:06"_s << u"es_AR"_s;
        QTest::newRow("de_DE") << u"de_DE"_s << u"05/03/2026"_s << u"14:05:06"_s << u"es_AR"_s;
        QTest::newRow("es_AR") << u"es_AR"_s << u"5/3/26"_s << u"14:05:06"_s << u"es_AR"_s;
        QTest::newRow("es_ES") << u"es_ES"_s << u"5/3/26"_s << u"14:05:06"_s << u"es_ES"_s;
    }
    void datesAndTimesFollowASpanishSystemOrArgentina()
    {
        QFETCH(QString, system);
        QFETCH(QString, date);
        QFETCH(QString, time);
        QFETCH(QString, defaultLocale);
        const QLocale locale(system);
        QCOMPARE(storelocale::shortDate(QDate(2026, 3, 5), locale), date);
        QCOMPARE(storelocale::longTime(QTime(14, 5, 6), locale), time);
        QCOMPARE(storelocale::longTime(QTime(9, 5, 6), locale).endsWith(u"9:05:06"_s), true);
        QCOMPARE(storelocale::storeLocale(locale).name(), defaultLocale);
        fixture::DefaultLocaleGuard restore;
        storelocale::applyDefault(locale);
        QCOMPARE(QLocale().name(), defaultLocale);
    }

    void clockUsesTheStoreTimeFormat()
    {
        // Under the C locale of a fresh machine as under es_AR.UTF-8: 24-hour time, no zone.
        QCOMPARE(Principal::clockText(QTime(21, 7, 3)), u"21:07:03"_s);
    }

    void toolkitTextsAreSpanish()
    {
        std::unique_ptr<QTranslator> translator(translations::installQt(nullptr));
        QVERIFY2(translator, "qtbase_es.qm (Debian package qt6-translations-l10n) is missing");
        QLineEdit edit;
        std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
        QStringList texts;
        for (QAction* action : menu->actions())
            texts << action->text().section(u'\t', 0, 0).remove(u'&');
        QVERIFY2(texts.contains(u"Deshacer"_s) && texts.contains(u"Pegar"_s),
                 qPrintable(texts.join(u", "_s)));
        QDialogButtonBox buttons(QDialogButtonBox::Cancel);
        QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text().remove(u'&'), u"Cancelar"_s);
    }

    // --- login -------------------------------------------------------------------------

    void loginLooksAsDesigned()
    {
        makeUsers({{u"VUMRE"_s, u"VUMRE"_s, QString()}});
        Login login(openMain());
        QVERIFY(login.Load());
        QVERIFY(fixture::activate(&login));
        QCOMPARE(login.windowTitle(), u"Login"_s);
        QCOMPARE(login.size(), twips::size(3750, 2295));
        QCOMPARE(login.minimumSize(), login.maximumSize());
        const QPoint screenCentre = login.screen()->availableGeometry().center();
        QVERIFY((login.frameGeometry().center() - screenCentre).manhattanLength() <= 2);
        QCOMPARE(login.palette().color(QPalette::Window), QColor(192, 192, 0));
        auto* user = login.findChild<QLineEdit*>(u"txtUserName"_s);
        auto* password = login.findChild<QLineEdit*>(u"txtPassword"_s);
        auto* cancel = login.findChild<QPushButton*>(u"cmdCancel"_s);
        auto* accept = login.findChild<QPushButton*>(u"cmdAceptar"_s);
        QCOMPARE(user->text(), u"VUMRE"_s);
        QCOMPARE(password->text(), u"VUMRE"_s);
        QCOMPARE(password->displayText(), u"*****"_s);
        QCOMPARE(cancel->text(), u"&Cancelar"_s);
        QCOMPARE(accept->text(), u"&Aceptar"_s);
        QVERIFY(!cancel->icon().isNull() && !accept->icon().isNull());
        QVERIFY(!cancel->isDefault() && !accept->isDefault());
        // Tab order, from the user box that has the focus with its text selected.
        QCOMPARE(QApplication::focusWidget(), user);
        QCOMPARE(user->selectedText(), u"VUMRE"_s);
        QWidget* expected[] = {password, cancel, accept};
        for (QWidget* next : expected) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
    }

    void loginChecksUserAndPassword_data()
    {
        QTest::addColumn<Users>("users");
        QTest::addColumn<QString>("typedUser");  // null: keep the initial text
        QTest::addColumn<QString>("typedPassword");
        QTest::addColumn<QString>("box");     // empty: none
        QTest::addColumn<QString>("active");  // the user marked Activo, empty: none
        QTest::addColumn<int>("exitCode");    // -1: the program goes on

        const Users initial{{u"VUMRE"_s, u"VUMRE"_s, QString()}, {u"Ana"_s, u"clave"_s, QString()}};
        QTest::newRow("initial texts log in")
            << initial << QString() << QString() << QString() << u"VUMRE"_s << -1;
        QTest::newRow("name in another case is found")
            << initial << u"ANA"_s << u"clave"_s << QString() << u"Ana"_s << -1;
        QTest::newRow("password in another case is refused")
            << initial << u"Ana"_s << u"CLAVE"_s << kWrongPassword << QString() << -1;
        QTest::newRow("stored Null never matches, not even empty")
            << Users{{u"Ana"_s, QVariant(), QString()}} << u"Ana"_s << u""_s << kWrongPassword
            << QString() << -1;
        QTest::newRow("stored empty matches an empty box")
            << Users{{u"Ana"_s, u""_s, QString()}} << u"Ana"_s << u""_s << QString() << u"Ana"_s
            << -1;
        QTest::newRow("stored empty refuses a typed password")
            << Users{{u"Ana"_s, u""_s, QString()}} << u"Ana"_s << u"x"_s << kWrongPassword
            << QString() << -1;
        QTest::newRow("stale mark cleared by a failed attempt")
            << Users{{u"Ana"_s, u"clave"_s, u"Activo"_s}} << u"Ana"_s << u"mal"_s << kWrongPassword
            << QString() << -1;
        QTest::newRow("unknown user ends the program")
            << initial << u"Pedro"_s << u"clave"_s << kNotAuthorized << QString() << 1;
        QTest::newRow("empty table: nobody is known")
            << Users{} << QString() << QString() << kNotAuthorized << QString() << 1;
    }
    void loginChecksUserAndPassword()
    {
        QFETCH(Users, users);
        QFETCH(QString, typedUser);
        QFETCH(QString, typedPassword);
        QFETCH(QString, box);
        QFETCH(QString, active);
        QFETCH(int, exitCode);
        makeUsers(users);
        Login login(openMain());
        QVERIFY(login.Load());
        QVERIFY(fixture::activate(&login));
        auto* user = login.findChild<QLineEdit*>(u"txtUserName"_s);
        auto* password = login.findChild<QLineEdit*>(u"txtPassword"_s);
        if (!typedUser.isNull()) retype(user, typedUser);
        if (!typedPassword.isNull()) retype(password, typedPassword);
        QTest::mouseClick(login.findChild<QPushButton*>(u"cmdAceptar"_s), Qt::LeftButton);

        QCOMPARE(prompts(), box.isEmpty() ? QStringList() : QStringList{box});
        for (const auto& shown : boxes_->shown()) {
            QCOMPARE(shown.title, u"Error"_s);
            QCOMPARE(shown.flags, int(vbCritical));
        }
        QCOMPARE(exits_, exitCode < 0 ? QList<int>() : QList<int>{exitCode});
        for (const auto& [name, estado] : estados().asKeyValueRange())
            QCOMPARE(estado, name == active ? u"Activo"_s : QString());

        const bool succeeded = box.isEmpty();
        QCOMPARE(login.LoginSucceeded, succeeded);
        QCOMPARE(login.isVisible(), !succeeded && exitCode < 0);
        Principal* principal = openPrincipal();
        QCOMPARE(principal != nullptr, succeeded);
        if (succeeded) {
            const QString typed = typedUser.isNull() ? u"VUMRE"_s : typedUser;
            QCOMPARE(loggedInAs_, typed);
            QCOMPARE(principal->windowTitle(), u"-=: Sistema Valdrameno :=- - "_s + typed);
            QVERIFY(password->text().isEmpty());  // nothing typed stays in memory once accepted
            QCOMPARE(login.result(), int(QDialog::Accepted));
        } else if (box == kWrongPassword) {
            QCOMPARE(QApplication::focusWidget(), password);
            QCOMPARE(password->selectedText(), password->text());
            QCOMPARE(user->text(), typedUser);
        }
    }

    void storedPasswordIsHashedAnewAtLogin_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("logsIn");
        QTest::addColumn<bool>("replaced");
        const QString current = passwords::hash(u"Clave1"_s);
        QTest::newRow("plain text") << u"Clave1"_s << u"Clave1"_s << true << true;
        QTest::newRow("plain text in another case") << u"Clave1"_s << u"clave1"_s << false << false;
        QTest::newRow("plain text with a blank") << u"Clave1"_s << u"Clave1 "_s << false << false;
        QTest::newRow("plain text like a broken hash")
            << u"pbkdf2-sha256$x"_s << u"pbkdf2-sha256$x"_s << true << true;
        QTest::newRow("older hash")
            << passwords::hash(u"Clave1"_s, 200000) << u"Clave1"_s << true << true;
        QTest::newRow("older hash, wrong password")
            << passwords::hash(u"Clave1"_s, 1000) << u"Clave2"_s << false << false;
        QTest::newRow("current hash kept") << current << u"Clave1"_s << true << false;
    }
    void storedPasswordIsHashedAnewAtLogin()
    {
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        QFETCH(bool, logsIn);
        QFETCH(bool, replaced);
        makeUserStoring(u"ANA"_s, stored);
        Login login(openMain());
        QVERIFY(login.Load());
        QVERIFY(fixture::activate(&login));
        retype(login.findChild<QLineEdit*>(u"txtUserName"_s), u"ANA"_s);
        retype(login.findChild<QLineEdit*>(u"txtPassword"_s), typed);
        QTest::mouseClick(login.findChild<QPushButton*>(u"cmdAceptar"_s), Qt::LeftButton);
        QCOMPARE(prompts(), logsIn ? QStringList() : QStringList{kWrongPassword});
        QCOMPARE(login.LoginSucceeded, logsIn);
        const QString now = storedPasswords().value(u"ANA"_s);
        QCOMPARE(now != stored, replaced);
        if (replaced) {
            // A salted hash of the typed password with the current iterations.
            QVERIFY(now.startsWith(u"pbkdf2-sha256$600000$"_s));
            QVERIFY(passwords::verify(typed, now));
            QVERIFY(!now.contains(typed));
        }
    }

    void wrongPasswordThenAnotherUser()
    {
        makeUsers({{u"Ana"_s, u"uno"_s, QString()}, {u"Beto"_s, u"dos"_s, QString()}});
        Login login(openMain());
        QVERIFY(login.Load());
        QVERIFY(fixture::activate(&login));
        auto* accept = login.findChild<QPushButton*>(u"cmdAceptar"_s);
        retype(login.findChild<QLineEdit*>(u"txtUserName"_s), u"Ana"_s);
        retype(login.findChild<QLineEdit*>(u"txtPassword"_s), u"dos"_s);
        QTest::mouseClick(accept, Qt::LeftButton);
        QCOMPARE(prompts(), QStringList{kWrongPassword});
        retype(login.findChild<QLineEdit*>(u"txtUserName"_s), u"beto"_s);
        retype(login.findChild<QLineEdit*>(u"txtPassword"_s), u"dos"_s);
        QTest::mouseClick(accept, Qt::LeftButton);
        QCOMPARE(prompts(), QStringList{kWrongPassword});
        QCOMPARE(estados(),
                 (QMap<QString, QString>{{u"Ana"_s, QString()}, {u"Beto"_s, u"Activo"_s}}));
        QCOMPARE(loggedInAs_, u"beto"_s);
        QVERIFY(openPrincipal());
    }

    void enterMovesThroughTheLogin()
    {
        makeUsers({{u"VUMRE"_s, u"VUMRE"_s, QString()}});
        // As the program starts it: the users file opened while the window is built.
        Login login(openMain(), Login::UsersFile::OpenedWhileBuilding);
        QVERIFY(login.Load());
        QVERIFY(fixture::activate(&login));
        auto* user = login.findChild<QLineEdit*>(u"txtUserName"_s);
        auto* password = login.findChild<QLineEdit*>(u"txtPassword"_s);
        auto* accept = login.findChild<QPushButton*>(u"cmdAceptar"_s);
        QTest::keyClick(login.findChild<QLineEdit*>(u"txtUserName"_s), Qt::Key_Escape);
        QVERIFY(login.isVisible());
        QTest::keyClick(user, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), password);
        QCOMPARE(password->selectedText(), u"VUMRE"_s);
        QTest::keyClick(password, Qt::Key_Enter);
        QCOMPARE(QApplication::focusWidget(), accept);
        QVERIFY(login.isVisible());  // focused, not pressed
        QVERIFY(!openPrincipal());
        QTest::keyClick(accept, Qt::Key_Return);
        QVERIFY(login.LoginSucceeded);
        QVERIFY(!login.isVisible());
        QVERIFY(openPrincipal());
        QVERIFY(boxes_->shown().isEmpty());
    }

    void cancelEndsTheProgram_data()
    {
        QTest::addColumn<int>(
            "how");  // 0 click, 1 Space / 3 Enter on the focused button, 2 close box
        QTest::newRow("click") << 0;
        QTest::newRow("space") << 1;
        QTest::newRow("enter") << 3;
        QTest::newRow("close box") << 2;
    }
    void cancelEndsTheProgram()
    {
        QFETCH(int, how);
        makeUsers({{u"VUMRE"_s, u"VUMRE"_s, QString()}});
        Login login(openMain());
        QVERIFY(login.Load());
        QVERIFY(fixture::activate(&login));
        auto* cancel = login.findChild<QPushButton*>(u"cmdCancel"_s);
        if (how == 0) QTest::mouseClick(cancel, Qt::LeftButton);
        if (how == 1 || how == 3) {
            cancel->setFocus();
            QTest::keyClick(cancel, how == 1 ? Qt::Key_Space : Qt::Key_Return);
        }
        if (how == 2) login.close();
        QCOMPARE(exits_, QList<int>{0});
        QVERIFY(!login.LoginSucceeded);
        QVERIFY(!login.isVisible());
        QVERIFY(!openPrincipal());
        QCOMPARE(estados().value(u"VUMRE"_s), QString());
    }

    void loginCannotOpenItsFile_data()
    {
        QTest::addColumn<QByteArray>("contents");  // empty: no file
        QTest::addColumn<int>("number");
        QTest::addColumn<bool>("openedAhead");  // while the window is built, as the program does
        for (const bool ahead : {false, true}) {
            const char* how = ahead ? ", opened ahead" : "";
            QTest::addRow("missing%s", how)
                << QByteArray() << int(EngineErrorCode::FileNotFound) << ahead;
            QTest::addRow("not a database%s", how)
                << QByteArray("esto no es una base de datos") << 0 << ahead;
        }
    }
    void loginCannotOpenItsFile()
    {
        QFETCH(QByteArray, contents);
        QFETCH(int, number);
        QFETCH(bool, openedAhead);
        QFile::remove(opcionPath());
        if (!contents.isEmpty()) {
            QFile file(opcionPath());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(contents.repeated(200));
        }
        Login login(openMain(), openedAhead ? Login::UsersFile::OpenedWhileBuilding
                                            : Login::UsersFile::OpenedByLoad);
        QVERIFY(!login.Load());
        QCOMPARE(boxes_->shown().size(), 1);
        const auto box = boxes_->shown().first();
        QVERIFY2(box.prompt.startsWith(number ? u"Error %1: "_s.arg(number) : u"Error "_s),
                 qPrintable(box.prompt));
        QCOMPARE(box.flags, int(vbCritical));
        QCOMPARE(QFileInfo(opcionPath()).size(), qint64(contents.size() * 200));  // left as it was
    }

    // --- main window -------------------------------------------------------------------

    void toolbarHoldsTheButtonsInOrder()
    {
        Login login(openMain());
        Principal* principal = logIn(login);
        QVERIFY(principal);
        const QPoint screenCentre = principal->screen()->availableGeometry().center();
        QVERIFY((principal->geometry().center() - screenCentre).manhattanLength() <= 2);
        auto* bar = principal->findChild<QToolBar*>(u"Toolbar1"_s);
        QCOMPARE(bar->height(), twips::toPixelsY(735));
        const QStringList rows = {u"Command6|Articulos|Articulos"_s,
                                  u"Command1|Clientes|Clientes"_s,
                                  u"Command2|Proveed.|Proveedores"_s,
                                  u"Command9|Departamentos|Departamentos"_s,
                                  u"Command4|Etiquetas|Etiquetas"_s,
                                  u"Command3|Actualizar|Actualizar"_s,
                                  u"lblTime"_s,
                                  u"Command10|Backup|Backup"_s,
                                  u"Command7|Calen.|Calendario"_s,
                                  u"Command8|Calc.|Calculadora"_s,
                                  u"Salir|Salir|Salir del Programa"_s};
        QStringList order;
        for (QAction* action : bar->actions()) order << bar->widgetForAction(action)->objectName();
        QCOMPARE(order.size(), rows.size());
        for (int i = 0; i < rows.size(); ++i) {
            const QStringList parts = rows[i].split(u'|');
            QCOMPARE(order[i], parts[0]);
            auto* widget = bar->findChild<QWidget*>(parts[0]);
            if (auto* button = qobject_cast<QToolButton*>(widget)) {
                QCOMPARE(button->text(), parts[1]);
                QCOMPARE(button->toolTip(), parts[2]);
                QCOMPARE(button->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
                QVERIFY(!button->icon().isNull());
            }
        }
        auto* clock = bar->findChild<QLabel*>(u"lblTime"_s);
        // The current time of day, to the second (the clock may have ticked since).
        const QTime shownTime = QTime::fromString(clock->text(), u"H:mm:ss"_s);
        QVERIFY2(shownTime.isValid(), qPrintable(clock->text()));
        QVERIFY2((shownTime.secsTo(QTime::currentTime()) + 86400) % 86400 <= 2,
                 qPrintable(clock->text()));
        auto* timer = principal->findChild<QTimer*>(u"Timer1"_s);
        QCOMPARE(timer->interval(), 100);
        QVERIFY(timer->isActive());
    }

    void menusHoldEveryItem()
    {
        Login login(openMain());
        Principal* principal = logIn(login);
        QVERIFY(principal);
        const QStringList expected = {
            u"&Archivo: Calendario, Calculadora, -, &Impresora [Ctrl+I]"_s,
            u"&Base de Datos: Articulos, Clientes, Proveedores, -, Departamentos, -, Marcas, "
            u"Rubros, -, Actualización de &Precios"_s,
            u"&Listados: Articulos, Clientes, Proveedores, -, Departamentos, -, Marcas, Rubros"_s,
            u"&Ventanas: &Cascada, &Mosaico, &Oganizar Iconos"_s,
            u"&Salir: &Acerca de . . ., -, &Salir [Ctrl+S]"_s,
        };
        QStringList actual;
        for (QAction* top : principal->menuBar()->actions()) {
            QStringList items;
            for (QAction* item : top->menu()->actions()) {
                QString text = item->isSeparator() ? u"-"_s : item->text();
                if (!item->shortcut().isEmpty())
                    text += u" ["_s + item->shortcut().toString() + u"]"_s;
                items << text;
            }
            actual << top->text() + u": "_s + items.join(u", "_s);
        }
        QCOMPARE(actual, expected);
    }

    void itemsWithoutActionDoNothing_data()
    {
        QTest::addColumn<QString>("item");
        QTest::newRow("Impresora") << u"mnuImpresora"_s;
        QTest::newRow("Listados Marcas") << u"mnuListMarcas"_s;
        QTest::newRow("Listados Rubros") << u"mnuListRubros"_s;
        QTest::newRow("window not registered yet") << u"mnuClientes"_s;
        QTest::newRow("report not registered yet") << u"mnuListArticulos"_s;
    }
    void itemsWithoutActionDoNothing()
    {
        QFETCH(QString, item);
        Login login(openMain());
        Principal* principal = logIn(login);
        QVERIFY(principal);
        const int topLevels = int(QApplication::topLevelWidgets().size());
        principal->findChild<QAction*>(item)->trigger();
        QVERIFY(principal->frame()->subWindowList().isEmpty());
        QCOMPARE(int(QApplication::topLevelWidgets().size()), topLevels);
        QVERIFY(boxes_->shown().isEmpty());
        QVERIFY(exits_.isEmpty());
    }

    void registryShowsEachWindowOnceAtItsPlace_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("window");
        QTest::addColumn<QPoint>("twipsPosition");
        QTest::addColumn<bool>("inFrame");
        // The child windows are the test's own rows (kProbeAt, and kProbeMenuAt for the
        // departments); the calendar is the shell's.
        QTest::newRow("toolbar Departamentos")
            << u"Command9"_s << u"Departamentos"_s << kProbeAt << true;
        QTest::newRow("menu Departamentos")
            << u"mnuDepartamentos"_s << u"Departamentos"_s << kProbeMenuAt << true;
        QTest::newRow("toolbar Articulos") << u"Command6"_s << u"Articulos"_s << kProbeAt << true;
        QTest::newRow("toolbar Backup") << u"Command10"_s << u"Backup"_s << kProbeAt << true;
        QTest::newRow("menu Marcas, no menu place of its own")
            << u"mnuMarcas"_s << u"Marcas"_s << kProbeAt << true;
        QTest::newRow("toolbar Calendario")
            << u"Command7"_s << u"Calendario"_s << QPoint(4500, 3050) << false;
        QTest::newRow("menu Calendario")
            << u"mnuCalendario"_s << u"Calendario"_s << QPoint(4500, 3500) << false;
    }
    void registryShowsEachWindowOnceAtItsPlace()
    {
        QFETCH(QString, control);
        QFETCH(QString, window);
        QFETCH(QPoint, twipsPosition);
        QFETCH(bool, inFrame);
        Login login(openMain());
        Principal* principal = logIn(login);
        QVERIFY(principal);
        if (inFrame) {
            const auto menuAt =
                window == u"Departamentos"_s ? std::optional(kProbeMenuAt) : std::nullopt;
            WindowRegistry::instance().add(
                {window, WindowPlace::InFrame, kProbeAt, [] { return new Probe; }, menuAt});
        }
        WindowRegistry::instance().add(
            {u"Otra"_s, WindowPlace::InFrame, QPoint(0, 0), [] { return new Probe; }});
        auto press = [&] {
            if (auto* button = principal->findChild<QToolButton*>(control))
                QTest::mouseClick(button, Qt::LeftButton);
            else principal->findChild<QAction*>(control)->trigger();
        };
        auto placed = [&](QWidget* shown) { return inFrame ? shown->parentWidget() : shown; };
        const QPoint pixels = twips::point(twipsPosition.x(), twipsPosition.y());

        press();
        QWidget* first = WindowRegistry::instance().openWindow(window);
        QVERIFY(first);
        QVERIFY(first->isVisible());
        QCOMPARE(placed(first)->pos(), pixels);
        if (inFrame) QCOMPARE(first->size(), QSize(200, 120));  // the child keeps the form's size
        // Its title bar shows the program's icon, not the toolkit's.
        const QImage programIcon = pictures::programIcon().pixmap(16).toImage();
        QVERIFY(!programIcon.isNull() && programIcon.pixelColor(8, 8).alpha() > 0);
        QCOMPARE(placed(first)->windowIcon().pixmap(16).toImage(), programIcon);
        // Moved away and covered by another window, it comes back to the front and to its place.
        placed(first)->move(pixels + QPoint(37, 23));
        QWidget* other = WindowRegistry::instance().show(u"Otra"_s);
        press();
        QCOMPARE(WindowRegistry::instance().openWindow(window), first);
        QCOMPARE(placed(first)->pos(), pixels);
        if (inFrame) {
            QCOMPARE(principal->frame()->subWindowList().size(), 2);
            QCOMPARE(principal->frame()->activeSubWindow(), first->parentWidget());
        } else {
            QVERIFY(first->isWindow());
            QCOMPARE(first->windowTitle(), u"Calendario"_s);
        }
        // Closing the window unloads it; the next show makes a new one.
        QPointer<QWidget> gone = first;
        first->close();
        QTRY_VERIFY(!gone);
        QVERIFY(!WindowRegistry::instance().openWindow(window));
        if (inFrame) QTRY_COMPARE(principal->frame()->subWindowList().size(), 1);
        press();
        QVERIFY(WindowRegistry::instance().openWindow(window));
        QVERIFY(other->isVisible());
    }

    // A child window opens inside the frame's visible area: one too large is made to fit as far
    // as it can shrink, and one whose place leaves too little room moves back just enough.
    void childWindowsOpenInsideTheFrame_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("fixed");
        QTest::addColumn<std::optional<QPoint>>("twipsPosition");
        QTest::newRow("a viewer larger than the frame")
            << QSize(1200, 900) << false << std::optional<QPoint>();
        QTest::newRow("a viewer placed too far right")
            << QSize(908, 668) << false << std::optional(QPoint(3400, 0));
        QTest::newRow("a fixed form placed too low")
            << QSize(555, 345) << true << std::optional(QPoint(4500, 9000));
    }
    void childWindowsOpenInsideTheFrame()
    {
        QFETCH(QSize, size);
        QFETCH(bool, fixed);
        QFETCH(std::optional<QPoint>, twipsPosition);
        QMdiArea frame;
        frame.resize(1000, 700);
        frame.show();
        WindowRegistry::instance().setFrame(&frame);
        const auto forget = qScopeGuard([] { WindowRegistry::instance().setFrame(nullptr); });
        WindowRegistry::instance().add(
            {u"Grande"_s, WindowPlace::InFrame, twipsPosition, [size, fixed] {
                 auto* form = new Probe;
                 if (fixed) form->setFixedSize(size);
                 else form->resize(size);
                 return form;
             }});
        QWidget* form = WindowRegistry::instance().show(u"Grande"_s);
        QVERIFY(form);
        auto* sub = qobject_cast<QMdiSubWindow*>(form->parentWidget());
        const QRect visible(QPoint(0, 0), frame.viewport()->size());
        QVERIFY2(
            visible.contains(sub->geometry()),
            qPrintable(
                u"%1,%2 %3x%4"_s.arg(sub->x()).arg(sub->y()).arg(sub->width()).arg(sub->height())));
        // The child window wraps the form in its frame and title bar.
        const QSize whole = size.grownBy(sub->contentsMargins());
        QCOMPARE(sub->size(), whole.boundedTo(visible.size()));
        if (twipsPosition) {
            const QPoint place = twips::point(twipsPosition->x(), twipsPosition->y());
            QCOMPARE(sub->pos(), QPoint(std::min(place.x(), visible.width() - sub->width()),
                                        std::min(place.y(), visible.height() - sub->height())));
        }
    }

    void windowThatCannotBeMadeOpensNothing()
    {
        Login login(openMain());
        Principal* principal = logIn(login);
        QVERIFY(principal);
        WindowRegistry::instance().add(
            {u"Clientes"_s, WindowPlace::InFrame, QPoint(3100, 0), [] { return nullptr; }});
        QTest::mouseClick(principal->findChild<QToolButton*>(u"Command1"_s), Qt::LeftButton);
        QVERIFY(!WindowRegistry::instance().openWindow(u"Clientes"_s));
        QVERIFY(principal->frame()->subWindowList().isEmpty());
        QVERIFY(exits_.isEmpty());
    }

    void windowMenuListsTheChildWindows()
    {
        Login login(openMain());
        Principal* principal = logIn(login);
        QVERIFY(principal);
        for (const QString& key : {u"Marcas"_s, u"Rubros"_s}) {
            WindowRegistry::instance().add({key, WindowPlace::InFrame, QPoint(0, 0), [key] {
                                                auto* probe = new Probe;
                                                probe->setWindowTitle(key);
                                                return probe;
                                            }});
            WindowRegistry::instance().show(key);
        }
        auto* menu = principal->findChild<QMenu*>(u"mnuVentanas"_s);
        emit menu->aboutToShow();
        QStringList listed;
        for (QAction* action : menu->actions())
            if (action->isCheckable())
                listed << action->text() + (action->isChecked() ? u"*"_s : QString());
        QCOMPARE(listed, (QStringList{u"&1 Marcas"_s, u"&2 Rubros*"_s}));
        menu->actions().constFirst()->trigger();  // Cascada
        principal->findChild<QAction*>(u"mnuMosaico"_s)->trigger();
        const auto subs = principal->frame()->subWindowList();
        QCOMPARE(subs[0]->geometry().top(), 0);
        QCOMPARE(subs[1]->geometry().top(), principal->frame()->viewport()->height() / 2);
        QCOMPARE(subs[1]->width(), principal->frame()->viewport()->width());
        subs[0]->showMinimized();
        subs[0]->move(300, 10);
        principal->findChild<QAction*>(u"mnuOrganizar"_s)->trigger();
        QCOMPARE(subs[0]->geometry().bottomLeft(),
                 QPoint(0, principal->frame()->viewport()->height() - 1));
    }

    void exitEndsAtOnceButCloseBoxClosesChildrenFirst_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("childRefuses");
        QTest::addColumn<bool>("childClosed");
        QTest::addColumn<bool>("ends");
        QTest::newRow("Salir button") << u"Salir"_s << false << false << true;
        QTest::newRow("Salir menu item") << u"mnuSalir"_s << false << false << true;
        QTest::newRow("Ctrl+S") << u"ctrl+s"_s << false << false << true;
        QTest::newRow("close box") << u"close"_s << false << true << true;
        QTest::newRow("close box, child refuses") << u"close"_s << true << false << false;
    }
    void exitEndsAtOnceButCloseBoxClosesChildrenFirst()
    {
        QFETCH(QString, how);
        QFETCH(bool, childRefuses);
        QFETCH(bool, childClosed);
        QFETCH(bool, ends);
        Login login(openMain());
        Principal* principal = logIn(login);
        QVERIFY(principal);
        WindowRegistry::instance().add({u"Marcas"_s, WindowPlace::InFrame, QPoint(0, 0),
                                        [childRefuses] { return new Probe(childRefuses); }});
        QPointer<QWidget> child = WindowRegistry::instance().show(u"Marcas"_s);
        if (how == u"close") principal->close();
        else if (how == u"ctrl+s")
            QTest::keySequence(principal, QKeySequence(Qt::CTRL | Qt::Key_S));
        else if (auto* button = principal->findChild<QToolButton*>(how))
            QTest::mouseClick(button, Qt::LeftButton);
        else principal->findChild<QAction*>(how)->trigger();
        QCOMPARE(exits_, ends ? QList<int>{0} : QList<int>());
        if (childClosed) QTRY_VERIFY(!child);
        else QVERIFY(child && child->isVisible());
        QCOMPARE(principal->isVisible(), !(ends && how == u"close"));
    }

    void clockChangesOnlyWhenItsTextWould_data()
    {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("now");
        QTest::addColumn<bool>("changes");
        QTest::newRow("same second") << u"10:15:07"_s << u"10:15:07"_s << false;
        QTest::newRow("next second") << u"10:15:07"_s << u"10:15:08"_s << true;
        QTest::newRow("first tick") << QString() << u"10:15:07"_s << true;
    }
    void clockChangesOnlyWhenItsTextWould()
    {
        QFETCH(QString, shown);
        QFETCH(QString, now);
        QFETCH(bool, changes);
        QLabel label(shown);
        QCOMPARE(Principal::updateClock(label, now), changes);
        QCOMPARE(label.text(), now);
        // The shown text follows the time of day, in whole seconds and with no time zone.
        QCOMPARE(Principal::clockText(QTime(10, 15, 7, 100)), u"10:15:07"_s);
        QCOMPARE(Principal::clockText(QTime(10, 15, 7, 900)), u"10:15:07"_s);
        QCOMPARE(Principal::clockText(QTime(10, 15, 8)), u"10:15:08"_s);
    }

    void clockFormatDropsTheTimeZone_data()
    {
        QTest::addColumn<QString>("longFormat");
        QTest::addColumn<QString>("clock");
        QTest::newRow("zone in brackets") << u"H:mm:ss (t)"_s << u"H:mm:ss"_s;
        QTest::newRow("zone after a blank") << u"h:mm:ss AP t"_s << u"h:mm:ss AP"_s;
        QTest::newRow("long zone name") << u"HH:mm:ss tttt"_s << u"HH:mm:ss"_s;
        QTest::newRow("zone in front") << u"t HH:mm:ss"_s << u"HH:mm:ss"_s;
        QTest::newRow("quoted t kept") << u"HH 'et' mm:ss [t]"_s << u"HH 'et' mm:ss"_s;
        QTest::newRow("no zone") << u"HH:mm:ss"_s << u"HH:mm:ss"_s;
    }
    void clockFormatDropsTheTimeZone()
    {
        QFETCH(QString, longFormat);
        QFETCH(QString, clock);
        QCOMPARE(storelocale::withoutTimeZone(longFormat), clock);
    }

    void clockShowsNoDebrisInAnyLocale_data()
    {
        QTest::addColumn<QString>("locale");
        for (const char* name : {"es_ES", "es_AR", "en_US", "de_DE", "fr_FR", "C"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void clockShowsNoDebrisInAnyLocale()
    {
        QFETCH(QString, locale);
        fixture::DefaultLocaleGuard restore;
        QLocale::setDefault(QLocale(locale));
        Login login(openMain());
        Principal* principal = logIn(login);
        QVERIFY(principal);
        const QString shown = principal->findChild<QLabel*>(u"lblTime"_s)->text();
        const QString zone = QDateTime::currentDateTime().timeZoneAbbreviation();
        QVERIFY2(!shown.contains(u'(') && !shown.contains(u')') && !shown.contains(u'[') &&
                     shown == shown.trimmed() && (zone.isEmpty() || !shown.contains(zone)),
                 qPrintable(shown));
        // Hours, minutes and seconds as the locale writes them.
        QVERIFY2(QRegularExpression(u"^\\d{1,2}:\\d{2}:\\d{2}"_s).match(shown).hasMatch(),
                 qPrintable(shown));
    }

    void calculatorStartsOrExplains_data()
    {
        QTest::addColumn<QString>("installed");  // empty: none
        QTest::addColumn<QString>("box");
        QTest::newRow("galculator installed") << u"galculator"_s << QString();
        QTest::newRow("only the last of the list") << u"xcalc"_s << QString();
        QTest::newRow("none installed")
            << QString()
            << u"No hay ninguna calculadora instalada. Instale una de estas: gnome-calculator, "
               u"kcalc, galculator, qalculate-gtk, xcalc."_s;
    }
    void calculatorStartsOrExplains()
    {
        QFETCH(QString, installed);
        QFETCH(QString, box);
        QTemporaryDir bin;
        const QString marker = bin.filePath(u"started"_s);
        if (!installed.isEmpty()) {
            QFile script(bin.filePath(installed));
            QVERIFY(script.open(QIODevice::WriteOnly));
            script.write("#!/bin/sh\n: > '" + marker.toLocal8Bit() + "'\n");
            script.close();
            script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        {
            fixture::EnvVar path("PATH", QFile::encodeName(bin.path()));
            Principal::startCalculator();
        }
        QCOMPARE(prompts(), box.isEmpty() ? QStringList() : QStringList{box});
        if (!box.isEmpty()) {
            QCOMPARE(boxes_->shown().first().flags, int(vbExclamation));
            QCOMPARE(boxes_->shown().first().title, u"Calculadora"_s);
        } else {
            QTRY_VERIFY(QFileInfo::exists(marker));
        }
    }

    // A path in a real message box stays whole on one line, wherever the box wraps the rest.
    void messageBoxKeepsEachPathOnOneLine_data()
    {
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<QStringList>("paths");
        const QString share = u"\\\\MOSTRADOR-PRINCIPAL\\norvik\\Bases\\"_s;
        const QString file =
            u"/home/tienda/.local/share/valdrameno/red/MOSTRADOR-PRINCIPAL/norvik/Bases/"
            ".Articulos.mdb.6dbd5521d8f44482a4a5879226ae7208.tmp"_s;
        QTest::newRow("a terminal's share at the end of a line")
            << u"No se pudo actualizar Departamentos.mdb en la Maq 2 (MOSTRADOR-PRINCIPAL, %1).\n"
               "El archivo anterior de la caja quedó como estaba, y los demás archivos también."_s
                   .arg(share)
            << QStringList{share};
        QTest::newRow("a long file path inside a sentence")
            << u"Error 3027: No se puede actualizar. La base de datos o el objeto son de sólo "
               u"lectura: '%1'. "
               "(Sistema de archivos de sólo lectura)"_s.arg(file)
            << QStringList{file};
    }
    void messageBoxKeepsEachPathOnOneLine()
    {
        QFETCH(QString, prompt);
        QFETCH(QStringList, paths);
        boxes_.reset();  // the real boxes
        QStringList lines;
        QTimer::singleShot(0, this, [&lines] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            const auto* label = box->findChild<QLabel*>(u"qt_msgbox_label"_s);
            // Laid out as the label draws its plain text.
            QTextLayout layout(QString(label->text()).replace(u'\n', QChar::LineSeparator),
                               label->font());
            QTextOption option;
            option.setWrapMode(QTextOption::WordWrap);
            layout.setTextOption(option);
            layout.beginLayout();
            for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
                line.setLineWidth(label->contentsRect().width());
                lines
                    << layout.text().mid(line.textStart(), line.textLength()).remove(QChar(0x2060));
            }
            layout.endLayout();
            box->buttons().constFirst()->click();
        });
        MsgBox(prompt, vbCritical, u"Actualizar"_s);
        QVERIFY(lines.size() > 1);
        for (const QString& path : paths)
            QVERIFY2(std::any_of(lines.begin(), lines.end(),
                                 [&](const QString& line) { return line.contains(path); }),
                     qPrintable(lines.join(u" | "_s)));
    }

    // --- auxiliary windows -------------------------------------------------------------

    void aboutBoxIsModal()
    {
        Login login(openMain());
        Principal* principal = logIn(login);
        QVERIFY(principal);
        bool checked = false;
        QTimer::singleShot(0, this, [&] {
            QWidget* about = QApplication::activeModalWidget();
            QVERIFY(about);
            QCOMPARE(about->objectName(), u"Acerca"_s);
            QCOMPARE(about->windowTitle(), u"Acerca de ..."_s);
            QVERIFY(!(about->windowFlags() &
                      (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
            auto* ok = about->findChild<QPushButton*>(u"cmdOK"_s);
            QCOMPARE(ok->text(), u"Salir"_s);
            QCOMPARE(ok->geometry().bottom(), about->height() - 1);
            QCOMPARE(ok->width(), about->width());
            checked = true;
            QTest::mouseClick(ok, Qt::LeftButton);
        });
        principal->findChild<QAction*>(u"mnuAcerca"_s)->trigger();
        QVERIFY(checked);
        QVERIFY(!QApplication::activeModalWidget());
    }

    void calendarOpensOnTodayAndCloses()
    {
        auto* calendar = qobject_cast<QWidget*>(WindowRegistry::instance().show(u"Calendario"_s));
        QVERIFY(calendar);
        auto* month = calendar->findChild<QCalendarWidget*>(u"MonthView1"_s);
        QCOMPARE(month->selectedDate(), QDate::currentDate());
        QCOMPARE(calendar->minimumSize(), calendar->maximumSize());
        QVERIFY(!calendar->parentWidget());
        month->setSelectedDate(QDate::currentDate().addMonths(-3));
        // A click on a day of the shown month closes the window.
        auto* view = month->findChild<QTableView*>();
        QVERIFY(QTest::qWaitForWindowExposed(calendar));
        const QModelIndex day = view->model()->index(3, 3);
        QPointer<QWidget> gone = calendar;
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(day).center());
        QTRY_VERIFY(!gone);
        QWidget* again = WindowRegistry::instance().show(u"Calendario"_s);
        QCOMPARE(again->findChild<QCalendarWidget*>(u"MonthView1"_s)->selectedDate(),
                 QDate::currentDate());
    }

    void waitWindowIsShownAndHidden()
    {
        QWidget owner;
        owner.setGeometry(100, 100, 800, 600);
        owner.show();
        Espere::Mostrar(&owner);
        Espere* wait = Espere::form();
        QVERIFY(wait && wait->isVisible());
        QCOMPARE(wait->size(), twips::size(5880, 645));
        QVERIFY(qAbs(wait->geometry().center().x() - owner.frameGeometry().center().x()) <= 1);
        QVERIFY(qAbs(wait->geometry().center().y() - owner.frameGeometry().center().y()) <= 1);
        QVERIFY(wait->windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(wait->palette().color(QPalette::Window), QColor(255, 0, 0));
        auto* label = wait->findChild<QLabel*>();
        QCOMPARE(label->text(), u"Espere un Momento..."_s);
        QVERIFY(label->font().bold());
        QCOMPARE(label->font().pointSize(), 18);
        Espere::Ocultar();
        QVERIFY(!wait->isVisible());
        Espere::Mostrar(nullptr);
        QCOMPARE(Espere::form(), wait);  // hidden between uses, not unloaded
        Espere::Ocultar();
    }

    void pauseHandlesEventsForATenthOfASecond()
    {
        bool queuedHandled = false, lateHandled = false;
        QMetaObject::invokeMethod(
            this, [&] { queuedHandled = true; }, Qt::QueuedConnection);
        QTimer::singleShot(40, this, [&] { lateHandled = true; });  // a click during the wait
        QElapsedTimer clock;
        clock.start();
        Pausa();
        QVERIFY(clock.elapsed() >= 100);
        QVERIFY(clock.elapsed() < 5000);  // returns, even on a busy machine
        QVERIFY(queuedHandled);
        QVERIFY(lateHandled);
        // A handler that outlasts the wait is finished before it returns.
        bool slowDone = false;
        QMetaObject::invokeMethod(
            this,
            [&] {
                QThread::msleep(150);
                slowDone = true;
            },
            Qt::QueuedConnection);
        Pausa();
        QVERIFY(slowDone);
    }

    // --- error policy ------------------------------------------------------------------

    void errorsAbandonTheOperationAndTheProgramGoesOn_data()
    {
        QTest::addColumn<int>("kind");  // 0 engine, 1 file system, 2 anything else
        QTest::addColumn<QString>("box");
        QTest::newRow("engine error") << 0 << u"Error 3022: "_s;
        QTest::newRow("disk full") << 1 << u"Error 28: "_s;
        QTest::newRow("other failure") << 2 << u"Error 51: Error interno: algo falló"_s;
    }
    void errorsAbandonTheOperationAndTheProgramGoesOn()
    {
        QFETCH(int, kind);
        QFETCH(QString, box);
        makeUsers({{u"VUMRE"_s, u"VUMRE"_s, QString()}});
        Data users, otherWindow;
        users.setSource(catalogue::open(u"Opcion.mdb"), u"Usuarios"_s);
        otherWindow.setSource(catalogue::open(u"Opcion.mdb"), u"Usuarios"_s);
        QWidget window;
        window.show();
        // Another window's change in progress, begun in an earlier operation.
        QMetaObject::invokeMethod(
            &window,
            [&] {
                otherWindow.Recordset().MoveFirst();
                otherWindow.Recordset().Edit();
                otherWindow.Recordset().Fields(u"estado").setValue(u"Pendiente"_s);
            },
            Qt::QueuedConnection);
        QCoreApplication::processEvents();
        // A handler run by the event loop. It is queued rather than clicked: an exception
        // unwinding through the toolkit's own mouse or key handling leaves a few bytes of
        // that handling behind, which the sanitizer build's leak check would report.
        auto handler = [&] {
            // One action, two boxes: the question, then the error.
            if (MsgBox(u"¿Grabar el usuario?"_s, vbCritical | vbYesNo, u"Usuarios"_s) !=
                MsgBoxResult::Yes)
                return;
            Recordset& rs = users.Recordset();
            rs.AddNew();
            rs.Fields(u"usuario").setValue(u"NUEVO"_s);
            if (kind == 0) throw EngineError(EngineErrorCode::DuplicateKey);
            if (kind == 1) throw std::system_error(ENOSPC, std::generic_category());
            throw std::runtime_error("algo falló");
        };
        boxes_->answer(MsgBoxResult::Yes);
        QMetaObject::invokeMethod(&window, handler, Qt::QueuedConnection);
        QCoreApplication::processEvents();
        QCOMPARE(boxes_->shown().size(), 2);
        QCOMPARE(boxes_->shown().first().prompt, u"¿Grabar el usuario?"_s);
        QVERIFY2(boxes_->shown().last().prompt.startsWith(box),
                 qPrintable(boxes_->shown().last().prompt));
        QCOMPARE(boxes_->shown().last().flags, int(vbCritical));
        QCOMPARE(users.Recordset().editMode(), EditMode::None);
        QCOMPARE(otherWindow.Recordset().editMode(), EditMode::Edit);  // not this operation's
        otherWindow.Recordset().CancelUpdate();
        QVERIFY(window.isVisible());
        QVERIFY(exits_.isEmpty());
        // Nothing half-typed is stored by a later update.
        QVERIFY_THROWS_EXCEPTION(EngineError, users.Recordset().Update());
        QCOMPARE(estados().keys(), QStringList{u"VUMRE"_s});
        // The next operation works as usual.
        boxes_->clear();
        QMetaObject::invokeMethod(
            &window, [] { MsgBox(u"hecho"_s, vbInformation); }, Qt::QueuedConnection);
        QCoreApplication::processEvents();
        QCOMPARE(prompts(), QStringList{u"hecho"_s});
    }
};

int main(int argc, char** argv)
{
    ShellApplication app(argc, argv);
    TestShell test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_shell.moc"
