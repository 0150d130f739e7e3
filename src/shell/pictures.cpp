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

namespace {

qreal screenRatio() { return qApp ? qApp->devicePixelRatio() : 1.0; }

QImage renderImage(const QString& name, QSize size, qreal ratio)
{
    QImage image(size * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    registerPictures();
    QSvgRenderer renderer(u":/shell/"_s + name);
    QPainter painter(&image);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}

}  // namespace

QPixmap render(const QString& name, QSize size)
{
    return QPixmap::fromImage(renderImage(name, size, screenRatio()));
}

QImage iconImage(const QString& name, QSize size, qreal ratio)
{
    return renderImage(u"icons/"_s + name + u".svg"_s, size, ratio);
}

QIcon icon(const QString& name, QSize size)
{
    return QIcon(QPixmap::fromImage(iconImage(name, size, screenRatio())));
}

QIcon programIcon()
{
    QIcon icon;
    for (int side : {16, 24, 32, 48, 64})
        icon.addPixmap(render(u"pictures/valdrameno.svg"_s, QSize(side, side)));
    return icon;
}

}  // namespace pictures
