#pragma once
// What every data window does the same way, written once for the record forms (RecordForm),
// the article form and the label queue: opening its store files into its data controls and
// letting them go, running a command under the engine-error guard, asking before a pending
// change is left, closing its frame, and the keys of an entry field (Enter, the arrows, Esc,
// typing and composed text). Each window keeps only what its fields and commands do.

#include <QString>
#include <QStringView>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class Data;
class Database;
class QEvent;
class QInputMethodEvent;
class QKeyEvent;
class QLineEdit;
class QWidget;
class Recordset;

namespace forms {

// How one entry field reacts to typing, focus and clicks.
enum FieldFlag {
    UpperCase = 1,      // typed characters become upper case
    DecimalComma = 2,   // a typed full stop becomes a comma
    Highlight = 4,      // light cyan while it has the focus
    SelectOnClick = 8,  // a click selects the whole text
};

// The store files a window reads, each bound to the data controls that show its table.
class FormFiles {
public:
    struct Binding {
        QStringView fileName;  // "Articulos.mdb"
        Data* data;
    };

    // Opens each binding's file, once however many controls read it, binds the control to
    // the file's table and opens its recordset, then runs `ready` (a first move, say). A file
    // still open from before is kept: a window made ready again in place need not open it
    // anew. On an engine error lets everything go, shows the error box over `boxParent` and
    // returns false.
    bool open(const std::vector<Binding>& bindings, QWidget* boxParent,
              const std::function<void()>& ready = {});
    // Closes the data controls and lets go of the files.
    void release();
    // The open file of that name, for the rules that work on the file itself. Throws
    // EngineError (FileNotFound) when the window has not opened it.
    Database& file(QStringView fileName) const;

private:
    std::vector<Data*> controls_;
    std::vector<std::pair<QString, std::shared_ptr<Database>>> files_;
};

// Runs `action`. An engine error it throws runs `onError` (a form drops its half-made record
// there), shows the error box over `parent` and abandons that one command. False after an
// error.
bool guarded(QWidget* parent, const std::function<void()>& action,
             const std::function<void()>& onError = {});

// Asks whether to close with a change not saved, No by default: true for Yes.
bool leaveUnsaved(QWidget* parent);

// Closes `form`'s frame inside the main window, or the form itself when it stands alone.
void closeWindow(QWidget* form);

// What an entry field's own keys do in one form. Keys without an action here are left to
// the field (a combo box steps through its list with the arrows).
struct FieldKeys {
    std::function<void()> enter;               // Enter and the keypad's Enter
    std::function<void(int direction)> arrow;  // Up (-1) and Down (1)
    std::function<void()> escape;              // Esc (the field's lookup dialog)
};

// A code as the code format reads it: a whole number from 0 up, written with digits, an
// optional sign and an optional decimal comma ("+3", "0012", "3,0"); nullopt for any other
// text ("-1", "1,5", "AB", empty).
std::optional<qint64> codeNumber(const QString& text);

// The code format "0000": a text that reads as a code number becomes that number with at
// least four digits; any other text is left as it is.
QString formatCode(const QString& text);

// A typed or composed text as a field with `flags` takes it: full stops become commas
// (DecimalComma), then letters upper case (UpperCase).
QString typedText(const QString& text, int flags);

// A key typed into an entry field with `flags` (UpperCase, DecimalComma): inserts the
// converted characters and returns true, or returns false to leave the key to the field.
// A read-only field takes no typing.
bool typeIntoField(QLineEdit* edit, QKeyEvent* event, int flags);

// Text composed into an entry field with `flags` (a dead key's accent with its letter, an
// input method's text), rewritten as typedText() does before the field takes it.
void composeIntoField(QInputMethodEvent* event, int flags);

// What a key pressed in an entry field whose typing follows `flags` (FieldFlag) asks for: one
// of the keys that have an action (Enter and the keypad's Enter, the arrows, Esc), typing that
// the flags rewrite (`typed`, to insert in place of the key), or nothing of the form's.
struct FieldKeyMeaning {
    enum Key { Enter, Up, Down, Escape, Typing, Other } key = Other;
    QString typed;  // for Typing
};
FieldKeyMeaning meaningOf(const QLineEdit& edit, const QKeyEvent& event, int flags);

// A key pressed in the entry field `edit` whose typing follows `flags`: runs the key's action
// and returns true, or types the key as the flags say (true when it rewrote it), or returns
// false to leave the key to the field.
bool fieldKeyPress(QLineEdit* edit, QKeyEvent* event, int flags, const FieldKeys& keys);

// The events other than key presses that every entry field treats alike: composed text (a
// dead key's accent, an input method) follows `flags` as typing does, and with SelectOnClick a
// click selects the whole text. The event goes on to the field.
void fieldEvent(QLineEdit* edit, QEvent* event, int flags);

// "&Siguiente" (direction 1) or "&Anterior" (-1) on `rs`: past either end it says so in a box
// and goes round to the other end. False when the table is empty (nothing to show).
bool step(Recordset& rs, int direction, QWidget* parent);

}  // namespace forms
