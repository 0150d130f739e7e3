#pragma once
// The party form: the customers (`Clientes`, table `clientes` of Clientes.mdb) and the
// suppliers (`Proveedores`, table `proveedores` of Proveedores.mdb) are its members. Both
// lay out their fields in an upper and a lower frame above the row of record commands; the
// customer form adds record browsing and the current-account panel.

#include "forms/recordform.h"

class QGridLayout;
class QLabel;
class QRadioButton;
class WindowRegistry;

enum class Party { Clientes, Proveedores };

class PartyForm : public forms::RecordForm {
    Q_OBJECT
public:
    explicit PartyForm(Party member, QWidget* parent = nullptr);

    Party member() const { return member_; }
    void CargarComboIVA();

protected:
    void afterLoad(Recordset& rs) override;
    void prepareLists() override { CargarComboIVA(); }

private:
    void buildAccountPanel(QWidget* frame, QGridLayout* grid);
    void showBalance(bool shown);

    Party member_;
    QRadioButton* enabled_ = nullptr;
    QRadioButton* suspended_ = nullptr;
    QLabel* balanceTitle_ = nullptr;
    QLabel* balance_ = nullptr;
};

// A new, opened party form, or nullptr (after the error box) when its file cannot be opened.
QWidget* newPartyForm(Party member);

// Registers `Proveedores` and `Clientes` as child windows of the main window.
void registerPartyWindows(WindowRegistry& registry);
