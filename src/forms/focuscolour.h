#pragma once
// The colour an entry field shows while it has the focus, the same in every window: light
// cyan, back to white when the focus leaves.

#include <QColor>
#include <QPalette>
#include <QWidget>

namespace forms {

inline const QColor kFocusColour(192, 255, 255);
inline const QColor kPlainColour(255, 255, 255);

// Paints `field`'s background for having the focus (`focused`) or not; a window calls it from
// the field's FocusIn and FocusOut.
inline void showFocus(QWidget* field, bool focused)
{
    QPalette palette = field->palette();
    palette.setColor(QPalette::Base, focused ? kFocusColour : kPlainColour);
    field->setPalette(palette);
}

}  // namespace forms
