#include "articulos.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDate>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <array>

#include "articlesave.h"
#include "data/datacontrol.h"
#include "data/storelocale.h"
#include "forms/formbuttons.h"
#include "forms/formparts.h"
#include "forms/lookuphook.h"
#include "forms/recordform.h"
#include "forms/textbox.h"
#include "ivapass.h"
#include "shell/colours.h"
#include "shell/msgbox.h"
#include "shell/twips.h"
#include "shell/windownames.h"
#include "shell/windowregistry.h"

using namespace Qt::StringLiterals;
using articles::ArticleField;
using articles::Unit;
using F = articles::ArticleField;

namespace {

// A box filled for reading shows the start of a long text, as a name is read, not its end
// (where setText leaves the cursor); the box being typed into keeps its cursor.
void showStart(QLineEdit* box)
{
    if (!box->hasFocus()) box->setCursorPosition(0);
}

// Each box and the caption it is heard by; where two boxes share a caption (a code and its
// name), the caption says which.
constexpr std::array<std::pair<const char16_t*, const char16_t*>, 25> kSpokenNames = {{
    {u"Text19", u"Ultima Actual.:"},
    {u"Text18", u"Fecha:"},
    {u"Text1", u"Cod Interno:"},
    {u"Text2", u"Cod.Barra:"},
    {u"Text3", u"Descripcion:"},
    {u"Text4", u"Proveedor: código"},
    {u"Text5", u"Proveedor: nombre"},
    {u"Text6", u"Marca: código"},
    {u"Text7", u"Marca: nombre"},
    {u"Text8", u"Rubro: código"},
    {u"Text9", u"Rubro: nombre"},
    {u"Text10", u"NETO:  $"},
    {u"Text11", u"IVA:  %"},
    {u"Text12", u"COSTO:  $"},
    {u"Text13", u"Deposito 1"},
    {u"Text14", u"Deposito 2"},
    {u"Text15", u"Deposito 3"},
    {u"Text16", u"Stock Min."},
    {u"Text17", u"Pedido:"},
    {u"Text20", u"Lista de Precio 1: Recargo:  %"},
    {u"Text21", u"Lista de Precio 1: LISTA: $"},
    {u"Text22", u"Lista de Precio 2: Recargo:  %"},
    {u"Text23", u"Lista de Precio 2: LISTA: $"},
    {u"Text24", u"Lista de Precio 3: Recargo:  %"},
    {u"Text25", u"Lista de Precio 3: LISTA: $"},
}};

const QColor kFocusColour(192, 255, 255);
const QColor kPlainColour(255, 255, 255);
const QColor kPriceColour(224, 224, 224);
const QPoint kPlaceTwips(2900, 0);

constexpr int kUpper = forms::UpperCase;
constexpr int kNumber = forms::UpperCase | forms::DecimalComma;

enum class OnEnter { SearchCode, SearchBarcode, Select, Related, ZeroThenSelect, Price, Tab, Surcharge, Nothing };

// What each entry field does with typing, Enter, Esc and the arrows.
struct FieldKeysDef {
    const char16_t* control;
    int flags;
    OnEnter enter;
    const char16_t* next;    // the field Enter selects (Select, Related: the name field, ZeroThenSelect, Surcharge)
    const char16_t* lookup;  // the dialog Esc opens
    const char16_t* up;
    const char16_t* down;    // nullptr: the key does nothing
};

const std::array<FieldKeysDef, 23>& fieldKeys()
{
    using E = OnEnter;
    static const std::array<FieldKeysDef, 23> keys = {{
        {u"Text1", kUpper, E::SearchCode, u"Text2", u"ConsArticulo", u"Text16", u"Text2"},
        {u"Text2", kUpper, E::SearchBarcode, u"Text3", u"ConsArticuloPro", u"Text1", u"Text3"},
        {u"Text3", kUpper, E::Select, u"Text4", nullptr, u"Text2", u"Text4"},
        {u"Text4", kNumber, E::Related, u"Text5", u"ConsuProveedor1", u"Text3", u"Text9"},
        {u"Text5", kUpper, E::Select, u"Text6", nullptr, u"Text9", u"Text6"},
        {u"Text6", kNumber, E::Related, u"Text7", u"ConsuMarcas1", u"Text5", u"Text7"},
        {u"Text7", kUpper, E::Select, u"Text8", nullptr, u"Text6", u"Text8"},
        {u"Text8", kNumber, E::Related, u"Text9", u"ConsuRubros1", u"Text7", u"Text10"},
        // The category description sits between the supplier code and name for the arrows.
        {u"Text9", kUpper, E::Select, u"Text10", nullptr, u"Text4", u"Text5"},
        {u"Text10", kNumber, E::ZeroThenSelect, u"Text11", nullptr, u"Text8", u"Text11"},
        {u"Text11", kNumber, E::ZeroThenSelect, u"Text12", nullptr, u"Text10", u"Text12"},
        {u"Text12", kNumber, E::Price, nullptr, nullptr, u"Text11", u"Option1"},
        {u"Text13", kNumber, E::Tab, nullptr, nullptr, u"Option4", u"Text14"},
        {u"Text14", kNumber, E::Tab, nullptr, nullptr, u"Text13", u"Text15"},
        {u"Text15", kNumber, E::Tab, nullptr, nullptr, u"Text14", u"Text16"},
        {u"Text16", kNumber, E::Tab, nullptr, nullptr, u"Text15", u"Text17"},
        {u"Text17", 0, E::Tab, nullptr, nullptr, u"Text16", u"Text20"},
        {u"Text20", kNumber, E::Surcharge, u"Text21", nullptr, u"Text17", u"Text21"},
        {u"Text21", kNumber, E::Tab, nullptr, nullptr, u"Text20", u"Text22"},
        {u"Text22", kNumber, E::Surcharge, u"Text23", nullptr, u"Text21", u"Text23"},
        {u"Text23", kNumber, E::Tab, nullptr, nullptr, u"Text22", u"Text24"},
        {u"Text24", kNumber, E::Surcharge, u"Text25", nullptr, u"Text23", u"Text25"},
        {u"Text25", 0, E::Nothing, nullptr, nullptr, u"Text24", nullptr},
    }};
    return keys;
}

const FieldKeysDef* keysOf(const QString& control)
{
    for (const FieldKeysDef& k : fieldKeys())
        if (control == QStringView(k.control)) return &k;
    return nullptr;
}

// The supplier, brand and category codes: which binding and column fill the name.
struct RelatedDef {
    const char16_t* code;
    const char16_t* binding;
    const char16_t* index;
    const char16_t* nameColumn;
};
constexpr std::array<RelatedDef, 3> kRelated = {{
    {u"Text4", u"Data2", u"COD_PROV", u"RAZON_SOC"},
    {u"Text6", u"Data3", u"COD_RUB", u"DESCRI"},
    {u"Text8", u"Data4", u"COD_RUB", u"DESCRI"},
}};

struct UnitPromptDef {
    Unit unit;
    const char16_t* prompt;
};
constexpr std::array<UnitPromptDef, 4> kUnitPrompts = {{
    {Unit::Unidades, u"UNIDAD DE MEDIDA EN UNIDADES, [ENTER] PARA CONTINUAR."},
    {Unit::Kilos, u"UNIDAD DE MEDIDA EN KILOS, [ENTER] PARA CONTINUAR."},
    {Unit::Litros, u"UNIDAD DE MEDIDA EN LITROS, [ENTER] PARA CONTINUAR."},
    {Unit::Metros, u"UNIDAD DE MEDIDA EN METROS, [ENTER] PARA CONTINUAR."},
}};

// The fields Bloquear makes read-only.
constexpr std::array kLocked = {F::Descripcion, F::CodP, F::DesP, F::CodM, F::DesM, F::CodR,
                                F::Net,         F::Iva,  F::Cos,  F::Dep1, F::Dep2, F::Dep3,
                                F::Min,         F::Ped,  F::Rec1, F::Lis1, F::Rec2, F::Lis2,
                                F::Rec3,        F::Lis3};

void setBase(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, colour);
    widget->setPalette(palette);
}

