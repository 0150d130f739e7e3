#pragma once
// The names of the twelve lookup dialogs: each one's entry in the lookup table
// (lookups::Member::name) and what the forms, the label windows and the price window ask for.
// Every one of them writes the name through these constants, so a misspelt name fails to build
// instead of leaving a search button or Esc doing nothing. Header only, on Qt Core alone, for
// the forms, which open the dialogs without depending on them.

#include "constantname.h"

// A lookup dialog's name.
using LookupName = ConstantName<struct LookupNameKind>;

namespace lookupnames {

inline constexpr LookupName ConsuMarcas{u"ConsuMarcas"};
inline constexpr LookupName ConsuMarcas1{u"ConsuMarcas1"};
inline constexpr LookupName ConsuRubros{u"ConsuRubros"};
inline constexpr LookupName ConsuRubros1{u"ConsuRubros1"};
inline constexpr LookupName ConsuDepartamentos{u"ConsuDepartamentos"};
inline constexpr LookupName ConsuProveedor{u"ConsuProveedor"};
inline constexpr LookupName ConsuProveedor1{u"ConsuProveedor1"};
inline constexpr LookupName ConsuCliente{u"ConsuCliente"};
inline constexpr LookupName ConsArticulo{u"ConsArticulo"};
inline constexpr LookupName ConsArticuloPro{u"ConsArticuloPro"};
inline constexpr LookupName ConsArticuloEtiqueta{u"ConsArticuloEtiqueta"};
inline constexpr LookupName ConsArticuloEtiquetaDB{u"ConsArticuloEtiquetaDB"};

// Every name above: the lookup table has a dialog for each and no other (a test holds it to
// that).
inline constexpr LookupName all[] = {
    ConsuMarcas,        ConsuMarcas1,    ConsuRubros,          ConsuRubros1,
    ConsuDepartamentos, ConsuProveedor,  ConsuProveedor1,      ConsuCliente,
    ConsArticulo,       ConsArticuloPro, ConsArticuloEtiqueta, ConsArticuloEtiquetaDB,
};

}  // namespace lookupnames
