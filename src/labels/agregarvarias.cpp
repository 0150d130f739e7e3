#include "agregarvarias.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "data/engine.h"
#include "forms/lookuphook.h"
#include "shell/lookupnames.h"
#include "shell/msgbox.h"
#include "shell/twips.h"

using namespace Qt::StringLiterals;
using namespace articles;

namespace {

const QString kTitle = u"Agregar varias etiquetas"_s;

QString counted(qint64 count, const QString& one, const QString& many)
{
    return QString::number(count) + u' ' + (count == 1 ? one : many);
}

// The box's text as a whole number from 0 that a code holds; none otherwise.
std::optional<qint64> wholeFromZero(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 18) return std::nullopt;
    for (QChar c : t)
        if (c < u'0' || c > u'9') return std::nullopt;
    return t.toLongLong();
}

}  // namespace

AgregarVarias::AgregarVarias(Database& articulos, Database& etiquetas, QWidget* parent)
    : QDialog(parent), articulos_(articulos), etiquetas_(etiquetas)
{
    setAttribute(Qt::WA_DeleteOnClose);
    build();
}

void AgregarVarias::build()
{
    setObjectName(u"AgregarVarias"_s);
    setWindowTitle(kTitle);
    setFixedSize(twips::size(6360, 3360));

    // A box with its caption: the caption is its buddy and its accessible name, so a screen
    // reader names the box by it; Enter moves on to the next control, as in every form.
    auto box = [this](const QString& name, const QString& caption, const QRect& captionPlace,
                      const QRect& boxPlace) {
        auto* label = new QLabel(caption, this);
        label->setObjectName(u"lbl"_s + name.mid(3));
        label->setGeometry(captionPlace);
        auto* edit = new QLineEdit(this);
        edit->setObjectName(name);
        edit->setGeometry(boxPlace);
        edit->setAccessibleName(QString(caption).remove(u'&').remove(u':'));
        label->setBuddy(edit);
        connect(edit, &QLineEdit::returnPressed, this, [this] { focusNextChild(); });
        return edit;
    };
    auto row = [&box](const QString& name, const QString& caption, int top, int width) {
        return box(name, caption, twips::rect(120, top + 60, 2280, 255),
                   twips::rect(2520, top, width, 315));
    };
    txtProveedor_ = row(u"txtProveedor"_s, u"&Proveedor:"_s, 120, 1215);
    txtMarca_ = row(u"txtMarca"_s, u"&Marca:"_s, 540, 1215);
    txtRubro_ = row(u"txtRubro"_s, u"R&ubro:"_s, 960, 1215);
    for (auto [code, dialog] : {std::pair{txtProveedor_, lookupnames::ConsuProveedor1},
                                {txtMarca_, lookupnames::ConsuMarcas1},
                                {txtRubro_, lookupnames::ConsuRubros1}}) {
        code->setMaxLength(10);
        forms::lookUpOnEscape(code, dialog);
    }
    txtDescripcion_ = row(u"txtDescripcion"_s, u"&Descripción contiene:"_s, 1380, 3720);
    txtDescripcion_->setMaxLength(255);
    txtDesde_ = row(u"txtDesde"_s, u"Códigos d&esde:"_s, 1800, 1215);
    txtHasta_ = box(u"txtHasta"_s, u"&hasta:"_s, twips::rect(3900, 1860, 900, 255),
                    twips::rect(4920, 1800, 1320, 315));
    txtCantidad_ = row(u"txtCantidad"_s, u"&Cantidad por artículo:"_s, 2220, 1215);
    txtCantidad_->setText(u"1"_s);

    auto button = [this](const QString& name, const QString& caption, const QRect& where) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setAccessibleName(QString(caption).remove(u'&'));
        b->setGeometry(where);
        // Enter in a box moves on; only Enter on a focused button presses it.
        b->setAutoDefault(false);
        return b;
    };
    auto* aceptar = button(u"cmdAceptar"_s, u"&Aceptar"_s, twips::rect(2520, 2760, 1695, 435));
    auto* cancelar = button(u"cmdCancelar"_s, u"Ca&ncelar"_s, twips::rect(4545, 2760, 1695, 435));
    connect(aceptar, &QPushButton::clicked, this, &AgregarVarias::aceptar);
    connect(cancelar, &QPushButton::clicked, this, &QDialog::reject);
    txtProveedor_->setFocus();
}

QString AgregarVarias::readSelection(PriceSelection& selection)
{
    selection.supplier = storedPartyCode(txtProveedor_->text());
    selection.brand = storedPartyCode(txtMarca_->text());
    selection.category = storedPartyCode(txtRubro_->text());
    selection.description = txtDescripcion_->text().trimmed();
    for (auto [edit, into] :
         {std::pair{txtDesde_, &selection.fromCode}, {txtHasta_, &selection.toCode}}) {
        if (edit->text().trimmed().isEmpty()) continue;
        *into = wholeFromZero(edit->text());
        if (!*into) {
            edit->setFocus();
            edit->selectAll();
            return u"\"%1\" no es un código de artículo."_s.arg(edit->text());
        }
    }
    if (selection.supplier.isEmpty() && selection.brand.isEmpty() && selection.category.isEmpty() &&
        selection.description.isEmpty() && !selection.fromCode && !selection.toCode) {
        txtProveedor_->setFocus();
        return u"Elija qué artículos: proveedor, marca, rubro, descripción o códigos."_s;
    }
    return QString();
}

QString AgregarVarias::readQuantity(int& quantity)
{
    const std::optional<qint64> typed = wholeFromZero(txtCantidad_->text());
    if (typed && *typed >= 1 && *typed <= kMaxLabelsPerArticle) {
        quantity = int(*typed);
        return QString();
    }
    txtCantidad_->setFocus();
    txtCantidad_->selectAll();
    return u"La cantidad por artículo es un número de 1 a %1."_s.arg(kMaxLabelsPerArticle);
}

void AgregarVarias::aceptar()
{
    PriceSelection selection;
    int quantity = 0;
    QString problem = readSelection(selection);
    if (problem.isEmpty()) problem = readQuantity(quantity);
    if (!problem.isEmpty()) {
        MsgBox(problem, vbExclamation, kTitle, this);
        return;
    }
    try {
        const qint64 chosen = countForLabels(articulos_, selection);
        if (chosen == 0) {
            MsgBox(u"Ningún artículo cumple las condiciones: no se agregó ninguna etiqueta."_s,
                   vbExclamation, kTitle, this);
            return;
        }
        const qint64 labels = chosen * quantity;
        if (MsgBox(u"¿Agrega %1 de %2 a la cola?"_s.arg(
                       counted(labels, u"etiqueta"_s, u"etiquetas"_s),
                       counted(chosen, u"artículo"_s, u"artículos"_s)),
                   vbYesNo + vbQuestion, kTitle, this) != MsgBoxResult::Yes)
            return;
        const int queued = queueLabelsFor(articulos_, etiquetas_, selection, quantity);
        MsgBox(queued == 1 ? u"Se agregó 1 etiqueta a la cola."_s
                           : u"Se agregaron %1 etiquetas a la cola."_s.arg(queued),
               vbInformation, kTitle, this);
    } catch (const EngineError& error) {
        ShowErrorBox(error, this);
        return;
    } catch (const PriceChangeRefused& refused) {
        MsgBox(refused.message(), vbExclamation, kTitle, this);
        return;
    }
    accept();
}