QString today() { return storelocale::shortDate(QDate::currentDate()); }

// The size of a label sized to `text` in `font`. The form's captions are the same at every
// build, so each is measured (its text laid out) once for its font.
QSize captionSize(const QFont& font, const QString& text)
{
    static QHash<std::pair<QFont, QString>, QSize> measured;
    const std::pair<QFont, QString> key(font, text);
    if (const auto at = measured.constFind(key); at != measured.constEnd()) return *at;
    // The fonts go with the application, before the program's own statics.
    if (measured.isEmpty()) qAddPostRoutine([] { measured.clear(); });
    QLabel probe(text);
    probe.setFont(font);
    probe.adjustSize();
    return *measured.insert(key, probe.size());
}

// A frame that paints its own captions, each as a label sized to its text would show it there:
// a label widget per caption costs more to build, show and delete than the painting.
class CaptionedFrame : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

    void addCaption(const QString& text, QPoint at) { captions_.push_back({text, QRect(at, captionSize(font(), text))}); }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QGroupBox::paintEvent(event);
        QPainter painter(this);
        for (const auto& [text, rect] : captions_)
            if (rect.intersects(event->rect()))
                style()->drawItemText(&painter, rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextForceLeftToRight,
                                      palette(), isEnabled(), text, QPalette::WindowText);
    }

private:
    std::vector<std::pair<QString, QRect>> captions_;
};

// The form's size as designed, which a form opened afresh has.
QSize designedSize() { return twips::size(9405, 6495); }

}  // namespace

// ---------------------------------------------------------------- building

