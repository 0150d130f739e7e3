#pragma once
// Opens the program's windows by name. Each window is registered once with the function that
// creates it; it then exists at most once: showing it again brings the open one to the front
// and moves it back to the position asked for. Windows inside the main window's frame become
// its child windows; the others are separate windows placed on the screen.
//
// A window unloads by closing itself (close()); the registry deletes it then, so its files
// are released and the next show creates it afresh.

#include <QPoint>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <map>
#include <optional>

class QMdiArea;
class QMdiSubWindow;

enum class WindowPlace { InFrame, OnScreen };

class WindowRegistry {
public:
    using Factory = std::function<QWidget*()>;

    // The program's registry.
    static WindowRegistry& instance();

    // Registers the window `key` ("Marcas"); `create` makes a new one, without a parent, or
    // returns nullptr when it cannot (after telling the user why). A later registration of
    // the same key replaces the earlier one.
    void add(const QString& key, WindowPlace place, Factory create);
    bool contains(const QString& key) const;

    // Shows the window `key` (creating it the first time), brings it to the front and, when
    // `positionTwips` is given, moves it there (inside the frame or on the screen). Returns
    // the window, or nullptr when no window of that name is registered or it could not be made.
    QWidget* show(const QString& key, std::optional<QPoint> positionTwips = std::nullopt);

    // The open window `key`, nullptr when it is not open.
    QWidget* openWindow(const QString& key) const;

    // The frame that holds the child windows (the main window's), or nullptr.
    void setFrame(QMdiArea* frame);

    // Forgets every registration (tests).
    void clear();

private:
    struct Entry {
        WindowPlace place;
        Factory create;
        QPointer<QWidget> window;
    };

    QWidget* create(Entry& entry);
    static void moveTo(QWidget* frameOrWindow, QPoint positionTwips);

    std::map<QString, Entry> entries_;
    QPointer<QMdiArea> frame_;
};

// Registers the windows of this library (the calendar).
void registerShellWindows(WindowRegistry& registry);
