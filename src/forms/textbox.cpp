#include "textbox.h"

#include <QAccessible>
#include <QApplication>
#include <QFocusEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTextLayout>
#include <algorithm>

namespace forms {

namespace {

// The room a line edit keeps between its contents rectangle and its text.
constexpr int kHorizontalMargin = 2;
constexpr int kVerticalMargin = 1;

// A screen reader started after the boxes were built must read their text too, and a box that
// paints its own (NoEcho) reads as empty: when accessibility comes on, every box becomes a plain
// line edit again.
class ScreenReaderWatch : public QAccessible::ActivationObserver {
public:
    void accessibilityActiveChanged(bool active) override
    {
        if (!active) return;
        for (QWidget* widget : QApplication::allWidgets())
            if (auto* box = qobject_cast<TextBox*>(widget)) box->setEchoMode(QLineEdit::Normal);
    }
};

// The text as a line edit shows it: control characters and separators as spaces.
QString shownText(QString text)
{
    for (QChar& c : text) {
        if ((c.unicode() < 0x20 && c.unicode() != 0x09) || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator || c == QChar::ObjectReplacementCharacter)
            c = u' ';
    }
    return text;
}

// The events after which the box must be a plain line edit: it is about to be edited or
// to place the cursor by its own layout.
bool startsEditing(QEvent::Type type)
{
    switch (type) {
    case QEvent::FocusIn:
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride:
    case QEvent::InputMethod:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::DragEnter:
    case QEvent::ContextMenu:
        return true;
    default:
        return false;
    }
}

}  // namespace

TextBox::TextBox(QWidget* parent) : QLineEdit(parent)
{
    static ScreenReaderWatch watch;
    static const bool watching = (QAccessible::installActivationObserver(&watch), true);
    Q_UNUSED(watching);
    setPaintsItsText(true);
    // The box paints every pixel of its own, so the widgets under it are not painted again
    // whenever it changes.
    setAttribute(Qt::WA_OpaquePaintEvent);
    for (QObject* child : children())
        if (qstrcmp(child->metaObject()->className(), "QWidgetLineControl") == 0)
            lineControl_ = child;
}

void TextBox::showText(const QString& text)
{
    // The line control tells the line edit of each step of a change (the text, each move of
    // the cursor, what the input method must know), and the line edit acts on each. A box
    // without a selection, with the focus or painting its own text, hears nothing meanwhile and
    // acts once at the end: it is painted again and, with the focus, tells the input method.
    // The screen reader's events go out from the line control itself, as always.
    const bool focused = hasFocus();
    const bool quiet = lineControl_ && (focused || paintsItsText()) && !hasSelectedText();
    // Whether to tell of the change; a box whose signals are blocked tells nothing.
    const bool changed = !signalsBlocked() && text != this->text();
    {
        const QSignalBlocker held(quiet ? lineControl_ : nullptr);
        setText(text);
        // A record loaded for reading shows its start; the box being typed into keeps its
        // cursor at the end, where setText leaves it.
        if (!focused) setCursorPosition(0);
    }
    if (!quiet) return;
    update();
    if (focused) updateMicroFocus();
    if (changed) emit textChanged(this->text());
}

const QPixmap& TextBox::ground()
{
    QWidget* under = parentWidget();
    if (!under) {
        ground_ = QPixmap(size());
        ground_.fill(palette().color(QPalette::Window));
        return ground_;
    }
    const qreal ratio = devicePixelRatioF();
    const QPalette& colours = under->palette();
    const GroundKey key{geometry(),         under->size(),
                        colours.cacheKey(), int(colours.currentColorGroup()),
                        under->style(),     ratio};
    if (ground_.isNull() || key != groundKey_) {
        // What the widget under the box draws there, on its own background.
        ground_ = QPixmap((QSizeF(size()) * ratio).toSize());
        ground_.setDevicePixelRatio(ratio);
        under->render(&ground_, QPoint(), QRegion(geometry()), QWidget::DrawWindowBackground);
        groundKey_ = key;
    }
    return ground_;
}

void TextBox::setPaintsItsText(bool paints)
{
    // The line edit's layout then holds no text: NoEcho shows nothing, while text() and every
    // editing state stay as they are.
    setEchoMode(paints && !QAccessible::isActive() ? NoEcho : Normal);
}

bool TextBox::event(QEvent* event)
{
    if (startsEditing(event->type())) setPaintsItsText(false);
    const bool handled = QLineEdit::event(event);
    // A key the program sends to a box without the focus leaves it as it found it: painting
    // its own text. (An input method's text may leave a composition under way, which the line
    // edit's own layout shows.)
    const bool keySentWithoutFocus =
        event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress;
    if (keySentWithoutFocus && !hasFocus()) setPaintsItsText(true);
    if (event->type() == QEvent::FocusOut && !hasFocus()) {
        // Focus lent to another window or a popup comes back here, with the selection the
        // line edit keeps on show meanwhile.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            setPaintsItsText(true);
    }
    return handled;
}

void TextBox::paintEvent(QPaintEvent* event)
{
    // What shows round the panel's corners, then the frame and background, and no text while
    // the box paints its own.
    QPainter(this).drawPixmap(0, 0, ground());
    QLineEdit::paintEvent(event);
    if (!paintsItsText() || text().isEmpty()) return;

    // Where and how a line edit without the focus draws its text, worked out the same way.
    QStyleOptionFrame panel;
    initStyleOption(&panel);
    const QRect contents = style()
                               ->subElementRect(QStyle::SE_LineEditContents, &panel, this)
                               .marginsRemoved(textMargins());
    const QFontMetrics metrics = fontMetrics();
    const int lineHeight = std::max(metrics.boundingRect(text()).height(), metrics.height());
    const Qt::Alignment align = QStyle::visualAlignment(layoutDirection(), alignment());
    int top = contents.y() + (contents.height() - lineHeight + 1) / 2;
    switch (align & Qt::AlignVertical_Mask) {
    case Qt::AlignTop:
        top = contents.y() + kVerticalMargin;
        break;
    case Qt::AlignBottom:
        top = contents.y() + contents.height() - lineHeight - kVerticalMargin;
        break;
    default:
        break;
    }
    const QRect lineRect(contents.x() + kHorizontalMargin, top,
                         contents.width() - 2 * kHorizontalMargin, lineHeight);

    QTextLayout layout(shownText(text()), font());
    QTextOption option;
    option.setTextDirection(layoutDirection());
    option.setFlags(QTextOption::IncludeTrailingSpaces);
    layout.setTextOption(option);
    layout.beginLayout();
    const QTextLine line = layout.createLine();
    layout.endLayout();

    // A text that fits stands by the alignment; a longer one shows its start, or as much of
    // its end as keeps the cursor in view (after setText the cursor is at the end).
    const int widthUsed = qRound(line.naturalTextWidth()) + 1;
    int scroll = 0;
    if (widthUsed <= lineRect.width()) {
        switch (align & ~(Qt::AlignAbsolute | Qt::AlignVertical_Mask)) {
        case Qt::AlignRight:
            scroll = widthUsed - lineRect.width() + 1;
            break;
        case Qt::AlignHCenter:
            scroll = (widthUsed - lineRect.width()) / 2;
            break;
        default:
            break;
        }
    } else {
        scroll = std::max(0, qRound(line.cursorToX(cursorPosition())) - lineRect.width() + 1);
    }
    const QPoint topLeft =
        lineRect.topLeft() - QPoint(scroll, qRound(line.ascent()) - metrics.ascent());

    const QPalette colours = palette();
    QList<QTextLayout::FormatRange> selection;
    if (hasSelectedText()) {
        QTextLayout::FormatRange range;
        range.start = selectionStart();
        range.length = selectionLength();
        range.format.setBackground(colours.brush(QPalette::Highlight));
        range.format.setForeground(colours.brush(QPalette::HighlightedText));
        selection.append(range);
    }
    QPainter painter(this);
    painter.setClipRect(contents);
    painter.setPen(colours.text().color());
    layout.draw(&painter, topLeft, selection, contents);
}

}  // namespace forms
