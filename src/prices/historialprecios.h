#pragma once
// "Historial de Precios": the recorded price changes, newest first, and the undo of one.

#include <QDialog>

class QPushButton;
class QTableWidget;

namespace prices {

class HistorialPrecios : public QDialog {
    Q_OBJECT
public:
    explicit HistorialPrecios(QWidget* parent = nullptr);

    // Reads the history again.
    void refresh();
    // Undoes the change of the selected row, after asking.
    void Deshacer();

private:
    QTableWidget* grdHistorial_;
    QPushButton* cmdDeshacer_;
};

}  // namespace prices