Articulos::Articulos(QWidget* parent)
    : QWidget(parent),
      model_(new articles::ArticleModel(this)),
      Data1(new Data(this, RecordsetType::Table)),
      Data2(new Data(this, RecordsetType::Table)),
      Data3(new Data(this, RecordsetType::Table)),
      Data4(new Data(this, RecordsetType::Table))
{
    Data1->setObjectName(u"Data1"_s);
    Data2->setObjectName(u"Data2"_s);
    Data3->setObjectName(u"Data3"_s);
    Data4->setObjectName(u"Data4"_s);
    setObjectName(windownames::Articulos);
    setWindowTitle(u"Articulos"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    build();
    bind();
}

Articulos::~Articulos() { files_.release(); }

void Articulos::build()
{
    resize(designedSize());
    colours::fill(this, colours::kOlive);
    // The captions were laid out for an 8-point font.
    QFont small = font();
    small.setPointSize(8);
    // Upper-case Latin text and numbers need no shaping; laying out each shown text without it
    // is most of what showing an article costs.
    small.setStyleStrategy(QFont::PreferNoShaping);
    setFont(small);

    auto caption = [](CaptionedFrame* frame, const QString& text, int left, int top) {
        frame->addCaption(text, twips::point(left, top));
    };
    auto field = [](QWidget* parent, const QString& name, int left, int top, int width, int height = 315) {
        auto* e = new forms::TextBox(parent);
        e->setObjectName(name);
        e->setGeometry(twips::rect(left, top, width, height));
        return e;
    };
    auto group = [this](const QString& name, const QString& title, int left, int top, int width, int height) {
        auto* g = new CaptionedFrame(title, this);
        g->setObjectName(name);
        g->setGeometry(twips::rect(left, top, width, height));
        return g;
    };
    // Each search button opens its lookup dialog for the field beside it.
    auto search = [this](QWidget* parent, const QString& name, int left, int top, const QString& dialog,
                         const QString& target) {
        QPushButton* b = forms::makePictureButton(name, parent);
        b->setGeometry(twips::rect(left, top, 375, 375));
        connect(b, &QPushButton::clicked, this, [this, dialog, target] {
            forms::openLookup(dialog, findChild<QLineEdit*>(target), this, forms::LookupTrigger::LookupButton);
        });
    };

    // Top line: the change date, the date and the IVA fill-in button.
    auto* changed = new QLabel(u"Ultima Actual.:"_s, this);
    changed->setGeometry(QRect(twips::point(120, 30), captionSize(changed->font(), changed->text())));
    Text19 = field(this, u"Text19"_s, 1320, 0, 1215, 255);
    Text18 = field(this, u"Text18"_s, 7800, 0, 1215, 255);
    Text19->setEnabled(false);
    Text18->setEnabled(false);
    auto* iva = new QPushButton(this);
    iva->setObjectName(u"Command1"_s);
    iva->setGeometry(twips::rect(9120, 0, 255, 255));
    iva->setIcon(forms::standardIcon(iva, QStyle::SP_BrowserReload));
    iva->setToolTip(u"IVA 21"_s);
    connect(iva, &QPushButton::clicked, this, &Articulos::rellenarIva);

    CaptionedFrame* datos = group(u"Frame1"_s, u"Datos:"_s, 120, 240, 9165, 2175);
    caption(datos, u"Cod Interno:"_s, 120, 300);
    search(datos, u"cmdBuscar1"_s, 1140, 240, u"ConsArticulo"_s, u"Text1"_s);
    Text1 = field(datos, u"Text1"_s, 1560, 270, 1335);
    caption(datos, u"Cod.Barra:"_s, 3060, 300);
    search(datos, u"cmdBuscar4"_s, 3960, 240, u"ConsArticuloPro"_s, u"Text2"_s);
    Text2 = field(datos, u"Text2"_s, 4380, 270, 3255);
    caption(datos, u"Descripcion:"_s, 120, 780);
    Text3 = field(datos, u"Text3"_s, 1560, 750, 6075);
    caption(datos, u"Proveedor:"_s, 120, 1260);
    search(datos, u"cmdBuscar2"_s, 1140, 1200, u"ConsuProveedor1"_s, u"Text4"_s);
    field(datos, u"Text4"_s, 1560, 1230, 735);
    field(datos, u"Text5"_s, 2340, 1230, 2295);
    caption(datos, u"Marca:"_s, 4740, 1260);
    search(datos, u"cmdBuscar3"_s, 5400, 1200, u"ConsuMarcas1"_s, u"Text6"_s);
    field(datos, u"Text6"_s, 5820, 1230, 615);
    field(datos, u"Text7"_s, 6480, 1230, 1155);
    caption(datos, u"Rubro:"_s, 120, 1740);
    search(datos, u"cmdBuscar5"_s, 1140, 1680, u"ConsuRubros1"_s, u"Text8"_s);
    field(datos, u"Text8"_s, 1560, 1710, 735);
    field(datos, u"Text9"_s, 2340, 1710, 2295);
    auto browseButton = [&](const QString& name, const QString& caption, QStyle::StandardPixmap picture, int top) {
        auto* b = forms::makeCommandButton({name, caption, picture}, datos);
        b->setGeometry(twips::rect(7800, top, 1215, 735));
        return b;
    };
    QPushButton* siguiente = browseButton(u"cmdSiguiente"_s, u"&Siguiente"_s, QStyle::SP_ArrowForward, 240);
    QPushButton* anterior = browseButton(u"cmdAnterior"_s, u"&Anterior"_s, QStyle::SP_ArrowBack, 1080);
    connect(siguiente, &QPushButton::clicked, this, [this] { browse(1); });
    connect(anterior, &QPushButton::clicked, this, [this] { browse(-1); });

    CaptionedFrame* articulo = group(u"Frame2"_s, u"Articulo:"_s, 120, 2400, 9165, 1695);
    caption(articulo, u"NETO:  $"_s, 120, 330);
    field(articulo, u"Text10"_s, 1020, 300, 1095);
    caption(articulo, u"IVA:  %"_s, 120, 750);
    field(articulo, u"Text11"_s, 1020, 720, 1095);
    caption(articulo, u"COSTO:  $"_s, 120, 1170);
    Text12 = field(articulo, u"Text12"_s, 1020, 1140, 1095);
    caption(articulo, u"Unidad de Medida:"_s, 2280, 240);
    // Top to bottom in tab order.
    const std::array<std::pair<Unit, int>, 4> options = {{{Unit::Unidades, 510}, {Unit::Litros, 780},
                                                         {Unit::Kilos, 1050}, {Unit::Metros, 1320}}};
    for (const auto& [unit, top] : options) {
        const articles::UnitDef& u = articles::def(unit);
        auto* option = new QRadioButton(QString::fromUtf16(u.option), articulo);
        option->setObjectName(QString::fromUtf16(u.control));
        option->setGeometry(twips::rect(2400, top, 1335, 255));
        option->installEventFilter(this);
    }
    for (int i = 0; i < 3; ++i) {
        const int top = 300 + 420 * i;
        caption(articulo, u"Deposito %1"_s.arg(i + 1), 3960, top + 30);
        field(articulo, u"Text%1"_s.arg(13 + i), 4920, top, 975);
        auto* unit = new QLabel(articulo);
        unit->setObjectName(u"lblUnidad%1"_s.arg(i + 1));
        unit->setGeometry(twips::rect(5940, top + 30, 375, 255));
    }
    caption(articulo, u"Stock Min."_s, 6540, 330);
    field(articulo, u"Text16"_s, 7560, 300, 1215);
    caption(articulo, u"Pedido:"_s, 6540, 750);
    field(articulo, u"Text17"_s, 7560, 720, 1215);

    for (int list = 0; list < 3; ++list) {
        CaptionedFrame* g = group(u"Frame%1"_s.arg(3 + list), u"Lista de Precio %1:"_s.arg(list + 1),
                             120 + 3075 * list, 4200, 3015, 1095);
        caption(g, u"Recargo:  %"_s, 120, 330);
        field(g, u"Text%1"_s.arg(20 + 2 * list), 1380, 300, 1455);
        caption(g, u"LISTA: $"_s, 120, 720);
        QLineEdit* price = field(g, u"Text%1"_s.arg(21 + 2 * list), 1380, 660, 1455, 375);
        QPalette palette = price->palette();
        palette.setColor(QPalette::Base, kPriceColour);
        palette.setColor(QPalette::Text, Qt::red);
        price->setPalette(palette);
        QFont font = price->font();
        font.setPointSize(12);
        font.setBold(true);
        price->setFont(font);
    }

    const std::array<forms::CommandButton, 5> commands = {{
        {u"cmdModificar"_s, u"&Modificar"_s, QStyle::SP_FileDialogDetailedView},
        forms::commandButtons()[0], forms::commandButtons()[1], forms::commandButtons()[2],
        forms::commandButtons()[3],
    }};
    const std::array<void (Articulos::*)(), 5> actions = {&Articulos::modificar, &Articulos::nuevo,
                                                          &Articulos::grabar, &Articulos::eliminar,
                                                          &Articulos::cerrar};
    std::vector<QPushButton*> row;
    for (size_t i = 0; i < commands.size(); ++i) {
        QPushButton* b = forms::makeCommandButton(commands[i], this);
        b->setGeometry(twips::rect(120 + 1860 * int(i), 5400, 1695, 735));
        connect(b, &QPushButton::clicked, this, [this, action = actions[i]] { (this->*action)(); });
        row.push_back(b);
    }

    // The prompt line lies below the first client area; it shows when the window is made taller.
    prompt_ = new QLabel(this);
    prompt_->setObjectName(u"lblMensaje"_s);
    prompt_->setGeometry(twips::rect(120, 6720, 9135, 255));
    colours::fill(prompt_, QColor(255, 255, 192), Qt::red);

    // Further down still: open the supplier and category forms.
    CaptionedFrame* agregar = group(u"Frame6"_s, u"Agregar"_s, 120, 7200, 4215, 855);
    auto opener = [agregar](const QString& name, const QString& caption, WindowName window,
                            int left) {
        auto* b = new QPushButton(caption, agregar);
        b->setObjectName(name);
        // Below the form's visible area until the window is made taller: Tab does not stop
        // there, and their accelerators and a click still press them.
        b->setFocusPolicy(Qt::ClickFocus);
        b->setGeometry(twips::rect(left, 300, 1815, 435));
        connect(b, &QPushButton::clicked, b, [window] { WindowRegistry::instance().show(window); });
    };
    opener(u"cmdProveedor"_s, u"&Proveedor"_s, windownames::Proveedores, 120);
    opener(u"cmdRubro"_s, u"&Rubro"_s, windownames::Rubros, 2040);

    // Every named control, looked up once.
    for (QWidget* w : findChildren<QWidget*>())
        if (!w->objectName().isEmpty()) named_.insert(w->objectName(), w);
    Option1 = qobject_cast<QRadioButton*>(named(u"Option1"));
    Text13 = qobject_cast<QLineEdit*>(named(u"Text13"));
    // The frames paint the captions, so each box carries its caption for a screen reader (or
    // it would be heard by its frame's title alone).
    for (const auto& [box, spoken] : kSpokenNames) named(box)->setAccessibleName(QString::fromUtf16(spoken));

    // Tab order: the entry fields as listed, the units as Unidades, Litros, Kilos, Metros, then
    // the buttons.
    for (const char16_t* name : {u"Text1", u"Text2", u"Text3", u"Text4", u"Text5", u"Text6", u"Text7",
                                 u"Text8", u"Text9", u"Text10", u"Text11", u"Text12", u"Option1",
                                 u"Option3", u"Option2", u"Option4", u"Text13", u"Text14", u"Text15",
                                 u"Text16", u"Text17", u"Text20", u"Text21", u"Text22", u"Text23",
                                 u"Text24", u"Text25"})
        tabOrder_.push_back(named(name));
    tabOrder_.push_back(siguiente);
    tabOrder_.push_back(anterior);
    tabOrder_.insert(tabOrder_.end(), row.begin(), row.end());
    for (size_t i = 1; i < tabOrder_.size(); ++i) setTabOrder(tabOrder_[i - 1], tabOrder_[i]);
}

void Articulos::bind()
{
    for (const articles::ArticleFieldDef& s : articles::fieldDefs()) {
        auto* e = qobject_cast<QLineEdit*>(named(s.control));
        Q_ASSERT(e);
        edits_[size_t(s.field)] = e;
        const ArticleField field = s.field;
        connect(e, &QLineEdit::textChanged, model_, [this, field](const QString& text) { model_->setText(field, text); });
        e->installEventFilter(this);
    }
    connect(model_, &articles::ArticleModel::textChanged, this, [this](ArticleField field) {
        QLineEdit* e = edit(field);
        if (e->text() != model_->text(field)) {
            e->setText(model_->text(field));
            showStart(e);
        }
    });
    for (int i = 0; i < 3; ++i) unitCaptions_[size_t(i)] = qobject_cast<QLabel*>(named_.value(u"lblUnidad%1"_s.arg(i + 1)));
    for (const articles::UnitDef& u : articles::unitDefs())
        unitOptions_[size_t(u.unit)] = qobject_cast<QRadioButton*>(named(u.control));
    connect(model_, &articles::ArticleModel::unitChanged, this, &Articulos::showUnit);
    showUnit();
    edit(F::Codigo)->setMaxLength(25);
    edit(F::CodBarra)->setMaxLength(25);
    edit(F::Descripcion)->setMaxLength(60);
}

QLineEdit* Articulos::edit(ArticleField field) const { return edits_[size_t(field)]; }

void Articulos::showUnit()
{
    for (int i = 0; i < 3; ++i) unitCaptions_[size_t(i)]->setText(model_->unitCaptions()[size_t(i)]);
    if (model_->unit() != Unit::None) return unitOptions_[size_t(model_->unit())]->setChecked(true);
    // No unit: no option chosen, which options that exclude each other allow only like this.
    for (QRadioButton* option : unitOptions_) {
        if (!option || !option->isChecked()) continue;
        option->setAutoExclusive(false);
        option->setChecked(false);
        option->setAutoExclusive(true);
    }
}

QWidget* Articulos::named(const char16_t* name) const { return named_.value(QString::fromUtf16(name)); }

// ---------------------------------------------------------------- open and close

bool Articulos::open()
{
    if (!files_.open({{u"Articulos.mdb", Data1}, {u"Proveedores.mdb", Data2}, {u"Marcas.mdb", Data3},
                      {u"Rubros.mdb", Data4}},
                     parentWidget(), [this] { Data1->Recordset().MoveFirst(); }))
        return false;
    newArticle_ = pending_ = false;
    shown_.reset();
    Blanquear();
    Bloquear();
    Text18->setText(today());
    Text1->setFocus();
    return true;
}

bool Articulos::mayClose()
{
    if (!pending_) return true;
    // Every way of closing (the button, the title bar, Ctrl+W, the main window's close) asks the
    // same, No by default; Yes is also the way out of a new article that will not be saved.
    if (!forms::leaveUnsaved(this)) {
        selectField(Text2);
        return false;
    }
    newArticle_ = pending_ = false;
    return true;
}

void Articulos::closeEvent(QCloseEvent* event)
{
    if (!mayClose()) {
        event->ignore();
        return;
    }
    files_.release();
    event->accept();
}

void Articulos::reopen()
{
    // The form comes back as the main window opens it, at its place and in front. It is made
    // so again in place: building a new form and its child window would take longer than the
    // save itself. Everything a new form would start with is set here or by open().
    // (A save leaves no field empty, so each box is emptied anew and forgets its editing.)
    model_->startAfresh();
    prompt_->clear();
    if (!open()) return forms::closeWindow(this);
    // A size the user gave the form goes, as it would with a new form.
    resize(designedSize());
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        frame->resize(size().grownBy(frame->contentsMargins()));
        WindowRegistry::instance().show(windownames::Articulos);
    }
}

