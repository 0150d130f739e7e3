#include "etiquetas.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <array>
#include <cmath>
#include <limits>

#include "agregarvarias.h"
#include "data/labelqueue.h"
#include "data/numbertext.h"
#include "forms/focuscolour.h"
#include "forms/formbuttons.h"
#include "forms/formparts.h"
#include "lookups/lookups.h"
#include "shell/colours.h"
#include "shell/lookupnames.h"
#include "shell/msgbox.h"
#include "shell/twips.h"
#include "shell/windownames.h"
#include "shell/windowregistry.h"

using namespace Qt::StringLiterals;

namespace {

const QColor kBlue(0, 0, 255);

constexpr QStringView kArticles = u"Articulos.mdb";
constexpr QStringView kLabels = u"Etiquetas.mdb";
// The lookups of the code and the barcode.
constexpr LookupName kCodeLookup = lookupnames::ConsArticuloEtiqueta;
constexpr LookupName kBarcodeLookup = lookupnames::ConsArticuloEtiquetaDB;

// The sizes in the list's order, with the viewer each one opens.
struct Size {
    QString entry;
    WindowName viewer;
};
const std::array<Size, 3>& sizes()
{
    static const std::array<Size, 3> all = {
        {{u"ETIQUETA CHICA"_s, windownames::ForListaEtiqueta},
         {u"ETIQUETA MEDIANA"_s, windownames::ForListaEtiqueta1},
         {u"ETIQUETA GRANDE"_s, windownames::ForListaEtiqueta2}}};
    return all;
}

void setTextColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Text, colour);
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

void setPointFont(QWidget* widget, int points, bool bold)
{
    QFont font = widget->font();
    font.setPointSize(points);
    font.setBold(bold);
    widget->setFont(font);
}

// A caption keeps its designed size unless its text would not fit its box in that font (the
// fonts here are wider than the ones it was drawn for): then the largest size that fits.
void fitCaption(QLabel* caption)
{
    QFont font = caption->font();
    while (font.pointSizeF() > 6 &&
           QFontMetrics(font).horizontalAdvance(caption->text()) > caption->contentsRect().width())
        font.setPointSizeF(font.pointSizeF() - 0.5);
    caption->setFont(font);
}

// The refusal of a field's value, in the article rules' words, with the field selected.
void refuse(const QString& prompt, QLineEdit* field, QWidget* parent)
{
    MsgBox(prompt, vbCritical, u"ERROR"_s, parent);
    field->setFocus();
    field->selectAll();
}

// A label code is a whole number that the 32-bit `codigo` column holds.
bool isCode(const QString& text)
{
    const std::optional<double> value = numbertext::parse(text);
    return value && std::floor(*value) == *value &&
           *value >= double(std::numeric_limits<qint32>::min()) &&
           *value <= double(std::numeric_limits<qint32>::max());
}

bool isNegative(const QString& text) { return numbertext::parse(text).value_or(0) < 0; }

}  // namespace

QString Etiquetas::viewerForSize(int position) { return sizes()[size_t(position)].viewer; }

