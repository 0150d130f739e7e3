#include "barcode.h"

#include <zint.h>

#include <QPainter>
#include <algorithm>
#include <memory>

namespace reports {

namespace {

bool validEan(const QString& digits)
{
    int sum = 0;
    const qsizetype n = digits.size();
    // Weights 3 and 1 from the digit before the check digit leftwards.
    for (qsizetype i = 0; i < n - 1; ++i) {
        const int d = digits[i].unicode() - u'0';
        sum += ((n - 1 - i) % 2 == 1) ? 3 * d : d;
    }
    return (10 - sum % 10) % 10 == digits[n - 1].unicode() - u'0';
}

struct SymbolDeleter {
    void operator()(zint_symbol* s) const { ZBarcode_Delete(s); }
};

}  // namespace

Symbology symbologyFor(const QString& text)
{
    if (text.isEmpty()) return Symbology::None;
    bool digits = true;
    for (QChar c : text) digits = digits && c >= u'0' && c <= u'9';
    if (digits && text.size() == 13 && validEan(text)) return Symbology::Ean13;
    if (digits && text.size() == 8 && validEan(text)) return Symbology::Ean8;
    return Symbology::Code128;
}

bool drawBarcode(QPainter& painter, const QRectF& area, const QString& text, double moduleWidth)
{
    const Symbology kind = symbologyFor(text);
    if (kind == Symbology::None) return false;
    std::unique_ptr<zint_symbol, SymbolDeleter> symbol(ZBarcode_Create());
    // The EAN texts carry their check digit, which zint verifies.
    symbol->symbology = kind == Symbology::Code128 ? BARCODE_CODE128 : BARCODE_EANX_CHK;
    symbol->show_hrt = 0;
    const QByteArray data = text.toUtf8();
    if (ZBarcode_Encode(symbol.get(), reinterpret_cast<const unsigned char*>(data.constData()),
                        int(data.size())) >= ZINT_ERROR)
        return false;
    // Quiet zones in modules: EAN 11 left and 7 right, Code 128 ten on each side.
    const int left = kind == Symbology::Code128 ? 10 : 11;
    const int right = kind == Symbology::Code128 ? 10 : 7;
    const int modules = symbol->width + left + right;
    const double module = std::min(moduleWidth, area.width() / modules);
    const double x0 = area.left() + (area.width() - modules * module) / 2 + left * module;
    const int row = symbol->rows - 1;
    auto isSet = [&](int x) { return (symbol->encoded_data[row][x >> 3] >> (x & 7)) & 1; };
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    for (int x = 0; x < symbol->width;) {
        if (!isSet(x)) {
            ++x;
            continue;
        }
        int end = x;
        while (end < symbol->width && isSet(end)) ++end;
        painter.drawRect(QRectF(x0 + x * module, area.top(), (end - x) * module, area.height()));
        x = end;
    }
    painter.restore();
    return true;
}

}  // namespace reports
