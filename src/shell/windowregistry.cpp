#include "windowregistry.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>
#include <algorithm>

#include "calendario.h"
#include "pictures.h"
#include "twips.h"
#include "windownames.h"

using namespace Qt::StringLiterals;

namespace {

std::optional<QPoint> inPixels(std::optional<QPoint> twipsPosition)
{
    if (!twipsPosition) return std::nullopt;
    return twips::point(twipsPosition->x(), twipsPosition->y());
}

}  // namespace

WindowRegistry& WindowRegistry::instance()
{
    static WindowRegistry registry;
    return registry;
}

void WindowRegistry::add(WindowDef def)
{
    const QString key = def.name;
    entries_[key] = Entry{std::move(def), {}};
}

bool WindowRegistry::contains(const QString& key) const { return entries_.count(key) > 0; }

QWidget* WindowRegistry::openWindow(const QString& key) const
{
    const auto found = entries_.find(key);
    return found == entries_.end() ? nullptr : found->second.window.data();
}

void WindowRegistry::setFrame(QMdiArea* frame) { frame_ = frame; }

void WindowRegistry::clear() { entries_.clear(); }

std::optional<QPoint> WindowRegistry::positionTwips(const QString& key, At where) const
{
    const auto found = entries_.find(key);
    if (found == entries_.end()) return std::nullopt;
    const WindowDef& def = found->second.def;
    if (where == At::MenuPlace && def.menuAt) return def.menuAt;
    return def.at;
}

QWidget* WindowRegistry::show(const QString& key, At where)
{
    return showAt(key, inPixels(positionTwips(key, where)));
}

void WindowRegistry::reopen(const QString& key, QWidget* closing, bool backToItsPlace)
{
    auto* sub = qobject_cast<QMdiSubWindow*>(closing->parentWidget());
    std::optional<QPoint> at = (sub ? static_cast<QWidget*>(sub) : closing)->pos();
    // Only inside the main window does a window have a fixed place of its own.
    if (sub && backToItsPlace) {
        if (const std::optional<QPoint> place = inPixels(positionTwips(key))) at = place;
    }
    QObject::connect(closing, &QObject::destroyed, qApp, [this, key, at] {
        QTimer::singleShot(0, qApp, [this, key, at] { showAt(key, at); });
    });
}

QWidget* WindowRegistry::showAt(const QString& key, std::optional<QPoint> pixels)
{
    const auto found = entries_.find(key);
    if (found == entries_.end()) return nullptr;
    Entry& entry = found->second;
    const bool fresh = !entry.window;
    QWidget* window = fresh ? create(entry) : entry.window.data();
    if (!window) return nullptr;
    if (!fresh) {
        QEvent forward(broughtForward());
        QCoreApplication::sendEvent(window, &forward);
    }
    const QSize formSize = window->size();

    auto* sub = qobject_cast<QMdiSubWindow*>(window->parentWidget());
    QWidget* placed = sub ? static_cast<QWidget*>(sub) : window;
    // A minimised or maximised window is restored first, so that it can take its position.
    if (placed->isMinimized() || placed->isMaximized()) placed->showNormal();
    if (fresh && sub) {
        // The child window wraps the form's own size in its frame and title bar. It takes its
        // size and place before it first shows, so that it is laid out once.
        sub->ensurePolished();
        const QMargins frame = sub->contentsMargins();
        sub->resize(formSize.grownBy(frame));
        // A form of fixed size is never made smaller than that by arranging the windows.
        if (window->minimumSize() == window->maximumSize()) sub->setMinimumSize(sub->size());
        // One larger than the frame's visible area is made to fit it, as far as it can shrink.
        if (sub->mdiArea())
            sub->resize(sub->size()
                            .boundedTo(sub->mdiArea()->viewport()->size())
                            .expandedTo(sub->minimumSize()));
        if (pixels) moveTo(placed, *pixels);
    }
    placed->show();
    // A window without a place of its own goes where the frame puts it, but inside.
    if (fresh && sub && !pixels) moveTo(placed, placed->pos());
    if (sub) {
        sub->mdiArea()->setActiveSubWindow(sub);
    } else {
        window->raise();
        window->activateWindow();
    }
    if (pixels && !(fresh && sub)) moveTo(placed, *pixels);
    return window;
}

QWidget* WindowRegistry::create(Entry& entry)
{
    QWidget* window = entry.def.create();
    if (!window) return nullptr;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowIcon(pictures::programIcon());
    entry.window = window;
    if (entry.def.place == WindowPlace::InFrame && frame_) {
        QMdiSubWindow* sub = frame_->addSubWindow(window);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        // The child window goes when its contents unload themselves.
        QObject::connect(window, &QObject::destroyed, sub, &QObject::deleteLater);
    }
    return window;
}

void WindowRegistry::moveTo(QWidget* frameOrWindow, QPoint pixels)
{
    QPoint at = pixels;
    // A child window too wide or too tall for the room left at its place moves back only as
    // far as it must to be seen whole.
    if (auto* sub = qobject_cast<QMdiSubWindow*>(frameOrWindow); sub && sub->mdiArea()) {
        const QSize area = sub->mdiArea()->viewport()->size();
        at.setX(std::max(0, std::min(at.x(), area.width() - sub->width())));
        at.setY(std::max(0, std::min(at.y(), area.height() - sub->height())));
    }
    frameOrWindow->move(at);
}

void registerShellWindows(WindowRegistry& registry)
{
    registry.add({windownames::Calendario, WindowPlace::OnScreen, QPoint(4500, 3050),
                  [] { return new Calendario; }, QPoint(4500, 3500)});
}
