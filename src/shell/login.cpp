#include "login.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>

#include "application.h"
#include "colours.h"
#include "data/catalogue.h"
#include "data/passwords.h"
#include "msgbox.h"
#include "pictures.h"
#include "principal.h"
#include "twips.h"

using namespace Qt::StringLiterals;

namespace {

const QString kInitialText = u"VUMRE"_s;

// Shows every typed character of a password box as "*".
class AsteriskStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter) return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

bool isEnter(const QEvent* event)
{
    if (event->type() != QEvent::KeyPress) return false;
    const int key = static_cast<const QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

}  // namespace

Login::Login(OpenMain openMain, UsersFile usersFile, QWidget* parent)
    : QDialog(parent), openMain_(std::move(openMain))
{
    // Drawn on a second core while the boxes are built, as the first window should show
    // quickly: the first picture drawn pays for Qt SVG's set-up.
    const QSize iconSize(32, 32);
    auto buttonPictures =
        std::async(std::launch::async, [iconSize, ratio = qApp->devicePixelRatio()] {
            return std::pair{pictures::iconImage(u"process-stop"_s, iconSize, ratio),
                             pictures::iconImage(u"go-next"_s, iconSize, ratio)};
        });
    if (usersFile == UsersFile::OpenedWhileBuilding)
        opening_ = std::async(std::launch::async, [] { return catalogue::open(u"Opcion.mdb"); });

    setObjectName(u"Login"_s);
    setWindowTitle(u"Login"_s);
    setFixedSize(twips::size(3750, 2295));
    colours::fill(this, colours::kOlive);

    auto* lblUserName = new QLabel(u"Usuario:"_s, this);
    lblUserName->setObjectName(u"lblUserName"_s);
    lblUserName->setGeometry(twips::rect(120, 180, 1080, 270));
    txtUserName = new QLineEdit(this);
    txtUserName->setObjectName(u"txtUserName"_s);
    txtUserName->setGeometry(twips::rect(1290, 135, 2325, 345));
    lblUserName->setBuddy(txtUserName);

    auto* lblPassword = new QLabel(u"Contraseña:"_s, this);
    lblPassword->setObjectName(u"lblPassword"_s);
    lblPassword->setGeometry(twips::rect(120, 600, 1080, 270));
    txtPassword = new QLineEdit(this);
    txtPassword->setObjectName(u"txtPassword"_s);
    txtPassword->setGeometry(twips::rect(1290, 555, 2325, 345));
    lblPassword->setBuddy(txtPassword);
    txtPassword->setEchoMode(QLineEdit::Password);
    auto* asterisk = new AsteriskStyle;
    asterisk->setParent(txtPassword);
    txtPassword->setStyle(asterisk);

    const auto [stopPicture, nextPicture] = buttonPictures.get();
    cmdCancel = new QPushButton(QPixmap::fromImage(stopPicture), u"&Cancelar"_s, this);
    cmdCancel->setObjectName(u"cmdCancel"_s);
    cmdCancel->setGeometry(twips::rect(300, 1140, 1440, 900));
    cmdAceptar = new QPushButton(QPixmap::fromImage(nextPicture), u"&Aceptar"_s, this);
    cmdAceptar->setObjectName(u"cmdAceptar"_s);
    cmdAceptar->setGeometry(twips::rect(2010, 1140, 1440, 900));
    // No default button: Enter moves between the boxes and presses only a focused button
    // (the application's keyboard rules press it).
    for (QPushButton* button : {cmdCancel, cmdAceptar}) {
        button->setIconSize(iconSize);
        button->setAutoDefault(false);
    }
    txtUserName->installEventFilter(this);
    txtPassword->installEventFilter(this);
    setTabOrder(txtUserName, txtPassword);
    setTabOrder(txtPassword, cmdCancel);
    setTabOrder(cmdCancel, cmdAceptar);

    connect(cmdAceptar, &QPushButton::clicked, this, &Login::cmdAceptar_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &Login::cmdCancel_Click);

    // Not a visible control: the users table the check works on.
    Data1 = new Data(this, RecordsetType::Table);
    Data1->setObjectName(u"Data1"_s);
}

Login::~Login() = default;

bool Login::Load()
{
    txtUserName->setText(kInitialText);
    txtPassword->setText(kInitialText);
    txtPassword->selectAll();
    try {
        opcion_ = opening_.valid() ? opening_.get() : catalogue::open(u"Opcion.mdb");
        Data1->setSource(opcion_, catalogue::find(u"Opcion.mdb")->table.name);
        Data1->Recordset();
    } catch (const EngineError& error) {
        Data1->close();
        opcion_.reset();
        ShowErrorBox(error, this);
        return false;
    }
    txtUserName->selectAll();
    txtUserName->setFocus();
    return true;
}

void Login::BorrarUsuarios()
{
    Recordset& users = Data1->Recordset();
    for (users.MoveFirst(); !users.Eof(); users.MoveNext()) {
        users.Edit();
        users.Fields(u"estado"_s).setValue(u""_s);
        users.Update();
    }
}

void Login::VerificarUsuario()
{
    Recordset& users = Data1->Recordset();
    users.MoveFirst();
    users.setIndex(u"usuario"_s);
    users.Seek(txtUserName->text());
    if (users.NoMatch()) {
        MsgBox(u"Usuario no Autorizado, por favor consulte con el Administrador"_s, vbCritical,
               u"Error"_s, this);
        unload();
        Principal::EndProgram(1);
        return;
    }
    const QVariant stored = users.Fields(u"contrasena"_s).Value();
    if (!passwords::loginMatches(stored, txtPassword->text())) {
        MsgBox(u"Contraseña Incorrecta, consulte con el Administrador"_s, vbCritical, u"Error"_s,
               this);
        txtPassword->setFocus();
        txtPassword->selectAll();
        return;
    }
    users.Edit();
    users.Fields(u"estado"_s).setValue(u"Activo"_s);
    // A password kept as plain text, or under an older, weaker hash, is hashed anew now that
    // the typed one is known to be right.
    if (passwords::needsNewHash(stored))
        users.Fields(u"contrasena"_s).setValue(passwords::hash(txtPassword->text()));
    users.Update();
    // The main window is made before the dialog goes: if it cannot open its file, the error
    // box is shown and the dialog stays for another try instead of leaving no window at all.
    openMain_(txtUserName->text());
    unload();
    LoginSucceeded = true;
    accept();
}

void Login::cmdAceptar_Click()
{
    BorrarUsuarios();
    VerificarUsuario();
}

void Login::cmdCancel_Click()
{
    LoginSucceeded = false;
    unload();
    shell::endProgram(0);
}

void Login::unload()
{
    txtPassword->clear();
    hide();
    Data1->close();
    opcion_.reset();
}

bool Login::eventFilter(QObject* watched, QEvent* event)
{
    if (!isEnter(event)) return QDialog::eventFilter(watched, event);
    if (watched == txtUserName) {
        txtPassword->setFocus();
        txtPassword->selectAll();
    } else if (watched == txtPassword) {
        cmdAceptar->setFocus();
    }
    return true;
}

void Login::keyPressEvent(QKeyEvent* event)
{
    // Esc does not close the dialog: only Cancel or the close box end the login.
    if (event->key() == Qt::Key_Escape) return;
    QDialog::keyPressEvent(event);
}

void Login::closeEvent(QCloseEvent* event)
{
    // The close box cancels, like cmdCancel.
    event->ignore();
    cmdCancel_Click();
}
