#include "actualizacionprecios.h"

#include <QAbstractTableModel>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>
#include <unordered_set>

#include "articles/articulos.h"
#include "data/catalogue.h"
#include "data/engine.h"
#include "data/numbertext.h"
#include "data/storefiles.h"
#include "forms/lookuphook.h"
#include "historialprecios.h"
#include "importer/pricelist.h"
#include "shell/dialogs.h"
#include "shell/espere.h"
#include "shell/lookupnames.h"
#include "shell/msgbox.h"
#include "shell/windownames.h"
#include "shell/windowregistry.h"

using namespace Qt::StringLiterals;
using namespace articles;

namespace prices {

namespace {

const QString kTitle = u"Actualización de Precios"_s;

QString money(double value) { return numbertext::fixed(value); }

// A box with its caption: the caption is its buddy, so a screen reader names the box by it.
QLineEdit* box(const QString& name, const QString& caption, QGridLayout* grid, int row, int column,
               QWidget* parent)
{
    auto* label = new QLabel(caption, parent);
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    label->setBuddy(edit);
    edit->setAccessibleName(QString(caption).remove(u'&').remove(u':'));
    grid->addWidget(label, row, column);
    grid->addWidget(edit, row, column + 1);
    // Enter moves on, as in every form of the program.
    QObject::connect(edit, &QLineEdit::returnPressed, parent, [edit] {
        QWidget* next = edit->nextInFocusChain();
        while (next != edit &&
               !(next->focusPolicy() & Qt::TabFocus && next->isVisible() && next->isEnabled()))
            next = next->nextInFocusChain();
        next->setFocus(Qt::TabFocusReason);
    });
    return edit;
}

QPushButton* button(const QString& name, const QString& caption, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAccessibleName(QString(caption).remove(u'&'));
    return b;
}

}  // namespace

// ---------------------------------------------------------------- the grids

class ReviewModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;
    void setLines(const std::vector<PriceLine>* lines)
    {
        beginResetModel();
        lines_ = lines;
        endResetModel();
    }
    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() || !lines_ ? 0 : int(lines_->size());
    }
    int columnCount(const QModelIndex& = {}) const override { return 11; }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        static const QStringList captions = {
            u"Código"_s,  u"Descripción"_s,   u"Costo"_s,   u"Costo nuevo"_s,
            u"Lista 1"_s, u"Lista 1 nueva"_s, u"Lista 2"_s, u"Lista 2 nueva"_s,
            u"Lista 3"_s, u"Lista 3 nueva"_s, u"Cambio %"_s};
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
        return captions.value(section);
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role == Qt::TextAlignmentRole)
            return index.column() == 1 ? int(Qt::AlignLeft | Qt::AlignVCenter)
                                       : int(Qt::AlignRight | Qt::AlignVCenter);
        if (role != Qt::DisplayRole) return {};
        const PriceLine& line = (*lines_)[size_t(index.row())];
        switch (index.column()) {
        case 0:
            return numbertext::code(line.codigo, 6);
        case 1:
            return line.descripcion;
        case 2:
            return money(line.before.cos);
        case 3:
            return money(line.after.cos);
        case 10:
            return numbertext::fixed(line.changePercent(), 1);
        default: {
            const size_t list = size_t(index.column() - 4) / 2;
            return money(index.column() % 2 == 0 ? line.before.lis[list] : line.after.lis[list]);
        }
        }
    }

private:
    const std::vector<PriceLine>* lines_ = nullptr;
};

class LeftOutModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;
    struct Row {
        QString where, descripcion, reason;
    };
    void setRows(std::vector<Row> rows)
    {
        beginResetModel();
        rows_ = std::move(rows);
        endResetModel();
    }
    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : int(rows_.size());
    }
    int columnCount(const QModelIndex& = {}) const override { return 3; }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
        return QStringList{u"Artículo o fila"_s, u"Descripción"_s, u"Motivo"_s}.value(section);
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole) return {};
        const Row& row = rows_[size_t(index.row())];
        return QStringList{row.where, row.descripcion, row.reason}.value(index.column());
    }

private:
    std::vector<Row> rows_;
};

// ---------------------------------------------------------------- the window

