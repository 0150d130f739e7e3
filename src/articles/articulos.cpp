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
#include <QStyle>
#include <array>
#include <functional>

#include "articlesave.h"
#include "data/datacontrol.h"
#include "data/storelocale.h"
#include "forms/focuscolour.h"
#include "forms/formbuttons.h"
#include "forms/formparts.h"
#include "forms/lookuphook.h"
#include "forms/textbox.h"
#include "ivapass.h"
#include "shell/colours.h"
#include "shell/lookupnames.h"
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

// Puts a loaded text in `box`, shown from its start as above.
void fill(QLineEdit* box, const QString& text)
{
    if (auto* textBox = qobject_cast<forms::TextBox*>(box)) return textBox->showText(text);
    box->setText(text);
    showStart(box);
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

const QColor kPriceColour(224, 224, 224);
const QPoint kPlaceTwips(2900, 0);

constexpr int kUpper = forms::UpperCase;
constexpr int kNumber = forms::UpperCase | forms::DecimalComma;

enum class OnEnter {
    SearchCode,
    SearchBarcode,
    Select,
    Related,
    ZeroThenSelect,
    Price,
    Tab,
    Surcharge,
    Nothing
};

// What each entry field does with typing, Enter, Esc and the arrows.
struct FieldKeysDef {
    const char16_t* control;
    int flags;
    OnEnter enter;
    const char16_t* next;  // the field Enter selects (Select, Related: the name field,
                           // ZeroThenSelect, Surcharge)
    LookupName lookup;     // the dialog Esc opens; none when empty
    const char16_t* up;
    const char16_t* down;  // nullptr: the key does nothing
};

const std::array<FieldKeysDef, 23>& fieldKeys()
{
    using E = OnEnter;
    static const std::array<FieldKeysDef, 23> keys = {{
        {u"Text1", kUpper, E::SearchCode, u"Text2", lookupnames::ConsArticulo, u"Text16", u"Text2"},
        {u"Text2", kUpper, E::SearchBarcode, u"Text3", lookupnames::ConsArticuloPro, u"Text1",
         u"Text3"},
        {u"Text3", kUpper, E::Select, u"Text4", {}, u"Text2", u"Text4"},
        {u"Text4", kNumber, E::Related, u"Text5", lookupnames::ConsuProveedor1, u"Text3", u"Text9"},
        {u"Text5", kUpper, E::Select, u"Text6", {}, u"Text9", u"Text6"},
        {u"Text6", kNumber, E::Related, u"Text7", lookupnames::ConsuMarcas1, u"Text5", u"Text7"},
        {u"Text7", kUpper, E::Select, u"Text8", {}, u"Text6", u"Text8"},
        {u"Text8", kNumber, E::Related, u"Text9", lookupnames::ConsuRubros1, u"Text7", u"Text10"},
        // The category description sits between the supplier code and name for the arrows.
        {u"Text9", kUpper, E::Select, u"Text10", {}, u"Text4", u"Text5"},
        {u"Text10", kNumber, E::ZeroThenSelect, u"Text11", {}, u"Text8", u"Text11"},
        {u"Text11", kNumber, E::ZeroThenSelect, u"Text12", {}, u"Text10", u"Text12"},
        {u"Text12", kNumber, E::Price, nullptr, {}, u"Text11", u"Option1"},
        {u"Text13", kNumber, E::Tab, nullptr, {}, u"Option4", u"Text14"},
        {u"Text14", kNumber, E::Tab, nullptr, {}, u"Text13", u"Text15"},
        {u"Text15", kNumber, E::Tab, nullptr, {}, u"Text14", u"Text16"},
        {u"Text16", kNumber, E::Tab, nullptr, {}, u"Text15", u"Text17"},
        {u"Text17", 0, E::Tab, nullptr, {}, u"Text16", u"Text20"},
        {u"Text20", kNumber, E::Surcharge, u"Text21", {}, u"Text17", u"Text21"},
        {u"Text21", kNumber, E::Tab, nullptr, {}, u"Text20", u"Text22"},
        {u"Text22", kNumber, E::Surcharge, u"Text23", {}, u"Text21", u"Text23"},
        {u"Text23", kNumber, E::Tab, nullptr, {}, u"Text22", u"Text24"},
        {u"Text24", kNumber, E::Surcharge, u"Text25", {}, u"Text23", u"Text25"},
        {u"Text25", 0, E::Nothing, nullptr, {}, u"Text24", nullptr},
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
constexpr std::array kLocked = {F::Descripcion, F::CodP, F::DesP, F::CodM, F::DesM, F::CodR, F::Net,
                                F::Iva,         F::Cos,  F::Dep1, F::Dep2, F::Dep3, F::Min,  F::Ped,
                                F::Rec1,        F::Lis1, F::Rec2, F::Lis2, F::Rec3, F::Lis3};

QString today() { return storelocale::shortDate(QDate::currentDate()); }

// A list price: large red figures on grey.
void showAsPrice(QWidget* box)
{
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, kPriceColour);
    palette.setColor(QPalette::Text, Qt::red);
    box->setPalette(palette);
    QFont font = box->font();
    font.setPointSize(12);
    font.setBold(true);
    box->setFont(font);
}

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

    void addCaption(const QString& text, QPoint at)
    {
        captions_.push_back({text, QRect(at, captionSize(font(), text))});
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QGroupBox::paintEvent(event);
        QPainter painter(this);
        for (const auto& [text, rect] : captions_)
            if (rect.intersects(event->rect()))
                style()->drawItemText(&painter, rect,
                                      Qt::AlignLeft | Qt::AlignVCenter | Qt::TextForceLeftToRight,
                                      palette(), isEnabled(), text, QPalette::WindowText);
    }

private:
    std::vector<std::pair<QString, QRect>> captions_;
};

// The form's size as designed, which a form opened afresh has.
QSize designedSize() { return twips::size(9405, 6495); }

// What one piece of the form is.
enum class Kind {
    Group,     // a frame with a title; the pieces after it lie in it, and it paints their captions
    Caption,   // a caption its frame paints
    Label,     // a caption of its own, sized to its text
    Box,       // an entry box
    DateBox,   // a box the form writes a date into, never typed into
    PriceBox,  // a list price: large red figures on grey
    Search,    // a picture button that opens a lookup dialog for the box beside it
    Tool,      // a small picture button, said by its tooltip
    Browse,    // a browsing button with its caption and picture
    Option,    // a unit option
    UnitCaption,  // the chosen unit's code beside a deposit
    Opener,       // a button that opens another window
};

// One piece of the form, in the order it is made (which is also the focus chain's before the
// tab order is set). Places and sizes are in twips within the piece's frame.
struct Piece {
    Kind kind;
    const char16_t* name;  // object name, or a caption's text
    int left, top, width, height;
    const char16_t* text = nullptr;    // a frame's title, a button's caption or tooltip
    const char16_t* target = nullptr;  // the box a search button fills
    QStyle::StandardPixmap picture = QStyle::SP_CustomBase;
    Unit unit = Unit::None;
    WindowName window{};
    LookupName lookup{};  // the dialog a search button opens
};

constexpr Piece group(const char16_t* name, const char16_t* title, int left, int top, int width,
                      int height)
{
    return {Kind::Group, name, left, top, width, height, title};
}
constexpr Piece caption(const char16_t* text, int left, int top)
{
    return {Kind::Caption, text, left, top, 0, 0};
}
constexpr Piece box(const char16_t* name, int left, int top, int width, int height = 315,
                    Kind kind = Kind::Box)
{
    return {kind, name, left, top, width, height};
}
constexpr Piece search(const char16_t* name, int left, int top, LookupName dialog,
                       const char16_t* target)
{
    Piece piece{Kind::Search, name, left, top, 375, 375, nullptr, target};
    piece.lookup = dialog;
    return piece;
}
constexpr Piece browse(const char16_t* name, const char16_t* text, QStyle::StandardPixmap picture,
                       int top)
{
    return {Kind::Browse, name, 7800, top, 1215, 735, text, nullptr, picture};
}
constexpr Piece option(Unit unit, int top)
{
    return {Kind::Option,          nullptr, 2400, top, 1335, 255, nullptr, nullptr,
            QStyle::SP_CustomBase, unit};
}
constexpr Piece unitCaption(const char16_t* name, int top)
{
    return {Kind::UnitCaption, name, 5940, top, 375, 255};
}
constexpr Piece opener(const char16_t* name, const char16_t* text, WindowName window, int left)
{
    return {Kind::Opener,          name,       left,  300, 1815, 435, text, nullptr,
            QStyle::SP_CustomBase, Unit::None, window};
}

const std::vector<Piece>& pieces()
{
    static const std::vector<Piece> all = {
        // Top line: the change date, the date and the IVA fill-in button.
        {Kind::Label, u"Ultima Actual.:", 120, 30, 0, 0},
        box(u"Text19", 1320, 0, 1215, 255, Kind::DateBox),
        box(u"Text18", 7800, 0, 1215, 255, Kind::DateBox),
        {Kind::Tool, u"Command1", 9120, 0, 255, 255, u"IVA 21", nullptr, QStyle::SP_BrowserReload},

        group(u"Frame1", u"Datos:", 120, 240, 9165, 2175),
        caption(u"Cod Interno:", 120, 300),
        search(u"cmdBuscar1", 1140, 240, lookupnames::ConsArticulo, u"Text1"),
        box(u"Text1", 1560, 270, 1335),
        caption(u"Cod.Barra:", 3060, 300),
        search(u"cmdBuscar4", 3960, 240, lookupnames::ConsArticuloPro, u"Text2"),
        box(u"Text2", 4380, 270, 3255),
        caption(u"Descripcion:", 120, 780),
        box(u"Text3", 1560, 750, 6075),
        caption(u"Proveedor:", 120, 1260),
        search(u"cmdBuscar2", 1140, 1200, lookupnames::ConsuProveedor1, u"Text4"),
        box(u"Text4", 1560, 1230, 735),
        box(u"Text5", 2340, 1230, 2295),
        caption(u"Marca:", 4740, 1260),
        search(u"cmdBuscar3", 5400, 1200, lookupnames::ConsuMarcas1, u"Text6"),
        box(u"Text6", 5820, 1230, 615),
        box(u"Text7", 6480, 1230, 1155),
        caption(u"Rubro:", 120, 1740),
        search(u"cmdBuscar5", 1140, 1680, lookupnames::ConsuRubros1, u"Text8"),
        box(u"Text8", 1560, 1710, 735),
        box(u"Text9", 2340, 1710, 2295),
        browse(u"cmdSiguiente", u"&Siguiente", QStyle::SP_ArrowForward, 240),
        browse(u"cmdAnterior", u"&Anterior", QStyle::SP_ArrowBack, 1080),

        group(u"Frame2", u"Articulo:", 120, 2400, 9165, 1695),
        caption(u"NETO:  $", 120, 330),
        box(u"Text10", 1020, 300, 1095),
        caption(u"IVA:  %", 120, 750),
        box(u"Text11", 1020, 720, 1095),
        caption(u"COSTO:  $", 120, 1170),
        box(u"Text12", 1020, 1140, 1095),
        caption(u"Unidad de Medida:", 2280, 240),
        // Top to bottom in tab order.
        option(Unit::Unidades, 510),
        option(Unit::Litros, 780),
        option(Unit::Kilos, 1050),
        option(Unit::Metros, 1320),
        caption(u"Deposito 1", 3960, 330),
        box(u"Text13", 4920, 300, 975),
        unitCaption(u"lblUnidad1", 330),
        caption(u"Deposito 2", 3960, 750),
        box(u"Text14", 4920, 720, 975),
        unitCaption(u"lblUnidad2", 750),
        caption(u"Deposito 3", 3960, 1170),
        box(u"Text15", 4920, 1140, 975),
        unitCaption(u"lblUnidad3", 1170),
        caption(u"Stock Min.", 6540, 330),
        box(u"Text16", 7560, 300, 1215),
        caption(u"Pedido:", 6540, 750),
        box(u"Text17", 7560, 720, 1215),

        group(u"Frame3", u"Lista de Precio 1:", 120, 4200, 3015, 1095),
        caption(u"Recargo:  %", 120, 330),
        box(u"Text20", 1380, 300, 1455),
        caption(u"LISTA: $", 120, 720),
        box(u"Text21", 1380, 660, 1455, 375, Kind::PriceBox),
        group(u"Frame4", u"Lista de Precio 2:", 3195, 4200, 3015, 1095),
        caption(u"Recargo:  %", 120, 330),
        box(u"Text22", 1380, 300, 1455),
        caption(u"LISTA: $", 120, 720),
        box(u"Text23", 1380, 660, 1455, 375, Kind::PriceBox),
        group(u"Frame5", u"Lista de Precio 3:", 6270, 4200, 3015, 1095),
        caption(u"Recargo:  %", 120, 330),
        box(u"Text24", 1380, 300, 1455),
        caption(u"LISTA: $", 120, 720),
        box(u"Text25", 1380, 660, 1455, 375, Kind::PriceBox),

        // Below the form's visible area until the window is made taller: the supplier and
        // category forms.
        group(u"Frame6", u"Agregar", 120, 7200, 4215, 855),
        opener(u"cmdProveedor", u"&Proveedor", windownames::Proveedores, 120),
        opener(u"cmdRubro", u"&Rubro", windownames::Rubros, 2040),
    };
    return all;
}

// Makes the piece `p` in `parent` (a frame, or the form `form` itself) and returns it; a
// frame's caption is the frame's own to paint.
QWidget* makePiece(const Piece& p, QWidget* parent, QWidget* form)
{
    const QString name = p.name ? QString::fromUtf16(p.name) : QString();
    const QString text = p.text ? QString::fromUtf16(p.text) : QString();
    QWidget* made = nullptr;
    switch (p.kind) {
    case Kind::Group:
        made = new CaptionedFrame(text, form);
        break;
    case Kind::Caption:
        return nullptr;
    case Kind::Label: {
        auto* label = new QLabel(name, parent);
        label->setGeometry(QRect(twips::point(p.left, p.top), captionSize(label->font(), name)));
        return label;
    }
    case Kind::Box:
    case Kind::DateBox:
    case Kind::PriceBox:
        made = new forms::TextBox(parent);
        if (p.kind == Kind::DateBox) made->setEnabled(false);
        if (p.kind == Kind::PriceBox) showAsPrice(made);
        break;
    case Kind::Search: {
        // Opens its lookup dialog for the box beside it.
        QPushButton* b = forms::makePictureButton(name, parent);
        QObject::connect(b, &QPushButton::clicked, form,
                         [form, dialog = p.lookup, target = QString::fromUtf16(p.target)] {
                             forms::openLookup(dialog, form->findChild<QLineEdit*>(target), form,
                                               forms::LookupTrigger::LookupButton);
                         });
        made = b;
        break;
    }
    case Kind::Tool: {
        auto* b = new QPushButton(parent);
        b->setIcon(forms::standardIcon(b, p.picture));
        b->setToolTip(text);
        made = b;
        break;
    }
    case Kind::Browse:
        made = forms::makeCommandButton({name, text, p.picture}, parent);
        break;
    case Kind::Option: {
        const articles::UnitDef& unit = articles::def(p.unit);
        made = new QRadioButton(QString::fromUtf16(unit.option), parent);
        made->setObjectName(QString::fromUtf16(unit.control));
        made->installEventFilter(form);
        break;
    }
    case Kind::UnitCaption:
        made = new QLabel(parent);
        break;
    case Kind::Opener: {
        auto* b = new QPushButton(text, parent);
        // Below the form's visible area until the window is made taller: Tab does not stop
        // there, and their accelerators and a click still press them.
        b->setFocusPolicy(Qt::ClickFocus);
        QObject::connect(b, &QPushButton::clicked, b,
                         [window = p.window] { WindowRegistry::instance().show(window); });
        made = b;
        break;
    }
    }
    if (!name.isEmpty()) made->setObjectName(name);
    made->setGeometry(twips::rect(p.left, p.top, p.width, p.height));
    return made;
}

// Tab order: the entry fields as listed, the units as Unidades, Litros, Kilos, Metros, the
// browsing buttons, then the command row.
constexpr std::array kTabOrder = {
    u"Text1",    u"Text2",     u"Text3",       u"Text4",        u"Text5",       u"Text6",
    u"Text7",    u"Text8",     u"Text9",       u"Text10",       u"Text11",      u"Text12",
    u"Option1",  u"Option3",   u"Option2",     u"Option4",      u"Text13",      u"Text14",
    u"Text15",   u"Text16",    u"Text17",      u"Text20",       u"Text21",      u"Text22",
    u"Text23",   u"Text24",    u"Text25",      u"cmdSiguiente", u"cmdAnterior", u"cmdModificar",
    u"cmdNuevo", u"cmdGrabar", u"cmdEliminar", u"cmdCerrar"};

}  // namespace

// ---------------------------------------------------------------- building

Articulos::Articulos(QWidget* parent)
    : QWidget(parent),
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

    CaptionedFrame* frame = nullptr;
    for (const Piece& p : pieces()) {
        if (p.kind == Kind::Caption) {
            frame->addCaption(QString::fromUtf16(p.name), twips::point(p.left, p.top));
            continue;
        }
        QWidget* made = makePiece(p, frame ? static_cast<QWidget*>(frame) : this, this);
        if (p.kind == Kind::Group) frame = static_cast<CaptionedFrame*>(made);
    }

    // The command row.
    const std::array<forms::CommandButton, 5> commands = {{
        {u"cmdModificar"_s, u"&Modificar"_s, QStyle::SP_FileDialogDetailedView},
        forms::commandButtons()[0],
        forms::commandButtons()[1],
        forms::commandButtons()[2],
        forms::commandButtons()[3],
    }};
    for (size_t i = 0; i < commands.size(); ++i)
        forms::makeCommandButton(commands[i], this)
            ->setGeometry(twips::rect(120 + 1860 * int(i), 5400, 1695, 735));

    // The prompt line lies below the first client area; it shows when the window is made taller.
    prompt_ = new QLabel(this);
    prompt_->setObjectName(u"lblMensaje"_s);
    prompt_->setGeometry(twips::rect(120, 6720, 9135, 255));
    colours::fill(prompt_, QColor(255, 255, 192), Qt::red);

    // Every named control, looked up once.
    for (QWidget* w : findChildren<QWidget*>())
        if (!w->objectName().isEmpty()) named_.insert(w->objectName(), w);
    const std::array<std::pair<const char16_t*, std::function<void()>>, 8> actions = {{
        {u"Command1", [this] { rellenarIva(); }},
        {u"cmdSiguiente", [this] { browse(1); }},
        {u"cmdAnterior", [this] { browse(-1); }},
        {u"cmdModificar", [this] { modificar(); }},
        {u"cmdNuevo", [this] { nuevo(); }},
        {u"cmdGrabar", [this] { grabar(); }},
        {u"cmdEliminar", [this] { eliminar(); }},
        {u"cmdCerrar", [this] { cerrar(); }},
    }};
    for (const auto& [button, action] : actions)
        connect(qobject_cast<QPushButton*>(named(button)), &QPushButton::clicked, this, action);
    Text1 = qobject_cast<QLineEdit*>(named(u"Text1"));
    Text2 = qobject_cast<QLineEdit*>(named(u"Text2"));
    Text3 = qobject_cast<QLineEdit*>(named(u"Text3"));
    Text12 = qobject_cast<QLineEdit*>(named(u"Text12"));
    Text13 = qobject_cast<QLineEdit*>(named(u"Text13"));
    Text18 = qobject_cast<QLineEdit*>(named(u"Text18"));
    Text19 = qobject_cast<QLineEdit*>(named(u"Text19"));
    Option1 = qobject_cast<QRadioButton*>(named(u"Option1"));
    // The frames paint the captions, so each box carries its caption for a screen reader (or
    // it would be heard by its frame's title alone).
    for (const auto& [box, spoken] : kSpokenNames)
        named(box)->setAccessibleName(QString::fromUtf16(spoken));

    for (const char16_t* name : kTabOrder) tabOrder_.push_back(named(name));
    for (size_t i = 1; i < tabOrder_.size(); ++i) setTabOrder(tabOrder_[i - 1], tabOrder_[i]);
}