// ---------------------------------------------------------------- routines

void Articulos::Blanquear()
{
    model_->blank();
    blankDates();
}

void Articulos::blankDates()
{
    // A box laid out again costs as much as one that changed, so only a filled one is emptied.
    for (QLineEdit* date : {Text18, Text19})
        if (!date->text().isEmpty()) date->clear();
}

void Articulos::Bloquear()
{
    for (ArticleField f : kLocked) edit(f)->setReadOnly(true);
}

void Articulos::Desbloquear()
{
    for (ArticleField f : kLocked) edit(f)->setReadOnly(false);
}

void Articulos::showArticle()
{
    // Each text box changes once, and only when its text does: laying out a box's text is
    // what a load costs most. The model is quiet meanwhile; the boxes and the unit follow it
    // afterwards.
    articles::ArticleModel::Fields changed;
    {
        // Blanquear and CargoDesdeBaseDatos, with each field written once.
        const QSignalBlocker quiet(model_);
        Recordset& rs = Data1->Recordset();
        changed = model_->CargoDesdeBaseDatos(rs);
        blankDates();
        shown_ = rs.Fields(u"codigo").Value().toLongLong();
    }
    showUnit();
    for (const articles::ArticleFieldDef& s : articles::fieldDefs()) {
        if (!changed.test(size_t(s.field))) continue;
        const QString& text = model_->text(s.field);
        QLineEdit* box = edit(s.field);
        {
            // The box follows the model here; the model need not hear its own text back.
            const QSignalBlocker follows(box);
            box->setText(text);
        }
        // A text longer than its box is cut to fit, and the model keeps what the box kept.
        if (box->text().size() != text.size()) model_->setText(s.field, box->text());
        showStart(box);
    }
}