ActualizacionPrecios::ActualizacionPrecios(QWidget* parent) : QWidget(parent)
{
    setObjectName(windownames::ActualizacionPrecios);
    setWindowTitle(kTitle);
    auto* layout = new QVBoxLayout(this);

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(u"tabOrigen"_s);
    tabs_->addTab(buildConditions(), u"&Por condiciones"_s);
    tabs_->addTab(buildSupplierList(), u"&Lista del proveedor"_s);
    layout->addWidget(tabs_);

    auto* rounding = new QHBoxLayout;
    auto* roundingCaption = new QLabel(u"Re&dondeo de las listas:"_s, this);
    cboRedondeo_ = new QComboBox(this);
    cboRedondeo_->setObjectName(u"cboRedondeo"_s);
    for (const RoundingStep& step : roundingSteps())
        cboRedondeo_->addItem(step.cents == 1 ? step.caption : u"a $ "_s + step.caption,
                              step.cents);
    roundingCaption->setBuddy(cboRedondeo_);
    cboRedondeo_->setAccessibleName(u"Redondeo de las listas"_s);
    chkHaciaArriba_ = new QCheckBox(u"Siempre hacia a&rriba"_s, this);
    chkHaciaArriba_->setObjectName(u"chkHaciaArriba"_s);
    chkHaciaArriba_->setAccessibleName(u"Siempre hacia arriba"_s);
    auto* cmdVistaPrevia = button(u"cmdVistaPrevia"_s, u"&Vista previa"_s, this);
    connect(cmdVistaPrevia, &QPushButton::clicked, this, &ActualizacionPrecios::VistaPrevia);
    rounding->addWidget(roundingCaption);
    rounding->addWidget(cboRedondeo_);
    rounding->addWidget(chkHaciaArriba_);
    rounding->addStretch();
    rounding->addWidget(cmdVistaPrevia);
    layout->addLayout(rounding);

    lblResumen_ = new QLabel(u"Pida la vista previa para ver los cambios."_s, this);
    lblResumen_->setObjectName(u"lblResumen"_s);
    layout->addWidget(lblResumen_);
    grdVista_ = new QTableView(this);
    grdVista_->setObjectName(u"grdVista"_s);
    grdVista_->setAccessibleName(u"Artículos que cambian"_s);
    reviewModel_ = new ReviewModel(this);
    grdVista_->setModel(reviewModel_);
    grdVista_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdVista_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdVista_->verticalHeader()->hide();
    grdVista_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    // Sized from the first screen of rows only: thousands of rows stay quick to show.
    grdVista_->horizontalHeader()->setResizeContentsPrecision(40);
    grdVista_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    layout->addWidget(grdVista_, 3);

    auto* leftOutCaption = new QLabel(u"&Sin cambio:"_s, this);
    grdAfuera_ = new QTableView(this);
    grdAfuera_->setObjectName(u"grdAfuera"_s);
    grdAfuera_->setAccessibleName(u"Sin cambio"_s);
    leftOutCaption->setBuddy(grdAfuera_);
    leftOutModel_ = new LeftOutModel(this);
    grdAfuera_->setModel(leftOutModel_);
    grdAfuera_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdAfuera_->verticalHeader()->hide();
    grdAfuera_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(leftOutCaption);
    layout->addWidget(grdAfuera_, 1);

    auto* actions = new QHBoxLayout;
    chkEtiquetas_ = new QCheckBox(u"&Encolar las etiquetas de los artículos que cambian"_s, this);
    chkEtiquetas_->setObjectName(u"chkEtiquetas"_s);
    chkEtiquetas_->setAccessibleName(u"Encolar las etiquetas de los artículos que cambian"_s);
    chkEtiquetas_->setChecked(true);
    cmdAplicar_ = button(u"cmdAplicar"_s, u"&Aplicar"_s, this);
    cmdAplicar_->setEnabled(false);
    connect(cmdAplicar_, &QPushButton::clicked, this, &ActualizacionPrecios::Aplicar);
    auto* cmdHistorial = button(u"cmdHistorial"_s, u"&Historial"_s, this);
    connect(cmdHistorial, &QPushButton::clicked, this, &ActualizacionPrecios::Historial);
    auto* cmdCerrar = button(u"cmdCerrar"_s, u"&Cerrar"_s, this);
    connect(cmdCerrar, &QPushButton::clicked, this, &QWidget::close);
    actions->addWidget(chkEtiquetas_);
    actions->addStretch();
    actions->addWidget(cmdAplicar_);
    actions->addWidget(cmdHistorial);
    actions->addWidget(cmdCerrar);
    layout->addLayout(actions);
    resize(900, 620);
}

ActualizacionPrecios::~ActualizacionPrecios() = default;

