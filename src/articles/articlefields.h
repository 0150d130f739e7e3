#pragma once
// The article form's fields and unit options as data: which control shows what, which column of
// `articulos` it maps to, how a message names it, and what an empty field defaults to at a save.

#include <QString>
#include <array>

namespace articles {

// In the form's tab order.
enum class ArticleField {
    Codigo,
    CodBarra,
    Descripcion,
    CodP,
    DesP,
    CodM,
    DesM,
    CodR,
    DesR,
    Net,
    Iva,
    Cos,
    Dep1,
    Dep2,
    Dep3,
    Min,
    Ped,
    Rec1,
    Lis1,
    Rec2,
    Lis2,
    Rec3,
    Lis3,
};
inline constexpr int kFieldCount = int(ArticleField::Lis3) + 1;

struct ArticleFieldDef {
    ArticleField field;
    const char16_t* control;       // object name of the form's text box
    const char16_t* column;        // column of `articulos`
    const char16_t* name;          // how a message names the field
    const char16_t* emptyDefault;  // written into the empty field before a save; nullptr: none
};

// Every field, in the order of ArticleField.
const std::array<ArticleFieldDef, kFieldCount>& fieldDefs();
const ArticleFieldDef& def(ArticleField field);

enum class Unit { None, Unidades, Kilos, Litros, Metros };

struct UnitDef {
    Unit unit;
    const char16_t* option;   // caption of the option button
    const char16_t* control;  // object name of the option button
    const char16_t* code;     // stored in `uni` and shown beside the deposits
};

// The four options, in the order of Unit (None excluded).
const std::array<UnitDef, 4>& unitDefs();
const UnitDef& def(Unit unit);

// The three captions beside the deposits before any unit is chosen.
std::array<QString, 3> initialUnitCaptions();

}  // namespace articles