// ---------------------------------------------------------------- commands

void Articulos::error(const QString& prompt, QWidget* focus)
{
    MsgBox(prompt, vbCritical, u"ERROR"_s, this);
    if (focus) selectField(focus);
}

void Articulos::refuse(const articles::Outcome& outcome)
{
    MsgBox(articles::refusalMessage(outcome), this);
    selectField(edit(*outcome.focus));
}

void Articulos::modificar()
{
    justSaved_ = false;
    // Only the article on screen may be changed, never whatever record the binding stands on;
    // a new article dates its change and stays new.
    if (!shown_ && !newArticle_) {
        error(u"NO HAY ARTICULO SELECCIONADO"_s, nullptr);
        return;
    }
    Text19->setText(today());
    if (!newArticle_) {
        Desbloquear();
        pending_ = true;
    }
    selectField(Text2);
}

void Articulos::nuevo()
{
    justSaved_ = false;
    forms::guarded(this, [&] {
        // The code the save will really give, a deleted last article's skipped.
        Text1->setText(articles::proposedCode(files_.file(u"Articulos.mdb")));
        Desbloquear();
        newArticle_ = pending_ = true;
        // The fields are a copy now, no longer a stored article.
        shown_.reset();
        selectField(Text2);
    });
}

void Articulos::grabar()
{
    if (!pending_ && justSaved_) {
        // A second click right after a save: the article is stored, nothing went wrong.
        MsgBox(u"EL ARTICULO YA ESTA GUARDADO"_s, vbInformation, u"GRABAR"_s, this);
        Text1->setFocus();
        return;
    }
    if (!pending_) return error(u"NO HAY DATOS QUE GUARDAR"_s, Text1);
    if (const articles::Outcome missing = articles::checkFilled(*model_); !missing.ok()) return refuse(missing);
    if (!newArticle_ && !shown_) return error(u"NO HAY ARTICULO SELECCIONADO"_s, nullptr);
    bool stored = false;
    forms::guarded(this, [&] {
        const articles::Outcome outcome =
            articles::saveArticle(*model_, Data1->Recordset(), newArticle_ ? std::nullopt : shown_);
        if (!outcome.ok()) return refuse(outcome);
        stored = true;
    });
    if (!stored) return;
    reopen();
    justSaved_ = true;
}

