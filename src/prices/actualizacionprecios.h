#pragma once
// "Actualización de Precios": changes the prices of many articles at once. The clerk chooses
// the articles (supplier, brand, category, a text of the description, a range of codes) and
// the rule, or a supplier's price list; "Vista previa" shows every change before anything is
// stored; "Aplicar" stores them all in one transaction, records them in the price history and
// queues their shelf labels; "Historial" lists the changes and undoes one.

#include <QWidget>
#include <memory>

#include "articles/priceupdate.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTableView;
class WindowRegistry;

namespace prices {

class ReviewModel;
class LeftOutModel;

class ActualizacionPrecios : public QWidget {
    Q_OBJECT
public:
    explicit ActualizacionPrecios(QWidget* parent = nullptr);
    ~ActualizacionPrecios() override;

    // What the buttons do.
    void VistaPrevia();
    void Aplicar();
    void ElegirArchivo();
    void Historial();

    const articles::PriceReview& review() const { return review_; }

private:
    QWidget* buildConditions();
    QWidget* buildSupplierList();
    void showPartyName(QLineEdit* code, QLabel* name, const QString& fileName, const QString& table,
                       const QString& codeField, const QString& nameField);
    // The conditions and rule as typed; empty when they hold, otherwise the message shown.
    QString readConditions(articles::PriceSelection& selection, articles::PriceChange& change);
    QString readRounding(articles::PriceChange& change);
    QString readSupplierList(std::vector<articles::NewCost>& costs, QString& conditions);
    void showReview(articles::PriceReview review);
    // The article form's pending change on one of the articles under review, in words; empty
    // when there is none.
    QString pendingArticle() const;

    QTabWidget* tabs_;
    QLineEdit *txtProveedor_, *txtMarca_, *txtRubro_, *txtDescripcion_, *txtDesde_, *txtHasta_;
    QLabel *lblProveedor_, *lblMarca_, *lblRubro_;
    QRadioButton *optCosto_, *optLista_, *optRecargo_;
    QComboBox* cboLista_;
    QLineEdit* txtValor_;
    QComboBox* cboRedondeo_;
    QCheckBox* chkHaciaArriba_;
    QLineEdit *txtArchivo_, *txtProveedorLista_, *txtColClave_, *txtColCosto_, *txtPrimeraFila_;
    QLabel* lblProveedorLista_;
    QComboBox* cboClave_;
    QLabel* lblResumen_;
    QTableView *grdVista_, *grdAfuera_;
    ReviewModel* reviewModel_;
    LeftOutModel* leftOutModel_;
    QCheckBox* chkEtiquetas_;
    QPushButton* cmdAplicar_;
    articles::PriceReview review_;
};

// The article form, when open on an article without a pending change, shows its stored prices
// again after a change or an undo stored new ones.
void showStoredPrices();

// Registers the window in the window table.
void registerPriceWindows(WindowRegistry& registry);

}  // namespace prices
