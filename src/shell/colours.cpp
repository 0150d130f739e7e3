#include "colours.h"

#include <QPalette>
#include <QWidget>

namespace colours {

void fill(QWidget* widget, const QColor& colour, const QColor& text)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    if (text.isValid()) palette.setColor(QPalette::WindowText, text);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

}  // namespace colours
