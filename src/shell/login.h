#pragma once
// The login dialog, the program's first window: checks a user and password against the users
// table of Opcion.mdb, marks the user active and has the main window opened. Its owner destroys
// it once accepted (main() does): the typed password does not outlive the login.

#include <QDialog>
#include <functional>
#include <future>

#include "data/datacontrol.h"

class QLineEdit;
class QPushButton;

class Login : public QDialog {
    Q_OBJECT
public:
    // Opens the main window for the user name as typed; when it throws (the main window cannot
    // open its file), the error box is shown and the login stays for another try.
    using OpenMain = std::function<void(const QString& nombreUsuario)>;

    // When Opcion.mdb is opened: by Load(), or already while the window is built, on another
    // thread, as the program's start does (the file's password is checked through a
    // deliberately slow hash). Load() shows an error opening it either way.
    enum class UsersFile { OpenedByLoad, OpenedWhileBuilding };

    explicit Login(OpenMain openMain, UsersFile usersFile = UsersFile::OpenedByLoad,
                   QWidget* parent = nullptr);
    ~Login() override;

    // Fills the boxes and opens Opcion.mdb (or takes it as opened meanwhile). When the file cannot
    // be opened it shows the error box and returns false: nothing else can run, so the program
    // ends.
    bool Load();

    // Clears the active mark of every user.
    void BorrarUsuarios();
    // Checks the typed name and password and acts on the outcome.
    void VerificarUsuario();

    // True after a successful check, false after Cancel.
    bool LoginSucceeded = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void cmdAceptar_Click();
    void cmdCancel_Click();
    void unload();

    QLineEdit* txtUserName;
    QLineEdit* txtPassword;
    QPushButton* cmdCancel;
    QPushButton* cmdAceptar;
    Data* Data1;
    std::shared_ptr<Database> opcion_;                // Opcion.mdb
    std::future<std::shared_ptr<Database>> opening_;  // Opcion.mdb, until Load() takes it
    OpenMain openMain_;
};
