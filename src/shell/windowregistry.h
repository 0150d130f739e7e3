#pragma once
// Opens the program's windows by name. Each area registers its windows in one table: name,
// place (inside the main window's frame or on the screen), position and the function that
// creates it. The toolbar and the menus name windows only; the table knows where they go.
// A window exists at most once: showing it again brings the open one to the front and moves
// it back to its position. Windows inside the frame become its child windows; the others are
// separate windows placed on the screen.
//
// A window unloads by closing itself (close()); the registry deletes it then, so its files
// are released and the next show creates it afresh.

#include <QEvent>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <map>
#include <optional>

class QMdiArea;

enum class WindowPlace { InFrame, OnScreen };

// One row of the table.
struct WindowDef {
    QString name;  // "Marcas": the name the toolbar and menus use, and the window's object name
    WindowPlace place;
    // Where the window goes, in twips, inside the frame or on the screen; none: where it
    // first appears, and it is not moved when shown again.
    std::optional<QPoint> at;
    // A new window without a parent, or nullptr when it cannot be made (after telling the
    // user why).
    std::function<QWidget*()> create;
    // Where the menus put it, when elsewhere than `at`.
    std::optional<QPoint> menuAt = std::nullopt;
};

class WindowRegistry {
public:
    // Which of a window's positions a show uses: its own, or the one its menu item gives.
    enum class At { ItsPlace, MenuPlace };

    // The program's registry.
    static WindowRegistry& instance();

    // Adds a row; a later row of the same name replaces the earlier one.
    void add(WindowDef def);
    bool contains(const QString& key) const;

    // Shows the window `key` (creating it the first time), brings it to the front and moves
    // it to its position. Returns the window, or nullptr when no window of that name is
    // registered or it could not be made. A window already open is sent broughtForward()
    // first, so that one showing data can show it as it is now.
    QWidget* show(const QString& key, At where = At::ItsPlace);

    // The event a window already open receives when a show brings it forward. Inline: the
    // windows that take it ask for it at each of their events.
    static QEvent::Type broughtForward()
    {
        static const auto type = QEvent::Type(QEvent::registerEventType());
        return type;
    }

    // The position, in twips, a show of `key` moves it to; none when it has none (or `key`
    // is not registered).
    std::optional<QPoint> positionTwips(const QString& key, At where = At::ItsPlace) const;

    // Shows the window `key` afresh once `closing`, the window that is closing itself now
    // (a form after a save), is gone, so that the registry does not find it still open.
    // Inside the frame it comes back at its position when `backToItsPlace`; otherwise it
    // stands where `closing` stood.
    void reopen(const QString& key, QWidget* closing, bool backToItsPlace);

    // The open window `key`, nullptr when it is not open.
    QWidget* openWindow(const QString& key) const;

    // The frame that holds the child windows (the main window's), or nullptr.
    void setFrame(QMdiArea* frame);

    // Forgets every registration (tests).
    void clear();

private:
    struct Entry {
        WindowDef def;
        QPointer<QWidget> window;
    };

    // Shows the entry's window, moved to `pixels` when given.
    QWidget* showAt(const QString& key, std::optional<QPoint> pixels);
    QWidget* create(Entry& entry);
    static void moveTo(QWidget* frameOrWindow, QPoint pixels);

    std::map<QString, Entry> entries_;
    QPointer<QMdiArea> frame_;
};

// Registers the windows of this library (the calendar).
void registerShellWindows(WindowRegistry& registry);
