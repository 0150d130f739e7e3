#pragma once
// The record forms open their lookup dialogs through this hook, so that the forms do not
// depend on the dialogs: the program connects it once at start-up.

#include <QString>
#include <functional>

class QLineEdit;
class QWidget;

namespace forms {

// What opened the dialog: Esc in the code field or the lookup button beside it.
enum class LookupTrigger { EscapeKey, LookupButton };

// Shows the lookup dialog `dialogName` ("ConsuMarcas"...) for the code field `target` of the
// form `caller`; the dialog writes the chosen code into `target`.
using LookupOpener = std::function<void(const QString& dialogName, QLineEdit* target,
                                        QWidget* caller, LookupTrigger how)>;

void setLookupOpener(LookupOpener opener);
// The opener set, empty when none.
const LookupOpener& lookupOpener();
// Does nothing while no opener is set.
void openLookup(const QString& dialogName, QLineEdit* target, QWidget* caller, LookupTrigger how);

// Makes Esc in the code box `box` open the lookup dialog `dialogName` for it, as in the record
// forms; the box's window is the caller.
void lookUpOnEscape(QLineEdit* box, const QString& dialogName);

}  // namespace forms