void Articulos::eliminar()
{
    if (!shown_) {
        error(u"NO HAY ARTICULO SELECCIONADO"_s, nullptr);
        return;
    }
    if (MsgBox(u"¿DESEA ELIMINAR EL ARTICULO?"_s, vbCritical | vbYesNo, u"ELIMINAR"_s, this) != MsgBoxResult::Yes)
        return;
    forms::guarded(this, [&] {
        // The binding stands on the article shown; another window may have removed it since.
        articles::deleteArticle(Data1->Recordset(), *shown_, QDateTime::currentDateTime());
        shown_.reset();
    });
}

void Articulos::cerrar()
{
    if (mayClose()) forms::closeWindow(this);
}

void Articulos::browse(int direction)
{
    justSaved_ = false;
    if (pending_)
        return error(direction > 0 ? u"DEBE GUARDAR LOS CAMBIOS PARA PODER AVANZAR"_s
                                   : u"DEBE GUARDAR LOS CAMBIOS PARA PODER RETROCEDER"_s,
                     Text1);
    forms::guarded(this, [&] {
        Recordset& rs = Data1->Recordset();
        if (!forms::step(rs, direction, this)) return;
        showArticle();
    });
}

void Articulos::rellenarIva()
{
    if (const auto failed = articles::fillInIva(files_.file(u"Articulos.mdb"))) return ShowErrorBox(*failed, this);
    MsgBox(articles::ivaPassDone(), this);
}

