#pragma once
// The messages that refuse bad input in the article fields. Each names the field the way the
// store's staff read it; all of them show with the title "ERROR" and the critical icon.

#include <QString>
#include <optional>

#include "articlefields.h"
#include "data/message.h"

namespace articles {

enum class BadInput {
    NotANumber,      // letters or stray signs where a number belongs
    MissingPrice,    // COSTO empty where a price is computed
    Missing,         // an empty field that a computation needs
    OutOfRange,      // the computation gives no finite number (IVA -100, huge values)
    TooLong,         // more characters than the column holds
    Negative,        // a cost or a price below zero
    TakenBarcode,    // a barcode another article already has
    MissingCode,     // Grabar with "Cod Interno:" empty
    MissingBarcode,  // Grabar with "Cod.Barra:" empty
};

// The message for `kind` about `field`; `width` is the limit that TooLong names, `other` the
// article that TakenBarcode names.
QString badInputText(BadInput kind, ArticleField field, int width = 0,
                     const QString& other = QString());

// What a routine tells the form: done, or refused because of bad input in `focus`, the field
// that should get the focus. The form shows the refusal's message box.
struct Outcome {
    std::optional<ArticleField> focus;
    BadInput kind = BadInput::NotANumber;
    int width = 0;  // the limit that TooLong names
    QString other;  // the article that has the barcode, for TakenBarcode: "000012 (YERBA)"
    bool ok() const { return !focus; }
};

// The box that refuses `outcome` (which is not ok): title "ERROR", critical icon.
Message refusalMessage(const Outcome& outcome);

}  // namespace articles
