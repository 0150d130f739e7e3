#pragma once
// Barcodes drawn by zint as bars: EAN-13 or EAN-8 when the text is a valid one, Code 128 for
// any other text, nothing for an empty one.

#include <QRectF>
#include <QString>

class QPainter;

namespace reports {

enum class Symbology { None, Ean13, Ean8, Code128 };

Symbology symbologyFor(const QString& text);

// Draws the bars of `text` centred in `area` (the painter's units), each module `moduleWidth`
// wide or narrower when the code needs more room, with its quiet zones. Returns false when
// the text cannot be encoded.
bool drawBarcode(QPainter& painter, const QRectF& area, const QString& text, double moduleWidth);

}  // namespace reports
