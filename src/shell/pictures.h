#pragma once
// The program's pictures: SVG files built into the program, drawn with Qt SVG at the size
// asked for, sharp on high-dpi screens.

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QString>

namespace pictures {

// A picture of the program by file name ("icons/printer.svg", "pictures/fondo.svg") at
// `size` device-independent pixels.
QPixmap render(const QString& name, QSize size);

// An icon of the built-in icon set ("printer") at `size`.
QIcon icon(const QString& name, QSize size);

// The same icon's picture drawn into an image for a screen of `ratio` device pixels per pixel.
// Unlike a pixmap, an image may be drawn on any thread.
QImage iconImage(const QString& name, QSize size, qreal ratio);

// The program's own icon, the one its desktop entry shows, for the windows' title bars.
QIcon programIcon();

}  // namespace pictures