Etiquetas::Etiquetas(QWidget* parent)
    : QWidget(parent),
      Data1(new Data(this, RecordsetType::Table)),
      Data2(new Data(this, RecordsetType::Table))
{
    Data1->setObjectName(u"Data1"_s);
    Data2->setObjectName(u"Data2"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    build();
}

Etiquetas::~Etiquetas() { release(); }

void Etiquetas::build()
{
    setObjectName(windownames::Etiquetas);
    setWindowTitle(u"Etiquetas"_s);
    setFixedSize(twips::size(8325, 5175));
    colours::fill(this, colours::kOlive);

    auto* banner = new QLabel(u"PARA IMPRIMIR SE DEBE SELECCIONAR EL TAMAÑO"_s, this);
    banner->setObjectName(u"Label6"_s);
    banner->setGeometry(twips::rect(120, 120, 8085, 375));
    banner->setAlignment(Qt::AlignCenter);
    banner->setAutoFillBackground(true);
    QPalette bannerColours = banner->palette();
    bannerColours.setColor(QPalette::Window, QColor(255, 255, 192));
    bannerColours.setColor(QPalette::WindowText, QColor(255, 0, 0));
    banner->setPalette(bannerColours);
    setPointFont(banner, 10, true);

    auto label = [this](const QString& name, const QString& text, const QRect& where) {
        auto* l = new QLabel(text, this);
        l->setObjectName(name);
        l->setGeometry(where);
        return l;
    };
    auto field = [this](const QString& name, int maxLength, const QRect& where) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(name);
        edit->setMaxLength(maxLength);
        edit->setGeometry(where);
        edit->installEventFilter(this);
        return edit;
    };

    label(u"Label1"_s, u"Tamaño:"_s, twips::rect(240, 660, 900, 255));
    Combo1 = new QComboBox(this);
    Combo1->setObjectName(u"Combo1"_s);
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setGeometry(twips::rect(1200, 600, 3000, 315));
    setTextColour(Combo1, kBlue);
    Combo1->installEventFilter(this);

    forms::makePictureButton(u"cmdBuscar1"_s, this)->setGeometry(twips::rect(120, 1140, 375, 375));
    label(u"Label2"_s, u"Cod Interno:"_s, twips::rect(600, 1200, 1155, 255));
    Text1 = field(u"Text1"_s, 25, twips::rect(1800, 1140, 2055, 315));
    forms::makePictureButton(u"cmdBuscar4"_s, this)->setGeometry(twips::rect(4080, 1140, 375, 375));
    label(u"Label3"_s, u"Cod.Barra:"_s, twips::rect(4560, 1200, 1035, 255));
    Text2 = field(u"Text2"_s, 25, twips::rect(5640, 1140, 2535, 315));
    label(u"Label4"_s, u"Descripcion:"_s, twips::rect(240, 1740, 1455, 255));
    Text3 = field(u"Text3"_s, 60, twips::rect(1800, 1680, 6375, 315));
    QLabel* price = label(u"Label5"_s, u"Precio $"_s, twips::rect(240, 2220, 1500, 495));
    setPointFont(price, 18, true);
    fitCaption(price);
    Text4 = field(u"Text4"_s, 60, twips::rect(1800, 2160, 3000, 615));
    setPointFont(Text4, 24, true);
    // Each caption is its box's buddy, so a screen reader hears the box by it.
    for (const auto& [caption, box] :
         std::initializer_list<std::pair<const char16_t*, QWidget*>>{{u"Label1", Combo1},
                                                                     {u"Label2", Text1},
                                                                     {u"Label3", Text2},
                                                                     {u"Label4", Text3},
                                                                     {u"Label5", Text4}})
        findChild<QLabel*>(QString::fromUtf16(caption))->setBuddy(box);

    auto button = [](QWidget* parent, const QString& name, const QString& caption,
                     const QRect& where) {
        auto* b = new QPushButton(caption, parent);
        b->setObjectName(name);
        b->setGeometry(where);
        return b;
    };
    auto* eliminar =
        button(this, u"cmdEliminar"_s, u"Eliminar Etiquetas"_s, twips::rect(600, 2940, 2775, 495));
    auto* nueva =
        button(this, u"cmdNuevo"_s, u"Nueva Etiqueta"_s, twips::rect(4800, 2940, 2775, 495));
    auto* varias = button(this, u"cmdAgregarVarias"_s, u"Agregar &varias..."_s,
                          twips::rect(5040, 2220, 2535, 495));
    varias->setAccessibleName(u"Agregar varias..."_s);
    auto* lower = new QGroupBox(this);
    lower->setObjectName(u"Frame1"_s);
    lower->setGeometry(twips::rect(120, 3600, 8085, 1455));
    auto* imprimirButton =
        button(lower, u"cmdImprimir"_s, u"Imprimir"_s, twips::rect(480, 240, 3255, 975));
    imprimirButton->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    auto* cerrarButton =
        button(lower, u"cmdCerrar"_s, u"Cerrar"_s, twips::rect(4320, 240, 3255, 975));
    cerrarButton->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));

    // The size list comes first in tab order, so it holds the focus on opening.
    setTabOrder(Combo1, Text1);
    setTabOrder(Text1, Text2);
    setTabOrder(Text2, Text3);
    setTabOrder(Text3, Text4);
    // From the price, Tab goes on to queue the label, never to emptying the queue.
    setTabOrder(Text4, nueva);
    setTabOrder(nueva, eliminar);
    setTabOrder(eliminar, varias);

    connect(nueva, &QPushButton::clicked, this, &Etiquetas::nuevaEtiqueta);
    connect(eliminar, &QPushButton::clicked, this, &Etiquetas::eliminarEtiquetas);
    connect(varias, &QPushButton::clicked, this, &Etiquetas::agregarVarias);
    connect(imprimirButton, &QPushButton::clicked, this, &Etiquetas::imprimir);
    connect(cerrarButton, &QPushButton::clicked, this, &Etiquetas::cerrar);
    connect(findChild<QPushButton*>(u"cmdBuscar1"_s), &QPushButton::clicked, this,
            [this] { lookups::openLookup(kCodeLookup, Text1, this); });
    connect(findChild<QPushButton*>(u"cmdBuscar4"_s), &QPushButton::clicked, this,
            [this] { lookups::openLookup(kBarcodeLookup, Text2, this); });
}

