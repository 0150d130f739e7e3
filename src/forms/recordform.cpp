#include "recordform.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include "data/catalogue.h"
#include "data/storelocale.h"
#include "focuscolour.h"
#include "lookuphook.h"
#include "shell/msgbox.h"
#include "shell/windowregistry.h"

using namespace Qt::StringLiterals;

namespace forms {

namespace {

bool allDigits(const QString& text)
{
    if (text.isEmpty()) return false;
    for (QChar c : text)
        if (c < u'0' || c > u'9') return false;
    return true;
}

}  // namespace

RecordForm::RecordForm(const FormDef& def, QWidget* parent)
    : QWidget(parent),
      def_(def),
      data1_(new Data(this, RecordsetType::Table)),
      data2_(new Data(this, RecordsetType::Dynaset))
{
    data1_->setObjectName(u"Data1"_s);
    data2_->setObjectName(u"Data2"_s);
    setAttribute(Qt::WA_DeleteOnClose);
}

RecordForm::~RecordForm() { files_.release(); }

void RecordForm::wire()
{
    const catalogue::FileDef* file = catalogue::find(def_.fileName);
    Q_ASSERT(file);
    for (const FormField& field : def_.ring) {
        QWidget* widget = findChild<QWidget*>(field.name);
        Q_ASSERT(widget);
        auto* combo = qobject_cast<QComboBox*>(widget);
        QLineEdit* edit = combo ? combo->lineEdit() : qobject_cast<QLineEdit*>(widget);
        Q_ASSERT(edit);
        // A field takes no more characters than its table field holds.
        if (!field.tableField.isEmpty()) {
            const int index = file->table.fieldIndex(field.tableField);
            Q_ASSERT(index >= 0);
            edit->setMaxLength(file->table.fields[size_t(index)].width);
        }
        if (combo) combo->setInsertPolicy(QComboBox::NoInsert);
        widget->installEventFilter(this);
        ring_.push_back({widget, edit, combo, field});
    }
    code_ = ring_.front().edit;
    dateBox_ = findChild<QLineEdit*>(u"Text17"_s);

    auto button = [this](const QString& name, void (RecordForm::*action)()) {
        if (auto* b = findChild<QPushButton*>(name))
            connect(b, &QPushButton::clicked, this, [this, action] { (this->*action)(); });
    };
    button(u"cmdNuevo"_s, &RecordForm::crear);
    button(u"cmdGrabar"_s, &RecordForm::grabar);
    button(u"cmdEliminar"_s, &RecordForm::borrar);
    button(u"cmdCerrar"_s, &RecordForm::cerrar);
    button(u"cmdSiguiente"_s, &RecordForm::siguiente);
    button(u"cmdAnterior"_s, &RecordForm::anterior);
    if (auto* lookup = findChild<QPushButton*>(u"Command5"_s))
        connect(lookup, &QPushButton::clicked, this, [this] {
            openLookup(def_.lookupDialog, code_, this, LookupTrigger::LookupButton);
        });
}

bool RecordForm::open()
{
    if (!files_.open({{def_.fileName, data1_}, {def_.fileName, data2_}}, parentWidget()))
        return false;
    Blanquear();
    if (dateBox_) dateBox_->setText(storelocale::shortDate(QDate::currentDate()));
    code_->setFocus();
    return true;
}

void RecordForm::closeEvent(QCloseEvent* event)
{
    // Every way of closing (the button, Ctrl+W, the title bar, the program's end) asks before
    // typed changes go, with No as the default, as the article form does.
    if (!closingToReopen_ && hasUnsavedChange() && !leaveUnsaved(this)) {
        event->ignore();
        return;
    }
    files_.release();
    event->accept();
}

void RecordForm::rememberFields()
{
    remembered_.clear();
    for (const RingEntry& entry : ring_) remembered_.push_back(fieldText(entry));
}

bool RecordForm::hasUnsavedChange() const
{
    if (remembered_.size() != ring_.size()) return false;
    for (size_t i = 0; i < ring_.size(); ++i) {
        const RingEntry& entry = ring_[i];
        if (entry.edit == code_ || entry.edit == dateBox_) continue;
        if (fieldText(entry) != remembered_[i]) return true;
    }
    return false;
}

void RecordForm::guarded(const std::function<void()>& action)
{
    forms::guarded(this, action, [this] {
        // Nothing half-typed may be stored later: drop the pending record, keep the form.
        if (data1_->isOpen() && data1_->Recordset().editMode() != EditMode::None)
            data1_->Recordset().CancelUpdate();
    });
}

// ------------------------------------------------------------------ routines

void RecordForm::Blanquear()
{
    for (QLineEdit* edit : findChildren<QLineEdit*>())
        if (!(def_.blankingKeepsDate && edit == dateBox_)) edit->clear();
    for (QComboBox* combo : findChildren<QComboBox*>()) {
        combo->setCurrentIndex(-1);
        combo->setEditText(QString());
    }
    rememberFields();
}

void RecordForm::CargaDesdeBaseDatos()
{
    Recordset& rs = keyed();
    for (const RingEntry& entry : ring_) {
        if (entry.def.tableField.isEmpty()) continue;
        const QVariant value = rs.Fields(entry.def.tableField).Value();
        const QString text = value.isNull() ? QString() : value.toString();
        if (text.isEmpty()) continue;
        if (entry.combo) entry.combo->setEditText(text);
        else entry.edit->setText(text);
    }
    afterLoad(rs);
    rememberFields();
}

void RecordForm::CargaBaseDatos()
{
    Recordset& rs = keyed();
    for (const RingEntry& entry : ring_)
        if (!entry.def.tableField.isEmpty())
            rs.Fields(entry.def.tableField).setValue(fieldText(entry));
    afterStore(rs);
}

QString RecordForm::fieldText(const RingEntry& entry) const
{
    return entry.combo ? entry.combo->currentText() : entry.edit->text();
}

bool RecordForm::seekCode(const QString& code)
{
    Recordset& rs = keyed();
    rs.setIndex(def_.codeField);
    rs.Seek(code);
    return !rs.NoMatch();
}

// ------------------------------------------------------------------ commands

void RecordForm::lookUp()
{
    code_->setText(formatCode(code_->text()));
    const QString code = code_->text();
    if (code.isEmpty()) return;
    guarded([&] {
        if (!seekCode(code)) {
            MsgBox(def_.texts.notFound, vbInformation, u"Error"_s, this);
            Blanquear();
            return;
        }
        Blanquear();
        CargaDesdeBaseDatos();
        prepareLists();
        focusField(1);
    });
}

void RecordForm::crear()
{
    Blanquear();
    guarded([&] {
        prepareLists();
        std::variant<qint64, FormMessage> next = nextCode();
        if (const auto* refusal = std::get_if<FormMessage>(&next)) showFormMessage(*refusal, this);
        else code_->setText(formatCode(QString::number(std::get<qint64>(next))));
    });
    if (def_.nuevoFocus == NuevoFocus::SecondField) focusField(1);
    else if (auto* nuevo = findChild<QPushButton*>(u"cmdNuevo"_s)) nuevo->setFocus();
}

std::variant<qint64, FormMessage> RecordForm::nextCode()
{
    // The last record in the table's own order, whatever codes stand before it.
    Recordset& rs = data2_->Recordset();
    rs.MoveLast();
    if (rs.Eof()) return qint64(1);
    const QVariant value = rs.Fields(def_.codeField).Value();
    const QString last = value.isNull() ? QString() : value.toString().trimmed();
    if (!allDigits(last)) return FormMessage::LastCodeNotNumber;
    // More digits than any code can have: no next code either.
    qint64 next = last.size() > 9 ? qint64(def_.highestCode) + 1 : last.toLongLong() + 1;
    // The last record need not hold the highest code: a code in use is never proposed, or
    // the following save would replace that record.
    while (next <= def_.highestCode && seekCode(formatCode(QString::number(next)))) ++next;
    if (next > def_.highestCode) return FormMessage::NextCodeTooLarge;
    return next;
}

void RecordForm::grabar()
{
    // The code is saved in its format, as Enter would have written it.
    code_->setText(formatCode(code_->text()));
    const QString code = code_->text();
    if (code.isEmpty()) {
        if (def_.afterSave == AfterSave::ReopenAlways) reopen();
        return;
    }
    if (const auto refusal = refuseSave()) {
        showFormMessage(*refusal, this);
        return;
    }
    bool stored = false;
    guarded([&] {
        Recordset& rs = keyed();
        if (seekCode(code)) rs.Edit();
        else rs.AddNew();
        CargaBaseDatos();
        rs.Update();
        stored = true;
    });
    if (!stored) return;
    rememberFields();
    MsgBox(def_.texts.saved, vbExclamation, u"Guardar"_s, this);
    if (def_.afterSave != AfterSave::KeepShowing) reopen();
}

void RecordForm::borrar()
{
    const QString code = code_->text();
    if (code.isEmpty()) {
        MsgBox(def_.texts.missingCode, vbCritical, u"Error"_s, this);
        return;
    }
    guarded([&] {
        if (!seekCode(code)) {
            MsgBox(def_.texts.notFound, vbInformation, u"Error"_s, this);
            Blanquear();
            return;
        }
        CargaDesdeBaseDatos();
        const MsgBoxResult answer =
            MsgBox(def_.texts.deleteQuestion + fieldText(ring_[1]), vbCritical | vbYesNo,
                   def_.texts.deleteTitle + code_->text(), this);
        if (answer == MsgBoxResult::Yes && seekCode(code)) {
            Recordset& rs = keyed();
            rs.Delete();
            if (!(rs.Eof() && rs.Bof())) rs.MoveFirst();
        }
        Blanquear();
    });
}

void RecordForm::cerrar() { closeWindow(this); }

void RecordForm::siguiente() { browse(1); }
void RecordForm::anterior() { browse(-1); }

void RecordForm::browse(int direction)
{
    guarded([&] {
        Recordset& rs = keyed();
        if (!step(rs, direction, this)) return;
        Blanquear();
        CargaDesdeBaseDatos();
    });
}

void RecordForm::reopen()
{
    // The form comes back blank through the window registry, by its object name; a form the
    // registry does not know only closes.
    WindowRegistry::instance().reopen(objectName(), this, def_.reopensAtItsPlace);
    // Grabar with no code reopens the form blank as well: that is its way out.
    closingToReopen_ = true;
    cerrar();
    closingToReopen_ = false;
}

// ------------------------------------------------------------------ keys

void RecordForm::focusField(int index)
{
    const RingEntry& entry = ring_[size_t(index)];
    entry.widget->setFocus(Qt::OtherFocusReason);
    if (!entry.combo) entry.edit->selectAll();
}

void RecordForm::enterIn(int index)
{
    if (index == 0) lookUp();
    else if (index < int(ring_.size()) - 1) focusField(index + 1);
}

void RecordForm::arrowFrom(int index, int direction)
{
    const int last = int(ring_.size()) - 1;
    const int target = index + direction;
    if (target >= 0 && target <= last) focusField(target);
    else if (def_.ringWraps) focusField(target < 0 ? last : 0);
}

bool RecordForm::eventFilter(QObject* watched, QEvent* event)
{
    for (size_t i = 0; i < ring_.size(); ++i) {
        const RingEntry& entry = ring_[i];
        if (watched != entry.widget) continue;
        if (event->type() == QEvent::KeyPress) {
            const int index = int(i);
            FieldKeys keys;
            keys.enter = [this, index] { enterIn(index); };
            // A list steps through its entries with the arrows.
            if (!entry.combo)
                keys.arrow = [this, index](int direction) { arrowFrom(index, direction); };
            if (index == 0)
                keys.escape = [this] {
                    openLookup(def_.lookupDialog, code_, this, LookupTrigger::EscapeKey);
                };
            return fieldKeyPress(entry.edit, static_cast<QKeyEvent*>(event), entry.def.flags, keys);
        }
        fieldEvent(entry.edit, event,
                   entry.combo ? entry.def.flags & ~SelectOnClick : entry.def.flags);
        if ((entry.def.flags & Highlight) &&
            (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut))
            showFocus(entry.widget, event->type() == QEvent::FocusIn);
        return false;
    }
    return QWidget::eventFilter(watched, event);
}

RecordForm* opened(RecordForm* form)
{
    if (form->open()) return form;
    delete form;
    return nullptr;
}

}  // namespace forms
