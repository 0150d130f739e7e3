#include "pictures.h"

#include <QGuiApplication>
#include <QPainter>
#include <QSvgRenderer>

using namespace Qt::StringLiterals;

// The pictures live in this static library; its resources must be registered by hand.
static void registerPictures()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(shell);
        return true;
    }();
    Q_UNUSED(done);
}

namespace pictures {

QPixmap render(const QString& name, QSize size)
{
    const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    registerPictures();
    QSvgRenderer renderer(u":/shell/"_s + name);
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return pixmap;
}

QIcon icon(const QString& name, QSize size)
{
    return QIcon(render(u"icons/"_s + name + u".svg"_s, size));
}

QIcon programIcon()
{
    QIcon icon;
    for (int side : {16, 24, 32, 48, 64})
        icon.addPixmap(render(u"pictures/valdrameno.svg"_s, QSize(side, side)));
    return icon;
}

}  // namespace pictures
