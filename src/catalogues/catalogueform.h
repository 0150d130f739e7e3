#pragma once
// The catalogue form: code and description over the table `rubros` of one catalogue file.
// Brands (`Marcas`), categories (`Rubros`) and departments (`Departamentos`) are its members.

#include "forms/recordform.h"

class WindowRegistry;

enum class Catalogue { Marcas, Rubros, Departamentos };

class CatalogueForm : public forms::RecordForm {
    Q_OBJECT
public:
    explicit CatalogueForm(Catalogue member, QWidget* parent = nullptr);

protected:
    void afterStore(Recordset& rs) override;
    std::optional<forms::FormMessage> refuseSave() const override;

private:
    void build();

    Catalogue member_;
};

// A new, opened catalogue form, or nullptr (after the error box) when its file cannot be
// opened. The main window shows `Marcas`, `Rubros` and `Departamentos` through it.
QWidget* newCatalogueForm(Catalogue member);

// Registers `Marcas`, `Rubros` and `Departamentos` as child windows of the main window.
void registerCatalogueWindows(WindowRegistry& registry);
