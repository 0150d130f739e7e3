#pragma once
// The article form `Articulos`: the child window in which the staff create, change, browse and
// delete articles, worked from the keyboard field by field. The rules live in ArticleModel and
// articlesave.h; this window binds its text boxes to the model, runs the commands and shows
// the boxes.

#include <QHash>
#include <QWidget>
#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "articlefields.h"
#include "articlemodel.h"
#include "forms/formparts.h"

class Data;
class QLabel;
class QLineEdit;
class QRadioButton;
class WindowRegistry;

class Articulos : public QWidget {
    Q_OBJECT
public:
    explicit Articulos(QWidget* parent = nullptr);
    ~Articulos() override;

    // Opens the five bindings, blanks and locks the form and writes the date. On an engine
    // error shows the error box and returns false with nothing open.
    bool open();

    // Empties every text box, the two date boxes included; the unit stays.
    void Blanquear();
    // Makes the fields read-only except the code, the barcode and the category description.
    void Bloquear();
    void Desbloquear();

    // The mode flags (the system's Bandera and BanNuevo): a new or changed article is
    // pending; the pending article is new.
    bool pending() const { return pending_; }
    bool newArticle() const { return newArticle_; }
    // The code of the stored article the form shows, if any.
    std::optional<qint64> shownArticle() const { return shown_; }
    // Shows the stored article again when nothing is pending: another window (a bulk price
    // change) has stored new values, which a later Modificar and Grabar must not overwrite
    // with the old ones still on the form.
    void showStoredAgain();
    articles::ArticleModel& model() { return model_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // True when the form may close: nothing pending, or the user chose to leave it unsaved.
    bool mayClose();
    void build();
    void bind();
    QLineEdit* edit(articles::ArticleField field) const;
    // The control of that object name.
    QWidget* named(const char16_t* name) const;

    void modificar();
    void nuevo();
    void grabar();
    void eliminar();
    void cerrar();
    void browse(int direction);
    void rellenarIva();
    // The unit captions and the selected option as the model has them.
    void showUnit();

    // Blanks the form and loads the current record of the keyed binding into it.
    void showArticle();
    // Shows in the boxes and the unit what the model changed since it was last asked.
    void showChanges();
    // Empties the two date boxes.
    void blankDates();
    void searchCode();
    void searchBarcode();
    bool refuseSearchWhilePending(QLineEdit* field);
    void relatedCode(QLineEdit* code);
    void priceEntry();
    void surchargeEntry(int list);

    bool keyPress(QWidget* field, QKeyEvent* event);
    // What Enter does in the entry field `field`, by its row of the field table.
    void enterIn(QLineEdit* field);
    void selectField(QWidget* field);
    void tabFrom(QWidget* field);
    void refuse(const articles::Outcome& outcome);
    void error(const QString& prompt, QWidget* focus);
    void reopen();

    articles::ArticleModel model_;
    bool pending_ = false;
    bool newArticle_ = false;
    std::optional<qint64> shown_;
    // Nothing has happened on the form since a save reopened it.
    bool justSaved_ = false;

    Data* Data1;
    Data* Data2;
    Data* Data3;
    Data* Data4;
    // Articulos.mdb (Data1), Proveedores.mdb (Data2), Marcas.mdb (Data3), Rubros.mdb (Data4).
    forms::FormFiles files_;

    QLineEdit* Text1 = nullptr;
    QLineEdit* Text2 = nullptr;
    QLineEdit* Text3 = nullptr;
    QLineEdit* Text12 = nullptr;
    QLineEdit* Text13 = nullptr;
    QLineEdit* Text18 = nullptr;
    QLineEdit* Text19 = nullptr;
    QRadioButton* Option1 = nullptr;
    QLabel* prompt_ = nullptr;
    std::vector<QWidget*> tabOrder_;
    QHash<QString, QWidget*> named_;
    std::array<QLineEdit*, articles::kFieldCount> edits_{};
    std::array<QLabel*, 3> unitCaptions_{};
    std::array<QRadioButton*, 5> unitOptions_{};  // by Unit; None has none
};

// A new, opened article form, or nullptr (after the error box) when a file cannot be opened.
QWidget* newArticulos();

// Registers `Articulos` as a child window of the main window.
void registerArticleWindows(WindowRegistry& registry);
