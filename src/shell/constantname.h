#pragma once
// A name the program writes once, as a constant (a window's, a lookup dialog's): each kind of
// name is a type of its own, so that one kind cannot be passed where another is asked for, and
// it turns into the QString the tables and object names take. Header only, on Qt Core alone.

#include <QString>
#include <QStringView>

template <class Kind>
struct ConstantName {
    QStringView text;
    operator QString() const { return text.toString(); }
};
