#pragma once
// The messages that refuse bad input in the article fields. Each names the field the way the
// store's staff read it; all of them show with the title "ERROR" and the critical icon.

#include <QString>

#include "articlefields.h"

namespace articles {

enum class BadInput {
    NotANumber,    // letters or stray signs where a number belongs
    MissingPrice,  // COSTO empty where a price is computed
    Missing,       // an empty field that a computation needs
    OutOfRange,    // the computation gives no finite number (IVA -100, huge values)
    TooLong,       // more characters than the column holds
};

// The message for `kind` about `field`; `width` is the limit that TooLong names.
QString badInputText(BadInput kind, ArticleField field, int width = 0);

}  // namespace articles
