#pragma once
// The main window: a frame for the child windows, with the menus, a toolbar of picture
// buttons, a clock and the window list. It holds Opcion.mdb open for as long as it runs.

#include <QMainWindow>
#include <QStringList>

#include "data/datacontrol.h"

class QLabel;
class QMdiArea;
class QMenu;
class QTimer;

class Principal : public QMainWindow {
    Q_OBJECT
public:
    // Loads the window: opens Opcion.mdb (throws EngineError when it cannot), sets the clock
    // and the caption with the logged-in user's name (`nombreUsuario`). Centred on the screen.
    explicit Principal(const QString& nombreUsuario = QString(), QWidget* parent = nullptr);
    ~Principal() override;

    QMdiArea* frame() const { return frame_; }

    // The exit button: ends the program at once, without asking the open windows.
    static void EndProgram(int code = 0);

    // One tick of the clock: sets `label` to `now` only when its text differs. Returns
    // whether it changed.
    static bool updateClock(QLabel& label, const QString& now);
    // The current time of day as the clock shows it, in the system's time format.
    static QString clockText(const QTime& time);

    // Starts the first calculator of `candidates` found on the PATH; a message box instead
    // when none is installed or it cannot start.
    static void startCalculator(const QStringList& candidates = calculators());
    static QStringList calculators();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildToolbar();
    void buildMenus();
    void fillWindowMenu();
    void Timer1_Timer();

    QMdiArea* frame_;
    QLabel* lblTime;
    QTimer* Timer1;
    QMenu* windowMenu_;
    QList<QAction*> windowListActions_;
    Data* Data1;
    std::shared_ptr<Database> opcion_;  // Opcion.mdb
};