// ---------------------------------------------------------------- field entry

bool Articulos::refuseSearchWhilePending(QLineEdit* field)
{
    // A search would move the binding away from the article under change.
    if (!pending_) return false;
    error(u"DEBE GUARDAR LOS CAMBIOS PARA PODER BUSCAR"_s, field);
    return true;
}

void Articulos::searchCode()
{
    justSaved_ = false;
    if (refuseSearchWhilePending(Text1) || Text1->text().isEmpty()) return;
    const QString typed = Text1->text();
    forms::guarded(this, [&] {
        Recordset& rs = Data1->Recordset();
        // Choosing the index again would only drop the binding's prepared statements.
        if (rs.Index().compare(u"codigo", Qt::CaseInsensitive) != 0) rs.setIndex(u"codigo"_s);
        rs.Seek(typed);
        if (rs.NoMatch()) {
            Text1->clear();
            Text1->setFocus();
            shown_.reset();
            rs.MoveFirst();
            return;
        }
        showArticle();
        selectField(Text2);
    });
}

void Articulos::showStoredAgain()
{
    if (pending_ || !shown_) return;
    const qint64 code = *shown_;
    forms::guarded(this, [&] {
        Recordset& rs = Data1->Recordset();
        if (rs.Index().compare(u"codigo", Qt::CaseInsensitive) != 0) rs.setIndex(u"codigo"_s);
        rs.Seek(code);
        if (rs.NoMatch()) {
            Blanquear();
            shown_.reset();
            rs.MoveFirst();
            return;
        }
        showArticle();
    });
}

void Articulos::searchBarcode()
{
    justSaved_ = false;
    if (refuseSearchWhilePending(Text2) || Text2->text().isEmpty()) return;
    const QString typed = Text2->text();
    forms::guarded(this, [&] {
        Recordset& rs = Data1->Recordset();
        if (rs.Index().compare(u"codbarra", Qt::CaseInsensitive) != 0) rs.setIndex(u"codbarra"_s);
        rs.Seek(typed);
        if (rs.NoMatch()) {
            Text3->clear();
            Text3->setFocus();
            shown_.reset();
            rs.MoveFirst();
            return;
        }
        showArticle();
        selectField(Text3);
    });
}

void Articulos::relatedCode(QLineEdit* code)
{
    const RelatedDef* related = nullptr;
    for (const RelatedDef& r : kRelated)
        if (code->objectName() == QStringView(r.code)) related = &r;
    const FieldKeysDef* keys = keysOf(code->objectName());
    auto* name = qobject_cast<QLineEdit*>(named(keys->next));
    if (code->text().isEmpty()) return selectField(name);
    code->setText(forms::formatCode(code->text()));
    forms::guarded(this, [&] {
        Recordset& rs = findChild<Data*>(QString::fromUtf16(related->binding))->Recordset();
        rs.setIndex(QString::fromUtf16(related->index));
        rs.Seek(code->text());
        if (rs.NoMatch()) {
            code->clear();
            code->setFocus();
            rs.MoveFirst();
            return;
        }
        const QVariant value = rs.Fields(QString::fromUtf16(related->nameColumn)).Value();
        name->setText(value.isNull() ? QString() : value.toString());
        selectField(name);
    });
}

