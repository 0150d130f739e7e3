#include "twips.h"

#include <QGuiApplication>
#include <QScreen>

namespace twips {

namespace {

constexpr double kTwipsPerInch = 1440.0;

// The primary screen's logical dpi; 96 before there is a screen (no application yet).
QSizeF dpi()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return {96.0, 96.0};
    return {screen->logicalDotsPerInchX(), screen->logicalDotsPerInchY()};
}

}  // namespace

int toPixelsX(int twips) { return qRound(twips * dpi().width() / kTwipsPerInch); }
int toPixelsY(int twips) { return qRound(twips * dpi().height() / kTwipsPerInch); }
QPoint point(int left, int top) { return {toPixelsX(left), toPixelsY(top)}; }
QSize size(int width, int height) { return {toPixelsX(width), toPixelsY(height)}; }
QRect rect(int left, int top, int width, int height)
{
    return {point(left, top), size(width, height)};
}

}  // namespace twips
