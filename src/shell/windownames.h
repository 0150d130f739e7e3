#pragma once
// The names of the program's windows: each one's row in the window table (WindowDef::name),
// the object name of the window made from it, and what the toolbar, the menus, the label
// queue and the report catalogue ask the table for. Every one of them writes the name through
// these constants, so a misspelt name fails to build instead of leaving a button doing nothing.
// Header only, on Qt Core alone: the report engine, which has no widgets, names its viewers
// with them too.

#include "constantname.h"

// A window's name.
using WindowName = ConstantName<struct WindowNameKind>;

namespace windownames {

inline constexpr WindowName Articulos{u"Articulos"};
inline constexpr WindowName Clientes{u"Clientes"};
inline constexpr WindowName Proveedores{u"Proveedores"};
inline constexpr WindowName Marcas{u"Marcas"};
inline constexpr WindowName Rubros{u"Rubros"};
inline constexpr WindowName Departamentos{u"Departamentos"};
inline constexpr WindowName Etiquetas{u"Etiquetas"};
inline constexpr WindowName ActualizacionPrecios{u"ActualizacionPrecios"};
inline constexpr WindowName Actualizar{u"Actualizar"};
inline constexpr WindowName Backup{u"Backup"};
inline constexpr WindowName Calendario{u"Calendario"};
// The report viewers: the four lists and the label sheets, small, medium and large.
inline constexpr WindowName ForListaArticulos{u"ForListaArticulos"};
inline constexpr WindowName ForListaClientes{u"ForListaClientes"};
inline constexpr WindowName ForListaProveedores{u"ForListaProveedores"};
inline constexpr WindowName ForListaDepartamentos{u"ForListaDepartamentos"};
inline constexpr WindowName ForListaEtiqueta{u"ForListaEtiqueta"};
inline constexpr WindowName ForListaEtiqueta1{u"ForListaEtiqueta1"};
inline constexpr WindowName ForListaEtiqueta2{u"ForListaEtiqueta2"};

// Every name above: the program registers a window for each (a test holds it to that).
inline constexpr WindowName all[] = {
    Articulos,
    Clientes,
    Proveedores,
    Marcas,
    Rubros,
    Departamentos,
    Etiquetas,
    ActualizacionPrecios,
    Actualizar,
    Backup,
    Calendario,
    ForListaArticulos,
    ForListaClientes,
    ForListaProveedores,
    ForListaDepartamentos,
    ForListaEtiqueta,
    ForListaEtiqueta1,
    ForListaEtiqueta2,
};

}  // namespace windownames
