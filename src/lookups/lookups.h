#pragma once
// How the record forms open a lookup dialog.
//
//   void Marcas::Command5Clicked() { lookups::openLookup(u"ConsuMarcas"_s, Text1, this); }
//   // Esc in the code box:
//   lookups::openLookup(u"ConsuMarcas"_s, Text1, this, lookups::OpenedBy::EscapeKey);
//
// A modal member returns after the dialog closed (the target box then holds the choice, with
// its whole text selected and the focus); a modeless one returns at once, and opening it
// again while it is open brings the same window to the front. An engine failure shows the
// error box and leaves the target box unchanged.

#include <QString>

#include "lookupdialog.h"
#include "members.h"

class QLineEdit;
class QWidget;

namespace lookups {

// Opens the member `memberName` ("ConsuMarcas") for `target`, the caller's box that receives
// the chosen code; `caller` is the form that opens it.
void openLookup(const QString& memberName, QLineEdit* target, QWidget* caller,
                OpenedBy how = OpenedBy::SearchButton);

// The open dialog of a member, nullptr when it is not open.
LookupDialog* openDialog(const QString& memberName);

}  // namespace lookups