QWidget* ActualizacionPrecios::buildConditions()
{
    auto* page = new QWidget;
    auto* outer = new QHBoxLayout(page);
    auto* which = new QGroupBox(u"Artículos (sin condiciones: todos)"_s, page);
    auto* grid = new QGridLayout(which);
    const auto party = [&](const QString& name, const QString& caption, int row, LookupName dialog,
                           QLabel*& nameLabel) {
        QLineEdit* code = box(name, caption, grid, row, 0, page);
        code->setMaxLength(10);
        forms::lookUpOnEscape(code, dialog);
        nameLabel = new QLabel(page);
        nameLabel->setObjectName(u"lbl"_s + name.mid(3));
        nameLabel->setMinimumWidth(180);
        grid->addWidget(nameLabel, row, 2, 1, 3);
        return code;
    };
    txtProveedor_ =
        party(u"txtProveedor"_s, u"&Proveedor:"_s, 0, lookupnames::ConsuProveedor1, lblProveedor_);
    txtMarca_ = party(u"txtMarca"_s, u"&Marca:"_s, 1, lookupnames::ConsuMarcas1, lblMarca_);
    txtRubro_ = party(u"txtRubro"_s, u"R&ubro:"_s, 2, lookupnames::ConsuRubros1, lblRubro_);
    connect(txtProveedor_, &QLineEdit::textChanged, this, [this] {
        showPartyName(txtProveedor_, lblProveedor_, u"Proveedores.mdb"_s, u"proveedores"_s,
                      u"COD_PROV"_s, u"RAZON_SOC"_s);
    });
    connect(txtMarca_, &QLineEdit::textChanged, this, [this] {
        showPartyName(txtMarca_, lblMarca_, u"Marcas.mdb"_s, u"rubros"_s, u"COD_RUB"_s,
                      u"DESCRI"_s);
    });
    connect(txtRubro_, &QLineEdit::textChanged, this, [this] {
        showPartyName(txtRubro_, lblRubro_, u"Rubros.mdb"_s, u"rubros"_s, u"COD_RUB"_s,
                      u"DESCRI"_s);
    });
    txtDescripcion_ = box(u"txtDescripcion"_s, u"Descripción &contiene:"_s, grid, 3, 0, page);
    grid->addWidget(txtDescripcion_, 3, 1, 1, 4);
    txtDesde_ = box(u"txtDesde"_s, u"Códigos &desde:"_s, grid, 4, 0, page);
    txtHasta_ = box(u"txtHasta"_s, u"&hasta:"_s, grid, 4, 2, page);
    outer->addWidget(which, 3);

    auto* what = new QGroupBox(u"Qué cambia"_s, page);
    auto* rules = new QGridLayout(what);
    optCosto_ = new QRadioButton(u"C&osto en un porcentaje"_s, what);
    optLista_ = new QRadioButton(u"Precio de una lis&ta en un porcentaje"_s, what);
    optRecargo_ = new QRadioButton(u"Recar&go de una lista"_s, what);
    int row = 0;
    for (auto [option, name] : {std::pair{optCosto_, u"optCosto"_s},
                                {optLista_, u"optLista"_s},
                                {optRecargo_, u"optRecargo"_s}}) {
        option->setObjectName(name);
        option->setAccessibleName(option->text().remove(u'&'));
        rules->addWidget(option, row++, 0, 1, 2);
    }
    optCosto_->setChecked(true);
    auto* listCaption = new QLabel(u"Li&sta:"_s, what);
    cboLista_ = new QComboBox(what);
    cboLista_->setObjectName(u"cboLista"_s);
    cboLista_->addItems({u"1"_s, u"2"_s, u"3"_s});
    cboLista_->setAccessibleName(u"Lista"_s);
    listCaption->setBuddy(cboLista_);
    rules->addWidget(listCaption, row, 0);
    rules->addWidget(cboLista_, row++, 1);
    txtValor_ = box(u"txtValor"_s, u"Porcentaje o rec&argo (%):"_s, rules, row, 0, what);
    const auto listMatters = [this] { cboLista_->setEnabled(!optCosto_->isChecked()); };
    connect(optCosto_, &QRadioButton::toggled, this, listMatters);
    listMatters();
    outer->addWidget(what, 2);
    return page;
}