void Articulos::bind()
{
    for (const articles::ArticleFieldDef& s : articles::fieldDefs()) {
        auto* e = qobject_cast<QLineEdit*>(named(s.control));
        Q_ASSERT(e);
        edits_[size_t(s.field)] = e;
        const ArticleField field = s.field;
        connect(e, &QLineEdit::textChanged, this,
                [this, field](const QString& text) { model_.takeBoxText(field, text); });
        e->installEventFilter(this);
    }
    for (int i = 0; i < 3; ++i)
        unitCaptions_[size_t(i)] = qobject_cast<QLabel*>(named_.value(u"lblUnidad%1"_s.arg(i + 1)));
    for (const articles::UnitDef& u : articles::unitDefs())
        unitOptions_[size_t(u.unit)] = qobject_cast<QRadioButton*>(named(u.control));
    showUnit();
    edit(F::Codigo)->setMaxLength(25);
    edit(F::CodBarra)->setMaxLength(25);
    edit(F::Descripcion)->setMaxLength(60);
}

QLineEdit* Articulos::edit(ArticleField field) const { return edits_[size_t(field)]; }

void Articulos::showUnit()
{
    for (int i = 0; i < 3; ++i) unitCaptions_[size_t(i)]->setText(model_.unitCaptions()[size_t(i)]);
    if (model_.unit() != Unit::None) return unitOptions_[size_t(model_.unit())]->setChecked(true);
    // No unit: no option chosen, which options that exclude each other allow only like this.
    for (QRadioButton* option : unitOptions_) {
        if (!option || !option->isChecked()) continue;
        option->setAutoExclusive(false);
        option->setChecked(false);
        option->setAutoExclusive(true);
    }
}