void Articulos::priceEntry()
{
    if (const articles::Outcome outcome = model_->enterCost(); !outcome.ok()) return refuse(outcome);
    selectField(Option1);
}

void Articulos::surchargeEntry(int list)
{
    const articles::Outcome outcome = list == 1   ? model_->CalculoLista1()
                                      : list == 2 ? model_->CalculoLista2()
                                                  : model_->CalculoLista3();
    if (!outcome.ok()) return refuse(outcome);
    selectField(edit(list == 1 ? F::Lis1 : list == 2 ? F::Lis2 : F::Lis3));
}

void Articulos::selectField(QWidget* field)
{
    field->setFocus(Qt::OtherFocusReason);
    if (auto* e = qobject_cast<QLineEdit*>(field)) e->selectAll();
}

void Articulos::tabFrom(QWidget* field)
{
    const auto at = std::find(tabOrder_.begin(), tabOrder_.end(), field);
    if (at == tabOrder_.end() || at + 1 == tabOrder_.end()) return;
    QWidget* next = *(at + 1);
    next->setFocus(Qt::TabFocusReason);
    if (auto* e = qobject_cast<QLineEdit*>(next)) e->selectAll();
}

bool Articulos::keyPress(QWidget* field, QKeyEvent* event)
{
    justSaved_ = false;
    const FieldKeysDef* keys = keysOf(field->objectName());
    if (!keys) {
        // A unit option: Enter goes on to the deposits, the arrows move among the options.
        if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) return false;
        selectField(Text13);
        return true;
    }
    auto* e = qobject_cast<QLineEdit*>(field);
    forms::FieldKeys actions;
    actions.enter = [this, e] { enterIn(e); };
    actions.arrow = [this, keys](int direction) {
        if (const char16_t* target = direction < 0 ? keys->up : keys->down) selectField(named(target));
    };
    if (keys->lookup)
        actions.escape = [this, keys, e] {
            forms::openLookup(QString::fromUtf16(keys->lookup), e, this, forms::LookupTrigger::EscapeKey);
        };
    return forms::fieldKeyPress(e, event, keys->flags, actions);
}

void Articulos::enterIn(QLineEdit* e)
{
    const FieldKeysDef& keys = *keysOf(e->objectName());
    switch (keys.enter) {
    case OnEnter::SearchCode:
        if (newArticle_) selectField(Text2);
        else searchCode();
        break;
    case OnEnter::SearchBarcode:
        if (newArticle_) selectField(Text3);
        else searchBarcode();
        break;
    case OnEnter::Select: selectField(named(keys.next)); break;
    case OnEnter::Related: relatedCode(e); break;
    case OnEnter::ZeroThenSelect:
        if (e->text().isEmpty()) e->setText(u"0"_s);
        selectField(named(keys.next));
        break;
    case OnEnter::Price: priceEntry(); break;
    case OnEnter::Tab: tabFrom(e); break;
    case OnEnter::Surcharge: surchargeEntry(e == edit(F::Rec1) ? 1 : e == edit(F::Rec2) ? 2 : 3); break;
    case OnEnter::Nothing: break;
    }
}

bool Articulos::eventFilter(QObject* watched, QEvent* event)
{
    // Installed on the entry fields and the unit options only.
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget) return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress:
        return keyPress(widget, static_cast<QKeyEvent*>(event));
    case QEvent::InputMethod:
        if (const FieldKeysDef* keys = keysOf(widget->objectName()))
            forms::fieldEvent(qobject_cast<QLineEdit*>(widget), event, keys->flags);
        break;
    case QEvent::FocusIn:
        if (auto* option = qobject_cast<QRadioButton*>(widget)) {
            for (const UnitPromptDef& p : kUnitPrompts) {
                if (option->objectName() != QStringView(articles::def(p.unit).control)) continue;
                model_->selectUnit(p.unit);
                prompt_->setText(QString::fromUtf16(p.prompt));
            }
        } else {
            setBase(widget, kFocusColour);
        }
        break;
    case QEvent::FocusOut:
        if (qobject_cast<QLineEdit*>(widget))
            // Every box left turns white, the grey price boxes too, as in every record form.
            setBase(widget, kPlainColour);
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------- registration

QWidget* newArticulos()
{
    auto* form = new Articulos;
    if (form->open()) return form;
    delete form;
    return nullptr;
}

void registerArticleWindows(WindowRegistry& registry)
{
    registry.add({windownames::Articulos, WindowPlace::InFrame, kPlaceTwips, newArticulos});
}