QWidget* ActualizacionPrecios::buildSupplierList()
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    txtArchivo_ = box(u"txtArchivo"_s, u"Arc&hivo:"_s, grid, 0, 0, page);
    auto* cmdElegir = button(u"cmdElegir"_s, u"&Elegir..."_s, page);
    connect(cmdElegir, &QPushButton::clicked, this, &ActualizacionPrecios::ElegirArchivo);
    grid->addWidget(cmdElegir, 0, 2);
    txtProveedorLista_ = box(u"txtProveedorLista"_s, u"&Proveedor:"_s, grid, 1, 0, page);
    forms::lookUpOnEscape(txtProveedorLista_, lookupnames::ConsuProveedor1);
    lblProveedorLista_ = new QLabel(page);
    lblProveedorLista_->setObjectName(u"lblProveedorLista"_s);
    grid->addWidget(lblProveedorLista_, 1, 2, 1, 2);
    connect(txtProveedorLista_, &QLineEdit::textChanged, this, [this] {
        showPartyName(txtProveedorLista_, lblProveedorLista_, u"Proveedores.mdb"_s,
                      u"proveedores"_s, u"COD_PROV"_s, u"RAZON_SOC"_s);
    });
    auto* keyCaption = new QLabel(u"La &clave es:"_s, page);
    cboClave_ = new QComboBox(page);
    cboClave_->setObjectName(u"cboClave"_s);
    cboClave_->addItems({u"el código de barras"_s, u"el código del artículo"_s});
    cboClave_->setAccessibleName(u"La clave es"_s);
    keyCaption->setBuddy(cboClave_);
    grid->addWidget(keyCaption, 2, 0);
    grid->addWidget(cboClave_, 2, 1);
    txtColClave_ = box(u"txtColClave"_s, u"Columna de la cla&ve (A, B...):"_s, grid, 3, 0, page);
    txtColCosto_ = box(u"txtColCosto"_s, u"Columna del c&osto:"_s, grid, 4, 0, page);
    txtPrimeraFila_ = box(u"txtPrimeraFila"_s, u"Primera &fila de datos:"_s, grid, 5, 0, page);
    txtColClave_->setText(u"A"_s);
    txtColCosto_->setText(u"B"_s);
    txtPrimeraFila_->setText(u"2"_s);
    grid->setColumnStretch(3, 1);
    return page;
}

void ActualizacionPrecios::showPartyName(QLineEdit* code, QLabel* name, const QString& fileName,
                                         const QString& table, const QString& codeField,
                                         const QString& nameField)
{
    const QString stored = storedPartyCode(code->text());
    if (stored.isEmpty()) {
        name->clear();
        return;
    }
    try {
        const QList<QVariantList> rows = catalogue::open(fileName)->Select(
            u"SELECT \"%1\" FROM \"%2\" WHERE \"%3\" = ?1"_s.arg(nameField, table, codeField),
            {stored});
        name->setText(rows.isEmpty() ? u"(no existe)"_s : rows[0].value(0).toString());
    } catch (const EngineError& error) {
        name->setText(u"(Error %1)"_s.arg(error.number()));
    }
}

QString ActualizacionPrecios::readRounding(PriceChange& change)
{
    change.stepCents = cboRedondeo_->currentData().toLongLong();
    change.direction =
        chkHaciaArriba_->isChecked() ? RoundingDirection::Up : RoundingDirection::Nearest;
    if (chkHaciaArriba_->isChecked() && change.stepCents <= 1)
        return u"Para redondear siempre hacia arriba elija un redondeo."_s;
    return QString();
}

QString ActualizacionPrecios::readConditions(PriceSelection& selection, PriceChange& change)
{
    selection.supplier = storedPartyCode(txtProveedor_->text());
    selection.brand = storedPartyCode(txtMarca_->text());
    selection.category = storedPartyCode(txtRubro_->text());
    selection.description = txtDescripcion_->text().trimmed();
    for (auto [edit, into] :
         {std::pair{txtDesde_, &selection.fromCode}, {txtHasta_, &selection.toCode}}) {
        if (edit->text().trimmed().isEmpty()) continue;
        bool ok = false;
        const qint64 code = edit->text().trimmed().toLongLong(&ok);
        if (!ok || code < 0) {
            edit->setFocus();
            return u"\"%1\" no es un código de artículo."_s.arg(edit->text());
        }
        *into = code;
    }
    const std::optional<double> value = numbertext::parse(txtValor_->text());
    if (!value) {
        txtValor_->setFocus();
        return txtValor_->text().trimmed().isEmpty()
                   ? u"Escriba el porcentaje o el recargo."_s
                   : u"\"%1\" no es un número."_s.arg(txtValor_->text());
    }
    change.kind = optCosto_->isChecked()   ? PriceChangeKind::CostPercent
                  : optLista_->isChecked() ? PriceChangeKind::ListPercent
                                           : PriceChangeKind::ListSurcharge;
    change.list = cboLista_->currentIndex() + 1;
    change.value = *value;
    return readRounding(change);
}