QWidget* Articulos::named(const char16_t* name) const
{
    return named_.value(QString::fromUtf16(name));
}

// ---------------------------------------------------------------- open and close

bool Articulos::open()
{
    if (!files_.open({{u"Articulos.mdb", Data1},
                      {u"Proveedores.mdb", Data2},
                      {u"Marcas.mdb", Data3},
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
    model_.startAfresh();
    showChanges();
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
    model_.blank();
    showChanges();
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
    Recordset& rs = Data1->Recordset();
    model_.CargoDesdeBaseDatos(rs);
    blankDates();
    shown_ = rs.Fields(u"codigo").Value().toLongLong();
    showChanges();
}

void Articulos::showChanges()
{
    const articles::ArticleModel::Changes changes = model_.takeChanges();
    if (changes.unit) showUnit();
    // Each text box changes once, and only when its text does: laying out a box's text is
    // what a load costs most. (What the boxes hold the model takes without counting it as a
    // change, so a changed field is one whose box shows something else.)
    for (const articles::ArticleFieldDef& s : articles::fieldDefs()) {
        if (!changes.fields.test(size_t(s.field))) continue;
        const QString& text = model_.text(s.field);
        QLineEdit* box = edit(s.field);
        {
            // The box follows the model here; the model need not hear its own text back.
            const QSignalBlocker follows(box);
            fill(box, text);
        }
        // A text longer than its box is cut to fit, and the model keeps what the box kept.
        if (text.size() > box->maxLength()) model_.takeBoxText(s.field, box->text());
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
    if (const articles::Outcome missing = articles::checkFilled(model_); !missing.ok())
        return refuse(missing);
    if (!newArticle_ && !shown_) return error(u"NO HAY ARTICULO SELECCIONADO"_s, nullptr);
    bool stored = false;
    forms::guarded(this, [&] {
        const articles::Outcome outcome =
            articles::saveArticle(model_, Data1->Recordset(), newArticle_ ? std::nullopt : shown_);
        showChanges();  // the defaults the save wrote into empty fields
        if (!outcome.ok()) return refuse(outcome);
        stored = true;
    });
    if (!stored) return showChanges();
    reopen();
    justSaved_ = true;
}

void Articulos::eliminar()
{
    if (!shown_) {
        error(u"NO HAY ARTICULO SELECCIONADO"_s, nullptr);
        return;
    }
    if (MsgBox(u"¿DESEA ELIMINAR EL ARTICULO?"_s, vbCritical | vbYesNo, u"ELIMINAR"_s, this) !=
        MsgBoxResult::Yes)
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
    if (const auto failed = articles::fillInIva(files_.file(u"Articulos.mdb")))
        return ShowErrorBox(*failed, this);
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
    const articles::Outcome outcome = model_.enterCost();
    showChanges();
    if (!outcome.ok()) return refuse(outcome);
    selectField(Option1);
}

void Articulos::surchargeEntry(int list)
{
    const articles::Outcome outcome = list == 1   ? model_.CalculoLista1()
                                      : list == 2 ? model_.CalculoLista2()
                                                  : model_.CalculoLista3();
    showChanges();
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
    // The key's action is run here rather than handed to the shared code to call back: the form
    // acts, and the article rules it calls return what changed.
    using M = forms::FieldKeyMeaning;
    const forms::FieldKeyMeaning meaning = forms::meaningOf(*e, *event, keys->flags);
    switch (meaning.key) {
    case M::Enter:
        enterIn(e);
        return true;
    case M::Up:
    case M::Down:
        if (const char16_t* target = meaning.key == M::Up ? keys->up : keys->down)
            selectField(named(target));
        return true;
    case M::Escape:
        if (keys->lookup.text.isEmpty()) return false;
        forms::openLookup(keys->lookup, e, this, forms::LookupTrigger::EscapeKey);
        return true;
    case M::Typing:
        e->insert(meaning.typed);
        return true;
    case M::Other:
        break;
    }
    return false;
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
    case OnEnter::Select:
        selectField(named(keys.next));
        break;
    case OnEnter::Related:
        relatedCode(e);
        break;
    case OnEnter::ZeroThenSelect:
        if (e->text().isEmpty()) e->setText(u"0"_s);
        selectField(named(keys.next));
        break;
    case OnEnter::Price:
        priceEntry();
        break;
    case OnEnter::Tab:
        tabFrom(e);
        break;
    case OnEnter::Surcharge:
        surchargeEntry(e == edit(F::Rec1) ? 1 : e == edit(F::Rec2) ? 2 : 3);
        break;
    case OnEnter::Nothing:
        break;
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
                model_.selectUnit(p.unit);
                showChanges();
                prompt_->setText(QString::fromUtf16(p.prompt));
            }
        } else {
            forms::showFocus(widget, true);
        }
        break;
    case QEvent::FocusOut:
        if (qobject_cast<QLineEdit*>(widget))
            // Every box left turns white, the grey price boxes too, as in every record form.
            forms::showFocus(widget, false);
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
