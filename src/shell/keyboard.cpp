#include "keyboard.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QValidator>

namespace shell {

namespace {

// Alt without Ctrl or Meta (Ctrl+Alt is AltGr on some keyboards and types characters).
bool altOnly(const QKeyEvent* key)
{
    const Qt::KeyboardModifiers held =
        key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier | Qt::GroupSwitchModifier);
    return held == Qt::AltModifier;
}

// The enabled, visible button of the child window around `focus` whose accelerator is the
// pressed key; nullptr outside a child window or when none has it.
QAbstractButton* childAccelerator(QWidget* focus, const QKeyEvent* key)
{
    if (!focus || !altOnly(key) || (key->modifiers() & Qt::ShiftModifier)) return nullptr;
    QMdiSubWindow* child = nullptr;
    for (QWidget* w = focus; w && !child; w = w->parentWidget())
        child = qobject_cast<QMdiSubWindow*>(w);
    if (!child || !child->widget()) return nullptr;
    const QKeySequence pressed(QKeyCombination(Qt::AltModifier, Qt::Key(key->key())));
    for (QAbstractButton* button : child->widget()->findChildren<QAbstractButton*>())
        if (button->isVisible() && button->isEnabled() &&
            QKeySequence::mnemonic(button->text()) == pressed)
            return button;
    return nullptr;
}

bool isTextBox(const QObject* object)
{
    return qobject_cast<const QLineEdit*>(object) || qobject_cast<const QComboBox*>(object) ||
           qobject_cast<const QAbstractSpinBox*>(object) ||
           qobject_cast<const QTextEdit*>(object) || qobject_cast<const QPlainTextEdit*>(object);
}

// Keeps a one-line box on one line: a line break or a tab that arrives in it (pasted, dropped,
// or loaded from a file) becomes a space before the box, or anything bound to it, has the text.
// Otherwise lists draw the row on two clipped lines and the terminals get it too.
class OneLineValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& position) const override
    {
        Q_UNUSED(position);
        for (QChar& c : input)
            if (c == u'\n' || c == u'\r' || c == u'\t') c = u' ';
        return Acceptable;
    }
};

class KeyboardRules : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Polish) {
            // A box with a validator of its own (a spin box's, a date's) keeps it.
            if (auto* edit = qobject_cast<QLineEdit*>(watched); edit && !edit->validator())
                edit->setValidator(&oneLine_);
            return false;
        }
        if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget) return false;
        QAbstractButton* accelerator = childAccelerator(widget, key);
        if (event->type() == QEvent::ShortcutOverride) {
            // Taken from the menus: the key press comes to the focus widget, which presses it.
            if (!accelerator) return false;
            event->accept();
            return true;
        }
        if (accelerator) {
            if (accelerator->focusPolicy() != Qt::NoFocus)
                accelerator->setFocus(Qt::ShortcutFocusReason);
            accelerator->animateClick();
            event->accept();
            return true;
        }
        if (altOnly(key) && isTextBox(watched) && !key->text().isEmpty() &&
            key->text().front().isPrint()) {
            event->accept();
            return true;
        }
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        auto* button = qobject_cast<QPushButton*>(watched);
        if (enter && button && button->hasFocus() && !(key->modifiers() & ~Qt::KeypadModifier)) {
            if (!key->isAutoRepeat() && button->isEnabled()) button->click();
            event->accept();
            return true;
        }
        return false;
    }

private:
    OneLineValidator oneLine_;
};

}  // namespace

void installKeyboardRules(QApplication& app) { app.installEventFilter(new KeyboardRules(&app)); }

}  // namespace shell
