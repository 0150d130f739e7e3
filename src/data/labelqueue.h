#pragma once
// The columns of a queued shelf label (the table `articulos` of Etiquetas.mdb) that the label
// queue fills, each with the article field it is copied from and the heading a list of the
// queue shows over it. The label queue window, the rules that queue many labels at once and
// the label sheets all name the columns through this table.

#include <QString>
#include <QStringView>
#include <array>

namespace labelqueue {

struct Column {
    QStringView name;          // the column of the label table
    QStringView articleField;  // the field of Articulos.mdb's articles it takes its value from
    int width;                 // characters a text column holds; 0 for a number
    QStringView heading;       // over the column in a list
};

inline constexpr Column Codigo{u"codigo", u"codigo", 0, u"CODIGO"};
inline constexpr Column CodBarra{u"codbarra", u"codbarra", 50, u"COD.BARRA"};
inline constexpr Column Descripcion{u"descripcion", u"descripcion", 255, u"DESCRIPCION"};
// The price on the shelf is the article's list 1 price.
inline constexpr Column Precio{u"neto1", u"lis1", 0, u"PRECIO"};

// In the order of the label queue's fields and of the listed columns.
inline constexpr std::array<Column, 4> columns = {Codigo, CodBarra, Descripcion, Precio};

// "codigo, codbarra, descripcion, neto1" (or the article fields, with `articleFields`): the
// columns as an SQL list, in the order above.
inline QString sqlList(bool articleFields = false)
{
    QString list;
    for (const Column& column : columns) {
        if (!list.isEmpty()) list += u", ";
        list += articleFields ? column.articleField : column.name;
    }
    return list;
}

}  // namespace labelqueue
