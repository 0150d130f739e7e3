#pragma once
// The article on the article form, without widgets: one text per field plus the selected unit,
// with the form's pricing, default, load and store routines. The form binds its text boxes,
// unit options and unit captions to it. The form starts it afresh each time it opens, so the
// remembered list surcharges start at 0 with every opening.

#include <QByteArray>
#include <QString>
#include <array>
#include <bitset>
#include <optional>
#include <utility>

#include "articlefields.h"
#include "badinput.h"

class Field;
class Recordset;

namespace articles {

class ArticleModel {
public:
    const QString& text(ArticleField field) const { return texts_[size_t(field)]; }
    void setText(ArticleField field, const QString& text);
    // A box's text as the user typed it (or as the box cut it to fit): the form shows it
    // already, so it is not among the changes.
    void takeBoxText(ArticleField field, const QString& text) { texts_[size_t(field)] = text; }
    const std::array<QString, kFieldCount>& texts() const { return texts_; }
    // A set of fields, by ArticleField.
    using Fields = std::bitset<kFieldCount>;
    // Sets each field's text.
    void setTexts(const std::array<QString, kFieldCount>& texts);

    // What changed since the last call: the fields whose text did, and whether the unit or its
    // captions did. The form shows them after each rule it runs; the model never calls it.
    struct Changes {
        Fields fields;
        bool unit = false;
    };
    Changes takeChanges() { return std::exchange(changes_, {}); }
    // Empties every field; the unit and its captions stay.
    void blank();
    // Back to a new model's state: no texts, no unit, the first captions, no remembered
    // surcharges.
    void startAfresh();

    Unit unit() const { return unit_; }
    // Selects an option (not None) and shows its code in the three captions.
    void selectUnit(Unit unit);
    const std::array<QString, 3>& unitCaptions() const { return captions_; }

    // Sets an empty IVA to "0" and writes COSTO / (1 + IVA / 100) into NETO.
    Outcome CalculoNeto();
    // Enter in COSTO: nothing when COSTO is empty; otherwise CalculoNeto, then COSTO written
    // with two decimals and copied into LISTA 1.
    Outcome enterCost();
    // Write COSTO + COSTO × surcharge / 100 into the list's price. An empty surcharge of list 1
    // falls back to the one list 1 used last; lists 2 and 3 need theirs.
    Outcome CalculoLista1();
    Outcome CalculoLista2();
    Outcome CalculoLista3();

    // Writes each field's default text into it when it is empty (barcode and code excepted).
    void ControloVacios();
    // (Not the record forms' CargaBaseDatos: the article form has a routine of its own.)
    // Copies the fields and the unit into the pending record of `articulos` and computes
    // `dept`. Checks every field first: on bad input nothing is written.
    Outcome CargoBaseDatos(Recordset& articulos);
    // Copies the current record into the fields and selects its unit. The form blanks the
    // fields before each load, so a Null or empty value leaves its field empty; each field is
    // written once.
    void CargoDesdeBaseDatos(Recordset& articulos);

private:
    Outcome calculoLista(int list);
    static Outcome refuse(BadInput kind, ArticleField field, int width = 0);
    std::optional<double> number(ArticleField field) const;
    // Where a column was found last, and its name as the table held it then.
    struct Column {
        int at = -1;
        QString name;
    };
    Field field(Recordset& articulos, ArticleField f);
    // The field `name` of `articulos`, at the position found for it last.
    static Field fieldNamed(Recordset& articulos, Column& column, const char16_t* name);
    // Selects the record's unit when its code is one of the units'; otherwise the unit stays.
    void selectStoredUnit(Recordset& articulos);
    QString shownText(const Field& field, ArticleField f);

    std::array<QString, kFieldCount> texts_;
    Changes changes_;
    Unit unit_ = Unit::None;
    std::array<QString, 3> captions_ = initialUnitCaptions();
    std::array<double, 3> rememberedSurcharge_{};
    std::array<Column, kFieldCount> columns_;
    struct ShownNumber {
        double number = 0;
        QString text;
    };
    std::array<ShownNumber, kFieldCount> shownNumbers_;
    struct ShownText {
        QByteArray stored;
        QString text;
    };
    std::array<ShownText, kFieldCount> shownTexts_;
    Column unitColumn_;
};

}  // namespace articles
