#pragma once
// The supplier form: the table `proveedores` of Proveedores.mdb.

#include "recordform.h"

class Proveedores : public forms::RecordForm {
    Q_OBJECT
public:
    explicit Proveedores(QWidget* parent = nullptr);

    void CrearProveedor() { crear(); }
    void BorrarProveedor() { borrar(); }
    void CargarComboIVA();

protected:
    void prepareLists() override { CargarComboIVA(); }
    RecordForm* createAnother() const override { return new Proveedores; }
};

// A new, opened supplier form, or nullptr (after the error box) when the file cannot be opened.
QWidget* newProveedores();
