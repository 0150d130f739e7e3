#pragma once
// Window positions and sizes are kept in twips (1440 to the inch); this turns them into
// pixels at the screen's logical dpi, so 15 twips are one pixel at 96 dpi.

#include <QPoint>
#include <QRect>
#include <QSize>

namespace twips {

int toPixelsX(int twips);
int toPixelsY(int twips);
QPoint point(int left, int top);
QSize size(int width, int height);
QRect rect(int left, int top, int width, int height);

}  // namespace twips
