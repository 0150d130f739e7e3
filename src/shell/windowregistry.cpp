#include "windowregistry.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <algorithm>

#include "calendario.h"
#include "twips.h"

using namespace Qt::StringLiterals;

WindowRegistry& WindowRegistry::instance()
{
    static WindowRegistry registry;
    return registry;
}

void WindowRegistry::add(const QString& key, WindowPlace place, Factory create)
{
    entries_[key] = Entry{place, std::move(create), {}};
}

bool WindowRegistry::contains(const QString& key) const { return entries_.count(key) > 0; }

QWidget* WindowRegistry::openWindow(const QString& key) const
{
    const auto found = entries_.find(key);
    return found == entries_.end() ? nullptr : found->second.window.data();
}

void WindowRegistry::setFrame(QMdiArea* frame) { frame_ = frame; }

void WindowRegistry::clear() { entries_.clear(); }

QWidget* WindowRegistry::show(const QString& key, std::optional<QPoint> positionTwips)
{
    const auto found = entries_.find(key);
    if (found == entries_.end()) return nullptr;
    Entry& entry = found->second;
    const bool fresh = !entry.window;
    QWidget* window = fresh ? create(entry) : entry.window.data();
    if (!window) return nullptr;
    const QSize formSize = window->size();

    auto* sub = qobject_cast<QMdiSubWindow*>(window->parentWidget());
    QWidget* placed = sub ? static_cast<QWidget*>(sub) : window;
    // A minimised or maximised window is restored first, so that it can take its position.
    if (placed->isMinimized() || placed->isMaximized()) placed->showNormal();
    placed->show();
    if (fresh && sub) {
        // The child window wraps the form's own size in its frame and title bar.
        const QMargins frame = sub->contentsMargins();
        sub->resize(formSize.grownBy(frame));
        // A form of fixed size is never made smaller than that by arranging the windows.
        if (window->minimumSize() == window->maximumSize()) sub->setMinimumSize(sub->size());
    }
    if (sub) {
        sub->mdiArea()->setActiveSubWindow(sub);
    } else {
        window->raise();
        window->activateWindow();
    }
    if (positionTwips) moveTo(placed, *positionTwips);
    return window;
}

QWidget* WindowRegistry::create(Entry& entry)
{
    QWidget* window = entry.create();
    if (!window) return nullptr;
    window->setAttribute(Qt::WA_DeleteOnClose);
    entry.window = window;
    if (entry.place == WindowPlace::InFrame && frame_) {
        QMdiSubWindow* sub = frame_->addSubWindow(window);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        // The child window goes when its contents unload themselves.
        QObject::connect(window, &QObject::destroyed, sub, &QObject::deleteLater);
    }
    return window;
}

void WindowRegistry::moveTo(QWidget* frameOrWindow, QPoint positionTwips)
{
    QPoint at = twips::point(positionTwips.x(), positionTwips.y());
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
    registry.add(u"Calendario"_s, WindowPlace::OnScreen, [] { return new Calendario; });
}
