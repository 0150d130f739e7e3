#pragma once
// The text box of the forms: a QLineEdit that, while it does not have the focus, keeps its
// text out of the line edit's own layout and paints it itself.
//
// Qt lays a line edit's text out on every setText, which is most of what filling a form's
// boxes costs when the staff browse articles one after another. A box without the focus is
// only looked at, so it lays its text out when it paints, once per frame, instead. The box
// paints exactly what a plain line edit would. Its text (text(), textChanged, the model
// bindings) never changes mode: only how it is drawn does.
//
// Any focus, key, input-method, mouse or drag event makes it a plain line edit again first,
// so typing, selecting, the clipboard and the input method work as they always do. With an
// accessibility client active the box stays a plain line edit, so a screen reader reads it.
//
// The box paints what lies under it round its panel itself, from a picture of the widget it
// stands on taken once (again when either moves, resizes or changes colours or style): the
// widgets under it then need no painting when it changes. That widget's own background is
// taken to be what shows through it, and what it draws there to stay as it is, as in the
// forms' groups, which stand on windows of their own colour.

#include <QLineEdit>
#include <QPixmap>

namespace forms {

class TextBox : public QLineEdit {
    Q_OBJECT
public:
    explicit TextBox(QWidget* parent = nullptr);

    // True while the box paints its text itself (it does not have the focus).
    bool paintsItsText() const { return echoMode() == QLineEdit::NoEcho; }

    // Puts `text` in the box as a record loaded for reading: from its start (its cursor at 0),
    // unless the box has the focus, where the cursor ends after it as setText leaves it. Emits
    // textChanged when the text changes, as setText does, but not cursorPositionChanged; the
    // input method hears of the focused box once.
    void showText(const QString& text);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void setPaintsItsText(bool paints);
    const QPixmap& ground();

    struct GroundKey {
        QRect at;
        QSize underSize;
        qint64 underColours = 0;
        int underColourGroup = 0;  // active, inactive or disabled
        const QStyle* underStyle = nullptr;
        qreal ratio = 1;
        bool operator==(const GroundKey&) const = default;
    };
    QPixmap ground_;
    GroundKey groundKey_;
    QObject* lineControl_ = nullptr;  // the line edit's own text and cursor keeper
};

}  // namespace forms
