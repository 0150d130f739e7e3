#pragma once
// The customer form: the table `clientes` of Clientes.mdb, with record browsing and the
// current-account panel.

#include "recordform.h"

class QLabel;
class QRadioButton;

class Clientes : public forms::RecordForm {
    Q_OBJECT
public:
    explicit Clientes(QWidget* parent = nullptr);

    void CrearCliente() { crear(); }
    void BorrarCliente() { borrar(); }
    void CargarComboIVA();

protected:
    void afterLoad(Recordset& rs) override;
    void prepareLists() override { CargarComboIVA(); }
    RecordForm* createAnother() const override { return new Clientes; }

private:
    void buildAccountPanel(QWidget* frame, class QGridLayout* grid);
    void showBalance(bool shown);

    QRadioButton* enabled_ = nullptr;
    QRadioButton* suspended_ = nullptr;
    QLabel* balanceTitle_ = nullptr;
    QLabel* balance_ = nullptr;
};

// A new, opened customer form, or nullptr (after the error box) when the file cannot be opened.
QWidget* newClientes();