// A column as a spreadsheet names it ("A", "AB") or by its number from 1; -1 when neither.
static int columnIndex(const QString& text)
{
    const QString t = text.trimmed().toUpper();
    bool ok = false;
    const int number = t.toInt(&ok);
    if (ok) return number >= 1 ? number - 1 : -1;
    if (t.isEmpty() || t.size() > 3) return -1;
    int column = 0;
    for (QChar c : t) {
        if (c < u'A' || c > u'Z') return -1;
        column = column * 26 + (c.unicode() - u'A' + 1);
    }
    return column - 1;
}

QString ActualizacionPrecios::readSupplierList(std::vector<NewCost>& costs, QString& conditions)
{
    const QString path = txtArchivo_->text().trimmed();
    if (path.isEmpty()) return u"Elija el archivo de la lista."_s;
    const int keyColumn = columnIndex(txtColClave_->text()),
              costColumn = columnIndex(txtColCosto_->text());
    if (keyColumn < 0)
        return u"\"%1\" no es una columna (A, B... o 1, 2...)."_s.arg(txtColClave_->text());
    if (costColumn < 0)
        return u"\"%1\" no es una columna (A, B... o 1, 2...)."_s.arg(txtColCosto_->text());
    bool ok = false;
    const int firstRow = txtPrimeraFila_->text().trimmed().toInt(&ok);
    if (!ok || firstRow < 1) return u"La primera fila de datos es un número desde 1."_s;
    const QString supplier = storedPartyCode(txtProveedorLista_->text());

    const pricelist::Sheet sheet = pricelist::read(path);
    const pricelist::Matching matching = pricelist::match(
        *catalogue::open(u"Articulos.mdb"_s), sheet, firstRow - 1, keyColumn,
        cboClave_->currentIndex() == 0 ? pricelist::Key::Barcode : pricelist::Key::Code, costColumn,
        supplier);
    for (const pricelist::Match& m : matching.matched) costs.push_back({m.codigo, m.newCost});
    std::vector<LeftOutModel::Row> rejected;
    for (const pricelist::Rejected& r : matching.rejected)
        rejected.push_back({u"fila %1"_s.arg(r.row), QString(), r.reason});
    conditions = u"lista %1%2"_s.arg(QFileInfo(path).fileName(),
                                     supplier.isEmpty() ? QString() : u", proveedor "_s + supplier);
    leftOutModel_->setRows(std::move(rejected));
    return QString();
}

void ActualizacionPrecios::VistaPrevia()
{
    EspereMientras wait(this);
    try {
        PriceReview review;
        if (tabs_->currentIndex() == 0) {
            PriceSelection selection;
            PriceChange change;
            if (const QString problem = readConditions(selection, change); !problem.isEmpty()) {
                MsgBox(problem, vbExclamation, kTitle, this);
                return;
            }
            review = reviewPriceChange(*catalogue::open(u"Articulos.mdb"_s), selection, change);
        } else {
            PriceChange rounding;
            std::vector<NewCost> costs;
            QString conditions;
            QString problem = readRounding(rounding);
            if (problem.isEmpty()) problem = readSupplierList(costs, conditions);
            if (!problem.isEmpty()) {
                MsgBox(problem, vbExclamation, kTitle, this);
                return;
            }
            review =
                reviewNewCosts(*catalogue::open(u"Articulos.mdb"_s), costs, rounding, conditions);
        }
        showReview(std::move(review));
    } catch (const EngineError& error) {
        ShowErrorBox(error, this);
    }
}

