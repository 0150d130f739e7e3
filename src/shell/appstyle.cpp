#include "appstyle.h"

#include <QApplication>
#include <QFont>
#include <QPainter>
#include <QPixmapCache>
#include <QStyleOptionFrame>
#include <array>

using namespace Qt::StringLiterals;

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

namespace {

// What a text box's panel looks like is told by its size, state and options, and by the
// palette's colours (not by which palette object holds them: each form makes its own, with the
// same colours): the key of the panel kept for them, as the raw bytes of those numbers.
QString panelKey(const QStyleOptionFrame& frame, qreal ratio)
{
    const QPalette& palette = frame.palette;
    std::array<quint64, 9 + 2 * int(QPalette::NColorGroups) * int(QPalette::NColorRoles)> numbers{};
    size_t n = 0;
    for (const qint64 value :
         {qint64(frame.rect.width()), qint64(frame.rect.height()), qint64(frame.state),
          qint64(palette.currentColorGroup()), qint64(frame.direction), qint64(frame.lineWidth),
          qint64(frame.features), qint64(qRound(ratio * 100))})
        numbers[n++] = quint64(value);
    bool solid = true;
    for (int group = 0; group < QPalette::NColorGroups; ++group) {
        for (int role = 0; role < QPalette::NColorRoles; ++role) {
            const QBrush& brush =
                palette.brush(QPalette::ColorGroup(group), QPalette::ColorRole(role));
            solid = solid && (brush.style() == Qt::SolidPattern || brush.style() == Qt::NoBrush);
            numbers[n++] = quint64(brush.style());
            numbers[n++] = brush.color().rgba64();
        }
    }
    // A gradient or a picture is more than its colour and style: such a palette is told by
    // itself.
    numbers[n] = solid ? 0 : quint64(palette.cacheKey());
    return u"AppStyle-panel"_s + QString(reinterpret_cast<const QChar*>(numbers.data()),
                                         qsizetype(sizeof numbers / sizeof(QChar)));
}

}  // namespace

void AppStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                             QPainter* painter, const QWidget* widget) const
{
    const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option);
    if (element != PE_PanelLineEdit || !frame || option->rect.isEmpty())
        return QProxyStyle::drawPrimitive(element, option, painter, widget);
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const QString key = panelKey(*frame, ratio);
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
