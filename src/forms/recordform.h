#pragma once
// The record form: a row of entry fields over one table, worked from the keyboard. A form
// builds its widgets (with their object names) and describes itself in a FormDef; this
// class gives the fields their key handling and runs look-up, Nuevo, Grabar, Eliminar,
// Cerrar and, where present, record browsing.

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

#include "data/datacontrol.h"
#include "formmessages.h"
#include "formparts.h"

class QComboBox;
class QKeyEvent;
class QLineEdit;
class QPushButton;

namespace forms {

struct FormField {
    QString name;        // object name of a QLineEdit or QComboBox ("Text2", "Combo1")
    QString tableField;  // the table field it loads and stores; empty when none
    int flags = UpperCase | SelectOnClick;
};

struct FormTexts {
    QString notFound;        // look-up and delete of an unknown code
    QString saved;           // after Grabar
    QString missingCode;     // Eliminar with an empty code
    QString deleteQuestion;  // followed by the second field's text
    QString deleteTitle;     // followed by the code
};

enum class AfterSave {
    KeepShowing,       // the form keeps the saved record
    ReopenAlways,      // every press of Grabar closes the form and opens it anew
    ReopenAfterSaved,  // a save (not an empty code) closes the form and opens it anew
};

enum class NuevoFocus { NuevoButton, SecondField };

struct FormDef {
    QString fileName;      // "Proveedores.mdb"
    QString codeField;     // table field and index of the code ("COD_PROV")
    QString lookupDialog;  // "ConsuProveedor"
    FormTexts texts;
    std::vector<FormField> ring;  // the code field first
    bool ringWraps = true;  // Up in the first field goes to the last, Down in the last to the first
    int highestCode = 9999;  // Nuevo proposes no code above this
    NuevoFocus nuevoFocus = NuevoFocus::NuevoButton;
    AfterSave afterSave = AfterSave::KeepShowing;
    bool reopensAtItsPlace =
        false;  // inside the main window a reopened form goes to its registered place
    bool blankingKeepsDate = false;  // the date box survives Blanquear
};

class RecordForm : public QWidget {
    Q_OBJECT
public:
    ~RecordForm() override;

    // Opens the form's file twice (Data1 keyed, Data2 dynaset), blanks the form and writes
    // the date. On an engine error shows the error box and returns false with nothing open.
    bool open();

    // Empties every text box and the shown text of the lists.
    void Blanquear();
    // Loads the keyed binding's current record into the fields.
    void CargaDesdeBaseDatos();
    // Stores the fields into the keyed binding's pending record. (The article model's
    // CargoBaseDatos is another routine, with its own name.)
    void CargaBaseDatos();

protected:
    RecordForm(const FormDef& def, QWidget* parent);

    // Called by the form's constructor once its widgets exist.
    void wire();

    // Form particulars.
    virtual void afterLoad(Recordset&) {}
    virtual void afterStore(Recordset&) {}
    virtual std::optional<FormMessage> refuseSave() const { return std::nullopt; }
    // Runs at Nuevo and after a successful look-up (the forms with a list fill it then).
    virtual void prepareLists() {}

    // The record commands; the forms give them their own names.
    void crear();
    void grabar();
    void borrar();
    void cerrar();
    void siguiente();
    void anterior();

    QLineEdit* codeField() const { return code_; }
    Recordset& keyed() { return data1_->Recordset(); }
    const FormDef& def() const { return def_; }

    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    struct RingEntry {
        QWidget* widget;
        QLineEdit* edit;  // the text the field holds (the list's editor for a combo box)
        QComboBox* combo;
        FormField def;
    };

    // Runs a command under the engine-error guard; an error drops the pending record.
    void guarded(const std::function<void()>& action);
    void lookUp();
    // The code Nuevo proposes, or why it proposes none.
    std::variant<qint64, FormMessage> nextCode();
    bool seekCode(const QString& code);
    void focusField(int index);
    void enterIn(int index);
    void arrowFrom(int index, int direction);
    void browse(int direction);
    void reopen();
    QString fieldText(const RingEntry& entry) const;
    // The fields' texts as last blanked, loaded or stored, and whether any differs now. The
    // code and the date stay out: typing a code is a search, and the form writes the date.
    void rememberFields();
    bool hasUnsavedChange() const;

    FormDef def_;
    Data* data1_;
    Data* data2_;
    FormFiles files_;  // def_.fileName, which both data controls read
    std::vector<RingEntry> ring_;
    QLineEdit* code_ = nullptr;
    QLineEdit* dateBox_ = nullptr;
    std::vector<QString> remembered_;
    bool closingToReopen_ = false;
};

// `form` with its file open, or nullptr (after the error box, the form deleted) when the
// file cannot be opened.
RecordForm* opened(RecordForm* form);

}  // namespace forms
