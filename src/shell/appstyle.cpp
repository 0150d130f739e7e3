#include "appstyle.h"

#include <QApplication>
#include <QFont>
#include <QPainter>
#include <QPixmapCache>
#include <QStyleOptionFrame>

AppStyle::AppStyle(const QString& base) : QProxyStyle(base) {}

QIcon AppStyle::standardIcon(StandardPixmap picture, const QStyleOption* option,
                             const QWidget* widget) const
{
    // An option may ask for a state or a size of its own.
    if (option) return QProxyStyle::standardIcon(picture, option, widget);
    const Key key{int(picture), int(QGuiApplication::layoutDirection()), QIcon::themeName()};
    auto [at, added] = icons_.try_emplace(key);
    if (added) at->second = QProxyStyle::standardIcon(picture, nullptr, widget);
    return at->second;
}

void AppStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                             QPainter* painter, const QWidget* widget) const
{
    const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option);
    if (element != PE_PanelLineEdit || !frame || option->rect.isEmpty())
        return QProxyStyle::drawPrimitive(element, option, painter, widget);
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const QString key = QString::asprintf(
        "AppStyle-panel-%dx%d-%d-%lld-%d-%d-%d-%d-%d", option->rect.width(), option->rect.height(),
        int(option->state), static_cast<long long>(option->palette.cacheKey()),
        int(option->palette.currentColorGroup()), int(option->direction), frame->lineWidth,
        int(frame->features), qRound(ratio * 100));
    QPixmap panel;
    if (!QPixmapCache::find(key, &panel)) {
        // Drawn on a clear sheet and laid over the widget as one piece: laying anti-aliased
        // strokes over the background in two steps gives what drawing them directly gives.
        panel = QPixmap((QSizeF(option->rect.size()) * ratio).toSize());
        panel.setDevicePixelRatio(ratio);
        panel.fill(Qt::transparent);
        QStyleOptionFrame atOrigin = *frame;
        atOrigin.rect.moveTopLeft(QPoint(0, 0));
        QPainter sheet(&panel);
        QProxyStyle::drawPrimitive(element, &atOrigin, &sheet, widget);
        sheet.end();
        QPixmapCache::insert(key, panel);
    }
    painter->drawPixmap(option->rect.topLeft(), panel);
}

namespace shell {

void installStyle()
{
    if (dynamic_cast<AppStyle*>(QApplication::style())) return;
    // The proxy owns the style it wraps, so it wraps a fresh one of the same kind; the
    // application deletes its old style.
    QApplication::setStyle(new AppStyle(QApplication::style()->name()));
    // Window titles are plain Latin text, which needs no shaping; without it a child window's
    // frame is quicker to build, as the forms' own texts are.
    QFont title = QApplication::font("QMdiSubWindowTitleBar");
    title.setStyleStrategy(QFont::PreferNoShaping);
    QApplication::setFont(title, "QMdiSubWindowTitleBar");
}

}  // namespace shell
