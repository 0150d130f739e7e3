#include "formparts.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "data/catalogue.h"
#include "data/datacontrol.h"
#include "data/errors.h"
#include "data/numbertext.h"
#include "shell/msgbox.h"

using namespace Qt::StringLiterals;

namespace forms {

// ------------------------------------------------------------------ files

bool FormFiles::open(const std::vector<Binding>& bindings, QWidget* boxParent,
                     const std::function<void()>& ready)
{
    controls_.clear();
    for (const Binding& binding : bindings) controls_.push_back(binding.data);
    try {
        for (const Binding& binding : bindings) {
            auto at = std::find_if(files_.begin(), files_.end(), [&](const auto& file) {
                return file.first == binding.fileName;
            });
            if (at == files_.end()) {
                files_.emplace_back(binding.fileName.toString(), catalogue::open(binding.fileName));
                at = files_.end() - 1;
            }
            binding.data->setSource(at->second, catalogue::find(binding.fileName)->table.name);
            binding.data->Recordset();
        }
        if (ready) ready();
    } catch (const EngineError& error) {
        release();
        ShowErrorBox(error, boxParent);
        return false;
    }
    return true;
}

void FormFiles::release()
{
    for (Data* data : controls_) data->close();
    controls_.clear();
    files_.clear();
}

Database& FormFiles::file(QStringView fileName) const
{
    for (const auto& [name, file] : files_)
        if (name == fileName) return *file;
    throw EngineError(EngineErrorCode::FileNotFound, fileName.toString());
}

// ------------------------------------------------------------------ commands

bool guarded(QWidget* parent, const std::function<void()>& action,
             const std::function<void()>& onError)
{
    try {
        action();
        return true;
    } catch (const EngineError& error) {
        if (onError) onError();
        ShowErrorBox(error, parent);
        return false;
    }
}

bool leaveUnsaved(QWidget* parent)
{
    return MsgBox(u"DEBE GUARDAR LOS CAMBIOS PARA PODER SALIR\n¿Sale sin guardar los cambios?"_s,
                  vbYesNo | vbCritical | vbDefaultButton2, u"ERROR"_s, parent) == MsgBoxResult::Yes;
}

void closeWindow(QWidget* form)
{
    if (auto* frame = qobject_cast<QMdiSubWindow*>(form->parentWidget())) frame->close();
    else form->close();
}

bool step(Recordset& rs, int direction, QWidget* parent)
{
    if (rs.Eof() && rs.Bof()) {
        // The flags say empty; records may have been added since.
        rs.MoveFirst();
        return !rs.Eof();
    }
    if (direction > 0) {
        rs.MoveNext();
        if (rs.Eof()) {
            MsgBox(u"Fin del Archivo, Aceptar para ir al Primer Registro"_s, vbExclamation,
                   u"Mensaje"_s, parent);
            rs.MoveFirst();
        }
    } else {
        rs.MovePrevious();
        if (rs.Bof()) {
            MsgBox(u"Comienzo del Archivo, Aceptar para ir al Ultimo Registro"_s, vbExclamation,
                   u"Mensaje"_s, parent);
            rs.MoveLast();
        }
    }
    return true;
}

// ------------------------------------------------------------------ entry fields

std::optional<qint64> codeNumber(const QString& text)
{
    // Beyond nine digits no code field holds the number, and a double stays exact.
    constexpr double kLargest = 999'999'999;
    const std::optional<double> value = numbertext::parse(text);
    if (!value || *value < 0 || *value > kLargest || *value != std::floor(*value))
        return std::nullopt;
    return qint64(*value);
}

QString formatCode(const QString& text)
{
    const std::optional<qint64> number = codeNumber(text);
    return number ? numbertext::code(*number, 4) : text;
}

QString typedText(const QString& text, int flags)
{
    QString typed = text;
    if (flags & DecimalComma) typed.replace(u'.', u',');
    if (flags & UpperCase) typed = typed.toUpper();
    return typed;
}

void composeIntoField(QInputMethodEvent* input, int flags)
{
    // A dead key's accent with its letter, or an input method's text, arrives as composed
    // text instead of a key press: it follows the same rules.
    const QString typed = typedText(input->commitString(), flags);
    if (typed != input->commitString())
        input->setCommitString(typed, input->replacementStart(), input->replacementLength());
}

FieldKeyMeaning meaningOf(const QLineEdit& edit, const QKeyEvent& event, int flags)
{
    using M = FieldKeyMeaning;
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return {M::Enter, {}};
    case Qt::Key_Up:
        return {M::Up, {}};
    case Qt::Key_Down:
        return {M::Down, {}};
    case Qt::Key_Escape:
        return {M::Escape, {}};
    default:
        break;
    }
    // Typed characters only; pasted text keeps its case.
    const QString text = event.text();
    if (edit.isReadOnly() || text.isEmpty() ||
        (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return {};
    for (QChar c : text)
        if (!c.isPrint()) return {};
    const QString typed = typedText(text, flags);
    if (typed == text) return {};
    return {M::Typing, typed};
}

bool typeIntoField(QLineEdit* edit, QKeyEvent* event, int flags)
{
    const FieldKeyMeaning meaning = meaningOf(*edit, *event, flags);
    if (meaning.key != FieldKeyMeaning::Typing) return false;
    edit->insert(meaning.typed);
    return true;
}

bool fieldKeyPress(QLineEdit* edit, QKeyEvent* event, int flags, const FieldKeys& keys)
{
    using M = FieldKeyMeaning;
    const FieldKeyMeaning meaning = meaningOf(*edit, *event, flags);
    switch (meaning.key) {
    case M::Enter:
        if (!keys.enter) return false;
        keys.enter();
        return true;
    case M::Up:
    case M::Down:
        if (!keys.arrow) return false;
        keys.arrow(meaning.key == M::Up ? -1 : 1);
        return true;
    case M::Escape:
        if (!keys.escape) return false;
        keys.escape();
        return true;
    case M::Typing:
        edit->insert(meaning.typed);
        return true;
    case M::Other:
        break;
    }
    return false;
}

void fieldEvent(QLineEdit* edit, QEvent* event, int flags)
{
    switch (event->type()) {
    case QEvent::InputMethod:
        composeIntoField(static_cast<QInputMethodEvent*>(event), flags);
        break;
    case QEvent::MouseButtonRelease:
        // After the line edit has placed the cursor (or cleared a selection).
        if (flags & SelectOnClick) QTimer::singleShot(0, edit, &QLineEdit::selectAll);
        break;
    default:
        break;
    }
}

}  // namespace forms
