#pragma once
// The system's window colours, and filling a widget with one.

#include <QColor>

class QWidget;

namespace colours {

inline const QColor kOlive(192, 192, 0);  // login, record forms, label queue

// Paints `widget`'s whole background in `colour`, and its text in `text` when given.
void fill(QWidget* widget, const QColor& colour, const QColor& text = QColor());

}  // namespace colours