bool Etiquetas::open()
{
    if (!files_.open({{kArticles, Data1}, {kLabels, Data2}}, parentWidget())) return false;
    Blanquear();
    fillSizeList();
    Combo1->setFocus();
    return true;
}

void Etiquetas::release() { files_.release(); }

void Etiquetas::closeEvent(QCloseEvent* event)
{
    release();
    event->accept();
}

void Etiquetas::Blanquear()
{
    for (QLineEdit* edit : {Text1, Text2, Text3, Text4}) edit->clear();
    Combo1->setCurrentIndex(-1);
    Combo1->setEditText(QString());
}

void Etiquetas::fillSizeList()
{
    for (const Size& size : sizes()) Combo1->addItem(size.entry);
    Combo1->setCurrentIndex(-1);
    Combo1->setEditText(QString());
}

void Etiquetas::fillIn(bool byBarcode)
{
    QLineEdit* key = byBarcode ? Text2 : Text1;
    if (key->text().isEmpty()) return;
    bool found = false;
    const bool ran = forms::guarded(this, [&] {
        Recordset& rs = Data1->Recordset();
        rs.setIndex(byBarcode ? u"codbarra"_s : u"codigo"_s);
        rs.Seek(key->text());
        if (rs.NoMatch()) {
            key->clear();
            key->setFocus();
            rs.MoveFirst();
            return;
        }
        found = true;
        // Every field but the key takes its article field; an empty or Null one leaves the
        // field's text as it is.
        const std::array<QLineEdit*, 4> boxes = fields();
        for (size_t i = 0; i < boxes.size(); ++i) {
            const labelqueue::Column& column = labelqueue::columns[i];
            const QVariant value = rs.Fields(column.articleField.toString()).Value();
            if (boxes[i] == key || value.isNull()) continue;
            const bool price = column.name == labelqueue::Precio.name;
            const QString text = price ? numbertext::shortest(value.toDouble()) : value.toString();
            if (!text.isEmpty()) boxes[i]->setText(text);
        }
    });
    if (!ran || !found) return;
    Text1->setFocus();
    Text1->selectAll();
}

void Etiquetas::nuevaEtiqueta()
{
    // The two numeric columns take only numbers; anything else is refused before a record starts.
    if (!Text1->text().isEmpty() && !isCode(Text1->text()))
        return refuse(u"EL CAMPO CODIGO DEBE SER UN NUMERO (EJEMPLO: 1234)"_s, Text1, this);
    if (isNegative(Text1->text()))
        return refuse(u"EL CAMPO CODIGO NO PUEDE SER NEGATIVO"_s, Text1, this);
    if (!Text4->text().isEmpty() && !numbertext::parse(Text4->text()))
        return refuse(u"EL CAMPO PRECIO DEBE SER UN NUMERO (EJEMPLO: 1234,5)"_s, Text4, this);
    if (isNegative(Text4->text()))
        return refuse(u"EL CAMPO PRECIO NO PUEDE SER NEGATIVO"_s, Text4, this);
    const bool queued = forms::guarded(
        this,
        [this] {
            Recordset& rs = Data2->Recordset();
            rs.AddNew();
            const std::array<QLineEdit*, 4> boxes = fields();
            for (size_t i = 0; i < boxes.size(); ++i)
                if (!boxes[i]->text().isEmpty())
                    rs.Fields(labelqueue::columns[i].name.toString()).setValue(boxes[i]->text());
            rs.Update();
        },
        [this] {
            // A label the file refused is not left pending.
            if (Data2->isOpen() && Data2->Recordset().editMode() != EditMode::None)
                Data2->Recordset().CancelUpdate();
        });
    if (!queued) return;
    Blanquear();
    MsgBox(u"Etiqueta Agregada, Precione Aceptar para Continuar"_s, vbExclamation, u"Informacion"_s,
           this);
}

