#pragma once
// What the supplier and customer forms share: the layout of their fields in an upper and a
// lower frame above the row of record commands, and the tax-condition list.

#include <QString>
#include <vector>

#include "recordform.h"

class QComboBox;
class QGridLayout;
class QHBoxLayout;

namespace parties {

struct PartyField {
    QString name;        // "Text2", "Combo1"
    QString label;       // "Nom. y Ape.:"
    QString tableField;  // "RAZON_SOC"
    int flags;
    bool lowerFrame;
    bool ownRow = false;  // a wide field: alone in its row, across both columns
};

struct PartyWindow {
    QHBoxLayout* head;     // above the upper frame: the date box at the right
    QGridLayout* upper;    // label and field pairs; a form may add at column 4 and on
    QWidget* upperFrame;
};

// Builds the fields in ring order (the code field gets the lookup button `Command5`), the
// date box `Text17` and the command row "&Nuevo", "&Grabar", "&Eliminar", "&Cerrar".
PartyWindow buildPartyWindow(QWidget* form, const std::vector<PartyField>& fields);

std::vector<forms::FormField> ringOf(const std::vector<PartyField>& fields);

// Gives each field box the width of as many characters as its table field holds (the form
// has set the boxes' maximum lengths), so that no stored text shows cut.
void fitFieldWidths(QWidget* form, const std::vector<PartyField>& fields);

// The width of a text box that shows `characters` typed characters whole.
int boxWidth(const QWidget* box, int characters);

// Fills the tax-condition list with its five entries unless it already has them.
void fillTaxConditions(QComboBox* list, const QString& fifthEntry);

}  // namespace parties
