#pragma once
// The label queue (`Etiquetas`): fills a label in from an article found by code or barcode,
// queues it in the label table of Etiquetas.mdb, queues many articles' labels at once
// (AgregarVarias), empties the queue and opens the label sheet of the chosen size.

#include <QWidget>
#include <array>

#include "data/datacontrol.h"
#include "forms/formparts.h"

class QComboBox;
class QLineEdit;
class WindowRegistry;

class Etiquetas : public QWidget {
    Q_OBJECT
public:
    explicit Etiquetas(QWidget* parent = nullptr);
    ~Etiquetas() override;

    // Opens Articulos.mdb (Data1) and Etiquetas.mdb (Data2), blanks the form and fills the
    // size list. On an engine error shows the error box and returns false with nothing open.
    bool open();

    // Empties the four fields and the size list's shown text (the entries stay).
    void Blanquear();
    // Fills the size list: "ETIQUETA CHICA", "ETIQUETA MEDIANA", "ETIQUETA GRANDE" (the
    // system's CargarComboIVA, a name the label form took from the party forms).
    void fillSizeList();

    // The label sheets' viewers, by the position of the size chosen.
    static QString viewerForSize(int position);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void build();
    // Enter in "Cod Interno:" (by code) or "Cod.Barra:" (by barcode).
    void fillIn(bool byBarcode);
    void nuevaEtiqueta();
    // Opens "Agregar varias etiquetas" over the form.
    void agregarVarias();
    void eliminarEtiquetas();
    void imprimir();
    void cerrar();
    void release();
    // Text1 to Text4, in the order of the label queue's columns (data/labelqueue.h).
    std::array<QLineEdit*, 4> fields() const { return {Text1, Text2, Text3, Text4}; }

    Data* Data1;
    Data* Data2;
    forms::FormFiles files_;  // Articulos.mdb (Data1) and Etiquetas.mdb (Data2)
    QComboBox* Combo1;
    QLineEdit* Text1;  // Cod Interno:
    QLineEdit* Text2;  // Cod.Barra:
    QLineEdit* Text3;  // Descripcion:
    QLineEdit* Text4;  // Precio $
};

// Registers `Etiquetas` as a child window of the main window.
void registerLabelWindows(WindowRegistry& registry);