void ActualizacionPrecios::showReview(PriceReview review)
{
    const bool fromList = tabs_->currentIndex() == 1;
    review_ = std::move(review);
    reviewModel_->setLines(&review_.lines);
    std::vector<LeftOutModel::Row> leftOut;
    if (fromList) {
        // The rows of the list that matched no article stay listed above the articles left out.
        for (int r = 0; r < leftOutModel_->rowCount(); ++r)
            leftOut.push_back({leftOutModel_->index(r, 0).data().toString(),
                               leftOutModel_->index(r, 1).data().toString(),
                               leftOutModel_->index(r, 2).data().toString()});
    }
    for (const LeftOutArticle& a : review_.leftOut)
        leftOut.push_back({numbertext::code(a.codigo, 6), a.descripcion, a.reason});
    leftOutModel_->setRows(std::move(leftOut));
    lblResumen_->setText(
        u"%1 artículos cambian; %2 quedan sin cambio. Suma de la lista 1: antes $ %3, después "
        u"$ %4."_s.arg(review_.lines.size())
            .arg(leftOutModel_->rowCount())
            .arg(money(review_.list1Before), money(review_.list1After)));
    cmdAplicar_->setEnabled(!review_.lines.empty());
    if (!review_.lines.empty()) grdVista_->setFocus();
}

QString ActualizacionPrecios::pendingArticle() const
{
    const auto* form =
        qobject_cast<Articulos*>(WindowRegistry::instance().openWindow(windownames::Articulos));
    if (!form || !form->pending() || form->newArticle()) return QString();
    const std::optional<qint64> code = form->shownArticle();
    if (!code) return QString();
    for (const PriceLine& line : review_.lines)
        if (line.codigo == *code)
            return u"%1 (%2)"_s.arg(numbertext::code(*code, 6), line.descripcion);
    return QString();
}

void ActualizacionPrecios::Aplicar()
{
    if (review_.lines.empty()) {
        MsgBox(u"No hay precios para actualizar: pida la vista previa."_s, vbExclamation, kTitle,
               this);
        return;
    }
    if (const QString pending = pendingArticle(); !pending.isEmpty()) {
        MsgBox(
            u"El artículo %1 tiene cambios sin grabar en la ventana de Artículos.\n"
            u"Grábelos o cancélelos antes de actualizar los precios."_s.arg(pending),
            vbExclamation, kTitle, this);
        return;
    }
    if (MsgBox(u"¿Actualiza los precios de %1 artículos?"_s.arg(review_.lines.size()),
               vbYesNo | vbQuestion, kTitle, this) != MsgBoxResult::Yes)
        return;
    AppliedChange applied;
    try {
        EspereMientras wait(this);
        applied = applyPriceChange(review_, storefiles::activeUser(), chkEtiquetas_->isChecked());
    } catch (const PriceChangeRefused& refused) {
        MsgBox(refused.message(), vbExclamation, kTitle, this);
        return;
    } catch (const EngineError& error) {
        ShowErrorBox(error, this);
        return;
    }
    showStoredPrices();
    // What is stored is no longer a review: a second Aplicar must not find it.
    showReview({});
    lblResumen_->setText(u"Actualización número %1 guardada."_s.arg(applied.number));
    QString done = u"Se actualizaron los precios de %1 artículos (actualización número %2)."_s
                       .arg(applied.articles)
                       .arg(applied.number);
    if (chkEtiquetas_->isChecked())
        done += u"\nEtiquetas: %1 nuevas en la cola, %2 con el precio nuevo."_s
                    .arg(applied.labelsQueued)
                    .arg(applied.labelsUpdated);
    MsgBox(done, vbInformation, kTitle, this);
    if (MsgBox(u"Las cajas tienen los precios anteriores hasta que se les copie Articulos.\n"
               u"¿Actualiza ahora las cajas?"_s,
               vbYesNo | vbQuestion, kTitle, this) == MsgBoxResult::Yes)
        WindowRegistry::instance().show(windownames::Actualizar);
}

void ActualizacionPrecios::ElegirArchivo()
{
    const QString path =
        ChooseFileToOpen(u"Lista de precios del proveedor"_s,
                         u"Planillas (*.csv *.xlsx *.ods);;Todos los archivos (*)"_s, this);
    if (!path.isEmpty()) txtArchivo_->setText(path);
}

void ActualizacionPrecios::Historial()
{
    auto* history = findChild<HistorialPrecios*>();
    if (!history) history = new HistorialPrecios(this);
    history->refresh();
    history->show();
    history->raise();
    history->activateWindow();
}

void showStoredPrices()
{
    if (auto* form =
            qobject_cast<Articulos*>(WindowRegistry::instance().openWindow(windownames::Articulos)))
        form->showStoredAgain();
}

void registerPriceWindows(WindowRegistry& registry)
{
    registry.add({windownames::ActualizacionPrecios, WindowPlace::InFrame, QPoint(300, 300),
                  [] { return new ActualizacionPrecios; }});
}

}  // namespace prices