void Etiquetas::agregarVarias()
{
    // Window-modal: the queue waits while the dialog is open; its lookups, its children, do not.
    forms::guarded(this, [this] {
        (new AgregarVarias(files_.file(kArticles), files_.file(kLabels), this))->open();
    });
}

void Etiquetas::eliminarEtiquetas()
{
    // A whole day's queue can go with one key: it is asked first, and No is the default.
    if (MsgBox(u"¿Elimina todas las etiquetas pendientes?"_s,
               vbYesNo + vbQuestion + vbDefaultButton2, u"Eliminar Etiquetas"_s,
               this) != MsgBoxResult::Yes)
        return;
    // The whole queue goes in one transaction: a failure half-way leaves it as it was.
    const bool emptied = forms::guarded(this, [this] {
        Recordset& rs = Data2->Recordset();
        Transaction transaction(files_.file(kLabels));
        // After a delete there is no current record: each round starts from the first again.
        for (rs.MoveFirst(); !rs.Eof(); rs.MoveFirst()) rs.Delete();
        transaction.CommitTrans();
    });
    if (!emptied) return;
    MsgBox(u"Etiquetas Eliminadas, Precione Aceptar para Continuar"_s, vbExclamation,
           u"Informacion"_s, this);
}

void Etiquetas::imprimir()
{
    const int position = Combo1->findText(Combo1->currentText(), Qt::MatchExactly);
    if (position < 0) {
        // Nothing chosen does nothing, as always; a size typed that is none of the list says so.
        if (!Combo1->currentText().trimmed().isEmpty())
            MsgBox(u"EL TAMAÑO \""_s + Combo1->currentText() + u"\" NO ESTA EN LA LISTA"_s,
                   vbExclamation, u"Informacion"_s, this);
        return;
    }
    // An empty queue would print blank sheets.
    bool empty = true;
    if (!forms::guarded(this, [&] {
            Recordset& queue = Data2->Recordset();
            queue.MoveFirst();
            empty = queue.Eof();
        }))
        return;
    if (empty) {
        MsgBox(u"NO HAY ETIQUETAS PARA IMPRIMIR"_s, vbExclamation, u"Informacion"_s, this);
        return;
    }
    WindowRegistry::instance().show(viewerForSize(position));
}

void Etiquetas::cerrar() { forms::closeWindow(this); }

bool Etiquetas::eventFilter(QObject* watched, QEvent* event)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || (widget != Combo1 && widget->parentWidget() != this))
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)
        forms::showFocus(widget, event->type() == QEvent::FocusIn);
    if (widget != Text1 && widget != Text2) return QWidget::eventFilter(watched, event);
    // The two codes: Enter fills the label in from the article, Esc opens the code's lookup,
    // letters typed or composed turn upper case (pasted text keeps its case).
    auto* code = static_cast<QLineEdit*>(widget);
    const bool byBarcode = code == Text2;
    if (event->type() == QEvent::KeyPress) {
        forms::FieldKeys keys;
        keys.enter = [this, byBarcode] { fillIn(byBarcode); };
        keys.escape = [this, code, byBarcode] {
            lookups::openLookup(byBarcode ? kBarcodeLookup : kCodeLookup, code, this,
                                lookups::OpenedBy::EscapeKey);
        };
        return forms::fieldKeyPress(code, static_cast<QKeyEvent*>(event), forms::UpperCase, keys);
    }
    forms::fieldEvent(code, event, forms::UpperCase);
    return QWidget::eventFilter(watched, event);
}

void registerLabelWindows(WindowRegistry& registry)
{
    registry.add({windownames::Etiquetas, WindowPlace::InFrame, QPoint(3400, 0), []() -> QWidget* {
                      auto* form = new Etiquetas;
                      if (form->open()) return form;
                      delete form;
                      return nullptr;
                  }});
}
