#pragma once
// "Agregar varias etiquetas" (`AgregarVarias`), opened from the label queue: queues the labels
// of many articles at once, chosen as the price update chooses them (supplier, brand,
// category, a text in the description, a range of codes), so many labels per article as units
// stand on the shelf. It asks once and tells once, never a box per label.

#include <QDialog>

#include "articles/priceupdate.h"

class Database;
class QLineEdit;

class AgregarVarias : public QDialog {
    Q_OBJECT
public:
    // `articulos` and `etiquetas` are the open Articulos.mdb and Etiquetas.mdb of the queue
    // `parent`, which keeps them open while its child, the dialog, lives.
    AgregarVarias(Database& articulos, Database& etiquetas, QWidget* parent);

private:
    void build();
    // Aceptar: reads the conditions, asks, queues, tells; closes once the labels are queued.
    void aceptar();
    // The conditions typed into `selection`; otherwise the refusal, with its box focused.
    QString readSelection(articles::PriceSelection& selection);
    // The labels per article; otherwise the refusal, with its box focused.
    QString readQuantity(int& quantity);

    Database& articulos_;
    Database& etiquetas_;
    QLineEdit* txtProveedor_;
    QLineEdit* txtMarca_;
    QLineEdit* txtRubro_;
    QLineEdit* txtDescripcion_;
    QLineEdit* txtDesde_;
    QLineEdit* txtHasta_;
    QLineEdit* txtCantidad_;
};
