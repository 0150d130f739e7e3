// The article form, driven from the keyboard on a throwaway store.

#include <QAccessible>
#include <QApplication>
#include <QDate>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTimer>

#include "articles/articlesave.h"
#include "articles/articulos.h"
#include "data/filereplace.h"
#include "data/storelocale.h"
#include "forms/lookuphook.h"
#include "forms/recordform.h"
#include "guards.h"
#include "lookups/lookups.h"
#include "scenario.h"
#include "shell/twips.h"
#include "shell/windowregistry.h"
#include "tempstore.h"
#include "tests.h"

using namespace Qt::StringLiterals;

namespace {

// Code order (also the table's own order) 7, 41, 123, 200; barcode order 100 (200), 555 (41),
// 779007 (7), 779123 (123).
const char* const kArticles[] = {
    "123, '779123', 'YERBA MATE 1 KG', '0012', 'DISTRIBUIDORA SUR', '0003', 'ARCOR', '0005', "
    "'ALMACEN', 100, 21, 121, 'Un', 5, 2, 0, 7, 3, 1, 30, 157.3, 40, 169.4, 50, 181.5",
    "7, '779007', 'ACEITE GIRASOL', '-', '0', '-', '0', '-', '-', 40, 25, 50, 'Lt', 1, 0, 0, 1, 0, "
    "0, 0, 0, 0, 0, 0, 0",
    "200, '100', 'ARROZ', '-', '0', '-', '0', '-', '-', 10, 0, 10, NULL, 0, 0, 0, 0, 0, 0, 0, 0, "
    "0, 0, 0, 0",
    "41, '555', 'FIDEOS', '-', '0', '-', '0', '-', '-', 20, 0, 20, 'Kg', 0, 0, 0, 0, 0, 0, 0, 0, "
    "0, 0, 0, 0",
};
const char* const kColumns =
    "codigo, codbarra, descripcion, codp, desp, codm, desm, codr, desr, net, iva, cos, uni, dep1, "
    "dep2, dep3, dept, min, ped, rec1, lis1, rec2, lis2, rec3, lis3";

// Today as the store's locale helper writes it, as the form shows it.
QString today() { return storelocale::shortDate(QDate::currentDate()); }

QString articulosPath() { return paths::toNative(paths::inBases(u"Articulos.mdb"_s)); }

QString tempoFolder() { return paths::toNative(u"c:\\norvik\\tempo\\"_s); }

// Every article as "codigo|codbarra|descripcion|..." for the given columns, in code order.
QStringList storedArticles(const QStringList& columns)
{
    QStringList rows =
        fixture::DataFolder::rows(u"Articulos.mdb"_s, QStringList{u"codigo"_s} + columns);
    std::sort(rows.begin(), rows.end(), [](const QString& a, const QString& b) {
        return a.section(u'|', 0, 0).toInt() < b.section(u'|', 0, 0).toInt();
    });
    return rows;
}

QString storedArticle(int code, const QStringList& columns)
{
    for (const QString& row : storedArticles(columns))
        if (row.section(u'|', 0, 0).toInt() == code) return row.section(u'|', 1);
    return u"<missing>"_s;
}

const QString kLeaveUnsaved =
    u"276|ERROR|DEBE GUARDAR LOS CAMBIOS PARA PODER SALIR\n¿Sale sin guardar los cambios?"_s;

Articulos* openForm()
{
    return qobject_cast<Articulos*>(WindowRegistry::instance().openWindow(u"Articulos"_s));
}

}  // namespace

class TestArticulos : public QObject {
    Q_OBJECT

    std::optional<fixture::DataFolder> data_;
    QMdiArea frame_;
    // The main window's hooks for the life of the test class.
    std::optional<fixture::RegistryGuard> registry_;
    std::optional<fixture::LookupOpenerGuard> lookupOpener_;

    // A fresh store and a freshly opened form, the way the main window opens it.
    Articulos* start(const QStringList& extraArticles = {})
    {
        if (auto* open = openForm()) {
            // What the last test left pending is dropped.
            ScriptedMessageBoxes leave;
            leave.answer(MsgBoxResult::Yes);
            open->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        data_.emplace();
        data_->create(u"Proveedores.mdb"_s,
                      {{{u"COD_PROV"_s, u"0012"_s}, {u"RAZON_SOC"_s, u"DISTRIBUIDORA SUR"_s}}});
        data_->create(u"Marcas.mdb"_s, {{{u"COD_RUB"_s, u"0003"_s}, {u"DESCRI"_s, u"ARCOR"_s}}});
        data_->create(u"Rubros.mdb"_s, {{{u"COD_RUB"_s, u"0005"_s}, {u"DESCRI"_s, u"ALMACEN"_s}}});
        QStringList rows;
        for (const char* row : kArticles) rows << QString::fromLatin1(row);
        rows << extraArticles;
        data_->createFilled(u"Articulos.mdb"_s, [&](Database& db) {
            for (const QString& row : rows)
                db.Execute(u"INSERT INTO articulos (%1) VALUES (%2)"_s.arg(
                    QString::fromLatin1(kColumns), row));
        });
        auto* form = qobject_cast<Articulos*>(WindowRegistry::instance().show(u"Articulos"_s));
        if (form) fixture::showActive(form);
        return form;
    }

    static QString modeOf(Articulos* form)
    {
        if (!form->pending()) return u"browse"_s;
        return form->newArticle() ? u"new"_s : u"change"_s;
    }

private slots:
    void initTestCase()
    {
        registry_.emplace(&frame_);
        registerArticleWindows(WindowRegistry::instance());
        lookupOpener_.emplace(
            [](const QString& name, QLineEdit* target, QWidget* caller, forms::LookupTrigger how) {
                lookups::openLookup(name, target, caller,
                                    how == forms::LookupTrigger::EscapeKey
                                        ? lookups::OpenedBy::EscapeKey
                                        : lookups::OpenedBy::SearchButton);
            });
        frame_.resize(1100, 800);
        frame_.show();
    }

    void cleanupTestCase()
    {
        if (auto* open = openForm()) {
            ScriptedMessageBoxes leave;
            leave.answer(MsgBoxResult::Yes);
            open->close();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        lookupOpener_.reset();
        registry_.reset();
    }

    // ------------------------------------------------------------ layout

    void layout()
    {
        Articulos* form = start();
        QVERIFY(form);
        QCOMPARE(form->windowTitle(), u"Articulos"_s);
        QCOMPARE(form->size(), twips::size(9405, 6495));
        auto* sub = qobject_cast<QMdiSubWindow*>(form->parentWidget());
        QVERIFY(sub);
        QCOMPARE(sub->pos(), twips::point(2900, 0));
        QCOMPARE(form->palette().color(QPalette::Window), QColor(192, 192, 0));

        QStringList groups;
        for (auto* g : form->findChildren<QGroupBox*>()) groups << g->title();
        groups.sort();
        QCOMPARE(groups,
                 (QStringList{u"Agregar"_s, u"Articulo:"_s, u"Datos:"_s, u"Lista de Precio 1:"_s,
                              u"Lista de Precio 2:"_s, u"Lista de Precio 3:"_s}));
        for (int i = 1; i <= 25; ++i)
            QVERIFY2(form->findChild<QLineEdit*>(u"Text%1"_s.arg(i)),
                     qPrintable(QString::number(i)));
        QCOMPARE(form->findChild<QLineEdit*>(u"Text1"_s)->maxLength(), 25);
        QCOMPARE(form->findChild<QLineEdit*>(u"Text2"_s)->maxLength(), 25);
        QCOMPARE(form->findChild<QLineEdit*>(u"Text3"_s)->maxLength(), 60);
        QVERIFY(!form->findChild<QLineEdit*>(u"Text18"_s)->isEnabled());
        QVERIFY(!form->findChild<QLineEdit*>(u"Text19"_s)->isEnabled());
        for (const QString& name : {u"Text21"_s, u"Text23"_s, u"Text25"_s}) {
            auto* price = form->findChild<QLineEdit*>(name);
            QCOMPARE(price->palette().color(QPalette::Base), QColor(224, 224, 224));
            QCOMPARE(price->palette().color(QPalette::Text), QColor(Qt::red));
            QCOMPARE(price->font().pointSize(), 12);
            QVERIFY(price->font().bold());
        }
        // A price box left goes white, as every box does.
        auto* list1 = form->findChild<QLineEdit*>(u"Text21"_s);
        list1->setFocus();
        QCOMPARE(list1->palette().color(QPalette::Base), QColor(192, 255, 255));
        form->findChild<QLineEdit*>(u"Text22"_s)->setFocus();
        QCOMPARE(list1->palette().color(QPalette::Base), QColor(255, 255, 255));
        const QStringList captions = {u"&Modificar"_s, u"&Nuevo"_s, u"&Grabar"_s, u"&Eliminar"_s,
                                      u"&Cerrar"_s};
        const QStringList names = {u"cmdModificar"_s, u"cmdNuevo"_s, u"cmdGrabar"_s,
                                   u"cmdEliminar"_s, u"cmdCerrar"_s};
        int left = -1;
        for (int i = 0; i < names.size(); ++i) {
            auto* b = form->findChild<QPushButton*>(names[i]);
            QCOMPARE(b->text(), captions[i]);
            QVERIFY(b->x() > left);
            left = b->x();
            QCOMPARE(b->y(), twips::toPixelsY(5400));
        }
        QCOMPARE(form->findChild<QPushButton*>(u"cmdSiguiente"_s)->text(), u"&Siguiente"_s);
        QCOMPARE(form->findChild<QPushButton*>(u"cmdAnterior"_s)->text(), u"&Anterior"_s);
        for (int i = 1; i <= 5; ++i) {
            auto* b = form->findChild<QPushButton*>(u"cmdBuscar%1"_s.arg(i));
            QVERIFY(b->text().isEmpty() && !b->icon().isNull());
            QCOMPARE(b->size(), twips::size(375, 375));
        }
        QCOMPARE(form->findChild<QPushButton*>(u"Command1"_s)->size(), twips::size(255, 255));
        // The prompt line and the "Agregar" group lie below the client area.
        auto* prompt = form->findChild<QLabel*>(u"lblMensaje"_s);
        QCOMPARE(prompt->y(), twips::toPixelsY(6720));
        QCOMPARE(prompt->width(), twips::toPixelsX(9135));
        QCOMPARE(prompt->palette().color(QPalette::Window), QColor(255, 255, 192));
        QCOMPARE(prompt->palette().color(QPalette::WindowText), QColor(Qt::red));
        // Units in the order Unidades, Litros, Kilos, Metros; captions before any unit.
        QStringList tab;
        QWidget* w = form->findChild<QWidget*>(u"Text12"_s);
        for (int i = 0; i < 5; ++i) {
            w = w->nextInFocusChain();
            tab << w->objectName();
        }
        QCOMPARE(tab, (QStringList{u"Option1"_s, u"Option3"_s, u"Option2"_s, u"Option4"_s,
                                   u"Text13"_s}));
        QStringList units;
        for (int i = 1; i <= 3; ++i)
            units << form->findChild<QLabel*>(u"lblUnidad%1"_s.arg(i))->text();
        QCOMPARE(units, (QStringList{u"Kg"_s, u"Pi"_s, u"Lt"_s}));
    }

    void locking()
    {
        ScriptedMessageBoxes boxes;
        Articulos* form = start();
        const QStringList neverLocked = {u"Text1"_s, u"Text2"_s, u"Text9"_s};
        for (int i = 1; i <= 25; ++i) {
            if (i == 18 || i == 19) continue;
            const QString name = u"Text%1"_s.arg(i);
            QCOMPARE(form->findChild<QLineEdit*>(name)->isReadOnly(), !neverLocked.contains(name));
        }
        fixture::run(form, boxes, {u"Text1:123"_s, u"Text1 Enter"_s, u"cmdModificar"_s});
        for (int i = 1; i <= 25; ++i)
            if (i != 18 && i != 19)
                QVERIFY(!form->findChild<QLineEdit*>(u"Text%1"_s.arg(i))->isReadOnly());
        QVERIFY(boxes.shown().isEmpty());
    }

    // A stored description longer than its box shows cut to fit, and the form holds what it shows.
    void descriptionLongerThanItsBox()
    {
        ScriptedMessageBoxes boxes;
        const QString stored(70, u'D');
        Articulos* form =
            start({u"300, '300', '%1', '-', '0', '-', '0', '-', '-', 10, 0, 10, 'Un', 0, 0, 0, 0, "
                   "0, 0, 0, 0, 0, 0, 0, 0"_s.arg(stored)});
        fixture::run(form, boxes, {u"Text1:300"_s, u"Text1 Enter"_s});
        auto* box = form->findChild<QLineEdit*>(u"Text3"_s);
        QCOMPARE(box->text(), stored.left(60));
        QCOMPARE(form->model().text(articles::ArticleField::Descripcion), box->text());
        // A long text shows its start, as it is read, in every box filled by a load.
        QVERIFY(!box->hasFocus());
        QCOMPARE(box->cursorPosition(), 0);
    }

    // Tab never stops on the buttons below the form's visible area, so the focus never vanishes.
    void tabStaysInTheVisibleForm()
    {
        ScriptedMessageBoxes boxes;
        Articulos* form = start();
        form->findChild<QLineEdit*>(u"Text1"_s)->setFocus();
        for (int i = 0; i < 60; ++i) {
            QWidget* focus = QApplication::focusWidget();
            QVERIFY(focus);
            QVERIFY2(form->rect().contains(focus->mapTo(form, QPoint(0, 0))),
                     qPrintable(focus->objectName()));
            QTest::keyClick(focus, Qt::Key_Tab);
        }
    }

    // Through the accessibility interface, as a screen reader hears the form: each box by its
    // own caption, never by its frame's title alone.
    void eachBoxIsHeardByItsCaption()
    {
        ScriptedMessageBoxes boxes;
        Articulos* form = start();
        QMap<QString, QString> heard;
        std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
            for (int i = 0; node && i < node->childCount(); ++i) {
                QAccessibleInterface* child = node->child(i);
                if (!child) continue;
                if (child->role() == QAccessible::EditableText && child->object())
                    heard.insert(child->object()->objectName(), child->text(QAccessible::Name));
                walk(child);
            }
        };
        walk(QAccessible::queryAccessibleInterface(form));
        QCOMPARE(heard.size(), 25);
        const QStringList frames = {u"Datos:"_s, u"Articulo:"_s, u"Lista de Precio 1:"_s,
                                    u"Lista de Precio 2:"_s, u"Lista de Precio 3:"_s};
        for (auto it = heard.cbegin(); it != heard.cend(); ++it)
            QVERIFY2(!it.value().isEmpty() && !frames.contains(it.value()),
                     qPrintable(it.key() + u": "_s + it.value()));
        const QMap<QString, QString> some = {{u"Text1"_s, u"Cod Interno:"_s},
                                             {u"Text2"_s, u"Cod.Barra:"_s},
                                             {u"Text3"_s, u"Descripcion:"_s},
                                             {u"Text5"_s, u"Proveedor: nombre"_s},
                                             {u"Text12"_s, u"COSTO:  $"_s},
                                             {u"Text13"_s, u"Deposito 1"_s},
                                             {u"Text23"_s, u"Lista de Precio 2: LISTA: $"_s}};
        for (auto it = some.cbegin(); it != some.cend(); ++it)
            QCOMPARE(heard.value(it.key()), it.value());
    }

    // A dead key's accent arrives as composed text, not as a key press: it follows the field's
    // rules all the same.
    void composedText()
    {
        ScriptedMessageBoxes boxes;
        Articulos* form = start();
        fixture::run(form, boxes, {u"cmdNuevo"_s});
        const std::pair<QString, QString> cases[] = {{u"Text3"_s, u"CAFÉ"_s},
                                                     {u"Text10"_s, u"1,5"_s}};
        for (const auto& [name, expected] : cases) {
            auto* field = form->findChild<QLineEdit*>(name);
            field->setFocus();
            field->clear();
            QTest::keyClicks(field, name == u"Text3" ? u"caf"_s : u"1"_s);
            QInputMethodEvent composed;
            composed.setCommitString(name == u"Text3" ? u"é"_s : u".5"_s);
            QCoreApplication::sendEvent(field, &composed);
            QCOMPARE(field->text(), expected);
        }
    }

    // ------------------------------------------------------------ keyboard scenarios

    void scenarios_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("mode");

        const QString load = u"Text1:123"_s, enter1 = u"Text1 Enter"_s;
        auto row = [](const char* name, QStringList steps, QStringList boxes, QString focus,
                      QStringList fields, QString mode) {
            QTest::newRow(name) << steps << boxes << focus << fields << mode;
        };

        row("opened: blank, locked, dated", {}, {}, u"Text1"_s,
            {u"Text1="_s, u"Text3="_s, u"Text18="_s + today(), u"Text19="_s}, u"browse"_s);
        // Searches.
        row("search by code", {load, enter1}, {}, u"Text2"_s,
            {u"Text1=123"_s, u"Text2=779123"_s, u"Text3=YERBA MATE 1 KG"_s, u"Text4=0012"_s,
             u"Text5=DISTRIBUIDORA SUR"_s, u"Text12=121"_s, u"Text21=157,3"_s, u"Text18="_s},
            u"browse"_s);
        row("search by code with leading zeros", {u"Text1:000041"_s, enter1}, {}, u"Text2"_s,
            {u"Text1=41"_s, u"Text3=FIDEOS"_s}, u"browse"_s);
        row("search by code, empty", {enter1}, {}, u"Text1"_s,
            {u"Text1="_s, u"Text18="_s + today()}, u"browse"_s);
        row("search by code, no such article", {u"Text2:abc"_s, u"Text1:999999"_s, enter1}, {},
            u"Text1"_s, {u"Text1="_s, u"Text2=ABC"_s}, u"browse"_s);
        row("search by code, letters", {u"Text1:ab"_s, enter1}, {}, u"Text1"_s, {u"Text1="_s},
            u"browse"_s);
        row("search by barcode", {u"Text2:779007"_s, u"Text2 Enter"_s}, {}, u"Text3"_s,
            {u"Text1=7"_s, u"Text3=ACEITE GIRASOL"_s, u"Text13=1"_s}, u"browse"_s);
        row("search by barcode, no such article", {load, enter1, u"Text2:999"_s, u"Text2 Enter"_s},
            {}, u"Text3"_s,
            {u"Text1=123"_s, u"Text2=999"_s, u"Text3="_s, u"Text5=DISTRIBUIDORA SUR"_s},
            u"browse"_s);
        // Modes.
        row("Nuevo on a blank form", {u"cmdNuevo"_s}, {}, u"Text2"_s,
            {u"Text1=000201"_s, u"Text3="_s}, u"new"_s);
        row("Nuevo copies the article shown", {load, enter1, u"cmdNuevo"_s}, {}, u"Text2"_s,
            {u"Text1=000201"_s, u"Text2=779123"_s, u"Text3=YERBA MATE 1 KG"_s, u"Text21=157,3"_s},
            u"new"_s);
        row("Nuevo by its accelerator", {u"Text1 Alt+N"_s}, {}, u"Text2"_s, {u"Text1=000201"_s},
            u"new"_s);
        row("new article: Enter only moves",
            {u"cmdNuevo"_s, u"Text2:779007"_s, u"Text2 Enter"_s, enter1}, {}, u"Text2"_s,
            {u"Text1=000201"_s, u"Text2=779007"_s, u"Text3="_s}, u"new"_s);
        row("Modificar", {load, enter1, u"cmdModificar"_s}, {}, u"Text2"_s,
            {u"Text19="_s + today(), u"Text3=YERBA MATE 1 KG"_s}, u"change"_s);
        const QString noArticle = u"16|ERROR|NO HAY ARTICULO SELECCIONADO"_s;
        row("Modificar with no article", {u"cmdModificar"_s}, {noArticle}, u"cmdModificar"_s,
            {u"Text19="_s}, u"browse"_s);
        row("Modificar in the new mode", {u"cmdNuevo"_s, u"focus Text5"_s, u"cmdModificar"_s}, {},
            u"Text2"_s, {u"Text19="_s + today(), u"Text1=000201"_s}, u"new"_s);
        row("Modificar after a failed search",
            {load, enter1, u"Text1:9"_s, enter1, u"cmdModificar"_s}, {noArticle}, u"cmdModificar"_s,
            {u"Text19="_s}, u"browse"_s);
        row("Eliminar with no article", {u"cmdEliminar"_s}, {noArticle}, u"cmdEliminar"_s, {},
            u"browse"_s);
        row("Eliminar after Nuevo", {load, enter1, u"cmdNuevo"_s, u"cmdEliminar"_s}, {noArticle},
            u"cmdEliminar"_s, {}, u"new"_s);
        // Refusals while a change is pending.
        const QStringList changing = {load, enter1, u"cmdModificar"_s};
        row("Cerrar while changing", changing + QStringList{u"focus Text5"_s, u"cmdCerrar"_s},
            {kLeaveUnsaved}, u"Text2"_s, {u"Text1=123"_s}, u"change"_s);
        row("Siguiente while changing", changing + QStringList{u"cmdSiguiente"_s},
            {u"16|ERROR|DEBE GUARDAR LOS CAMBIOS PARA PODER AVANZAR"_s}, u"Text1"_s,
            {u"Text1=123"_s}, u"change"_s);
        row("Anterior while new", {u"cmdNuevo"_s, u"Text2 Alt+A"_s},
            {u"16|ERROR|DEBE GUARDAR LOS CAMBIOS PARA PODER RETROCEDER"_s}, u"Text1"_s,
            {u"Text1=000201"_s}, u"new"_s);
        const QString busy = u"16|ERROR|DEBE GUARDAR LOS CAMBIOS PARA PODER BUSCAR"_s;
        row("search by code while changing",
            changing + QStringList{u"Text1 clear"_s, u"Text1:7"_s, enter1}, {busy}, u"Text1"_s,
            {u"Text1=7"_s, u"Text3=YERBA MATE 1 KG"_s}, u"change"_s);
        row("search by barcode while changing",
            changing + QStringList{u"Text2:9"_s, u"Text2 Enter"_s}, {busy}, u"Text2"_s,
            {u"Text2=9"_s, u"Text3=YERBA MATE 1 KG"_s}, u"change"_s);
        // The save's checks, in order.
        row("Grabar with nothing pending", {load, enter1, u"cmdGrabar"_s},
            {u"16|ERROR|NO HAY DATOS QUE GUARDAR"_s}, u"Text1"_s, {u"Text1=123"_s}, u"browse"_s);
        row("Grabar twice", {load, enter1, u"cmdModificar"_s, u"cmdGrabar"_s, u"cmdGrabar"_s},
            {u"64|GRABAR|EL ARTICULO YA ESTA GUARDADO"_s}, u"Text1"_s, {u"Text1="_s}, u"browse"_s);
        row("Grabar twice, then a search",
            {load, enter1, u"cmdModificar"_s, u"cmdGrabar"_s, load, enter1, u"cmdGrabar"_s},
            {u"16|ERROR|NO HAY DATOS QUE GUARDAR"_s}, u"Text1"_s, {u"Text1=123"_s}, u"browse"_s);
        row("Grabar without a code",
            {load, enter1, u"cmdNuevo"_s, u"Text1 clear"_s, u"Text2 Alt+G"_s},
            {u"16|ERROR|FALTA INGRESAR EL CODIGO"_s}, u"Text1"_s, {u"Text3=YERBA MATE 1 KG"_s},
            u"new"_s);
        row("Grabar without a barcode", {u"cmdNuevo"_s, u"cmdGrabar"_s},
            {u"16|ERROR|FALTA INGRESAR EL CODIGO DE BARRA"_s}, u"Text2"_s, {u"Text3="_s}, u"new"_s);
        row("Grabar without a price", {u"cmdNuevo"_s, u"Text2:1"_s, u"cmdGrabar"_s},
            {u"16|ERROR|FALTA INGRESAR EL PRECIO."_s}, u"Text12"_s, {u"Text2=1"_s, u"Text3="_s},
            u"new"_s);
        // Related codes.
        const QString nuevo = u"cmdNuevo"_s;
        row("supplier code", {nuevo, u"Text4:12"_s, u"Text4 Enter"_s}, {}, u"Text5"_s,
            {u"Text4=0012"_s, u"Text5=DISTRIBUIDORA SUR"_s}, u"new"_s);
        row("supplier code, no such supplier",
            {nuevo, u"Text5:x"_s, u"Text4:13"_s, u"Text4 Enter"_s}, {}, u"Text4"_s,
            {u"Text4="_s, u"Text5=X"_s}, u"new"_s);
        row("supplier code, empty", {nuevo, u"Text4 Enter"_s}, {}, u"Text5"_s, {u"Text4="_s},
            u"new"_s);
        row("brand code", {nuevo, u"Text6:3"_s, u"Text6 Enter"_s}, {}, u"Text7"_s,
            {u"Text6=0003"_s, u"Text7=ARCOR"_s}, u"new"_s);
        row("category code", {nuevo, u"Text8:0005"_s, u"Text8 Enter"_s}, {}, u"Text9"_s,
            {u"Text8=0005"_s, u"Text9=ALMACEN"_s}, u"new"_s);
        row("category code, not a number", {nuevo, u"Text8:ab"_s, u"Text8 Enter"_s}, {}, u"Text8"_s,
            {u"Text8="_s}, u"new"_s);
        // The price block.
        row("price", {nuevo, u"Text11:21"_s, u"Text12:121"_s, u"Text12 Enter"_s}, {}, u"Option1"_s,
            {u"Text10=100,00"_s, u"Text11=21"_s, u"Text12=121,00"_s, u"Text21=121,00"_s,
             u"lblMensaje=UNIDAD DE MEDIDA EN UNIDADES, [ENTER] PARA CONTINUAR."_s,
             u"lblUnidad1=Un"_s, u"lblUnidad2=Un"_s, u"lblUnidad3=Un"_s},
            u"new"_s);
        row("price with an empty IVA", {nuevo, u"Text12:121"_s, u"Text12 Enter"_s}, {},
            u"Option1"_s, {u"Text10=121,00"_s, u"Text11=0"_s, u"Text21=121,00"_s}, u"new"_s);
        row("price, empty", {nuevo, u"Text12 Enter"_s}, {}, u"Option1"_s,
            {u"Text10="_s, u"Text21="_s}, u"new"_s);
        row("price with letters", {nuevo, u"Text10:5"_s, u"Text12:12a"_s, u"Text12 Enter"_s},
            {u"16|ERROR|EL CAMPO COSTO DEBE SER UN NUMERO (EJEMPLO: 1234,5)"_s}, u"Text12"_s,
            {u"Text10=5"_s, u"Text12=12A"_s, u"Text21="_s}, u"new"_s);
        row("surcharge 1", {nuevo, u"Text12:10"_s, u"Text20:30"_s, u"Text20 Enter"_s}, {},
            u"Text21"_s, {u"Text21=13,00"_s}, u"new"_s);
        row("surcharge 2 empty", {nuevo, u"Text12:10"_s, u"Text22 Enter"_s},
            {u"16|ERROR|FALTA INGRESAR EL RECARGO DE LA LISTA 2"_s}, u"Text22"_s, {u"Text23="_s},
            u"new"_s);
        row("surcharge 3", {nuevo, u"Text12:10"_s, u"Text24:0"_s, u"Text24 Enter"_s}, {},
            u"Text25"_s, {u"Text25=10,00"_s}, u"new"_s);
        // Typing: upper case and the comma per field.
        row("comma in Deposito 1", {nuevo, u"Text13:1.5"_s}, {}, u"Text2"_s, {u"Text13=1,5"_s},
            u"new"_s);
        row("no comma in Pedido", {nuevo, u"Text17:1.5"_s}, {}, u"Text2"_s, {u"Text17=1.5"_s},
            u"new"_s);
        row("LISTA 3 keeps its case", {nuevo, u"Text25:a.b"_s}, {}, u"Text2"_s, {u"Text25=a.b"_s},
            u"new"_s);
        row("description upper case, no comma", {nuevo, u"Text3:pan 1.5"_s}, {}, u"Text2"_s,
            {u"Text3=PAN 1.5"_s}, u"new"_s);
        row("supplier code takes the comma", {nuevo, u"Text4:1.2"_s}, {}, u"Text2"_s,
            {u"Text4=1,2"_s}, u"new"_s);
        row("pasted text keeps its case", {nuevo, u"Text3 paste:pan"_s}, {}, u"Text2"_s,
            {u"Text3=pan"_s}, u"new"_s);
        row("locked fields take no typing", {load, enter1, u"Text3:x"_s, u"Text13:9"_s}, {},
            u"Text2"_s, {u"Text3=YERBA MATE 1 KG"_s, u"Text13=5"_s}, u"browse"_s);
        row("code and barcode are never locked", {u"Text1:1a"_s, u"Text2:b"_s, u"Text9:c"_s}, {},
            u"Text1"_s, {u"Text1=1A"_s, u"Text2=B"_s, u"Text9=C"_s}, u"browse"_s);
        // Enter along the form.
        row("Enter in a locked NETO", {u"Text10 Enter"_s}, {}, u"Text11"_s, {u"Text10=0"_s},
            u"browse"_s);
        row("Enter in IVA", {nuevo, u"Text11 Enter"_s}, {}, u"Text12"_s, {u"Text11=0"_s}, u"new"_s);
        row("Enter in the description", {nuevo, u"Text3 Enter"_s}, {}, u"Text4"_s, {}, u"new"_s);
        row("Enter in the supplier name", {nuevo, u"Text5 Enter"_s}, {}, u"Text6"_s, {}, u"new"_s);
        row("Enter in the brand description", {nuevo, u"Text7 Enter"_s}, {}, u"Text8"_s, {},
            u"new"_s);
        row("Enter in the category description", {nuevo, u"Text9 Enter"_s}, {}, u"Text10"_s, {},
            u"new"_s);
        row("Enter in a unit", {nuevo, u"Option3 Enter"_s}, {}, u"Text13"_s, {}, u"new"_s);
        row("Enter as Tab from Deposito 3", {nuevo, u"Text15 Enter"_s}, {}, u"Text16"_s, {},
            u"new"_s);
        row("Enter as Tab from Pedido", {nuevo, u"Text17 Enter"_s}, {}, u"Text20"_s, {}, u"new"_s);
        row("Enter as Tab from LISTA 1", {nuevo, u"Text21 Enter"_s}, {}, u"Text22"_s, {}, u"new"_s);
        row("Enter as Tab from LISTA 2", {nuevo, u"Text23 Enter"_s}, {}, u"Text24"_s, {}, u"new"_s);
        row("Enter in LISTA 3 does nothing", {load, enter1, u"focus Text25"_s, u"Text25 Enter"_s},
            {}, u"Text25"_s, {u"Text25=181,5"_s}, u"browse"_s);
        // Units.
        row("arrows among the units", {nuevo, u"Text12 Enter"_s, u"Option1 Down"_s}, {},
            u"Option3"_s,
            {u"lblMensaje=UNIDAD DE MEDIDA EN LITROS, [ENTER] PARA CONTINUAR."_s,
             u"lblUnidad1=Lt"_s},
            u"new"_s);
        row("Metros", {nuevo, u"Text13 Up"_s}, {}, u"Option4"_s,
            {u"lblMensaje=UNIDAD DE MEDIDA EN METROS, [ENTER] PARA CONTINUAR."_s,
             u"lblUnidad2=Mt"_s},
            u"new"_s);
        row("a loaded unit", {u"Text1:7"_s, enter1}, {}, u"Text2"_s,
            {u"lblUnidad1=Lt"_s, u"lblUnidad3=Lt"_s, u"lblMensaje="_s}, u"browse"_s);
        row("a unit survives blanking",
            {u"Text1:41"_s, enter1, u"Text2 clear"_s, u"Text2:100"_s, u"Text2 Enter"_s}, {},
            u"Text3"_s, {u"Text1=200"_s, u"lblUnidad1=Kg"_s}, u"browse"_s);
        // Browsing.
        row("Siguiente from the opened form", {u"cmdSiguiente"_s}, {}, u"cmdSiguiente"_s,
            {u"Text1=41"_s}, u"browse"_s);
        row("Siguiente in code order",
            {u"Text1:41"_s, enter1, u"cmdSiguiente"_s, u"cmdSiguiente"_s}, {}, u"cmdSiguiente"_s,
            {u"Text1=200"_s, u"Text3=ARROZ"_s, u"Text18="_s}, u"browse"_s);
        row("Siguiente in barcode order",
            {u"Text2:555"_s, u"Text2 Enter"_s, u"cmdSiguiente"_s, u"cmdSiguiente"_s,
             u"cmdSiguiente"_s},
            {u"48|Mensaje|Fin del Archivo, Aceptar para ir al Primer Registro"_s},
            u"cmdSiguiente"_s, {u"Text1=200"_s}, u"browse"_s);
        row("Anterior past the first", {u"Text1:7"_s, enter1, u"cmdAnterior"_s},
            {u"48|Mensaje|Comienzo del Archivo, Aceptar para ir al Ultimo Registro"_s},
            u"cmdAnterior"_s, {u"Text1=200"_s}, u"browse"_s);
    }

    void scenarios()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, boxes);
        QFETCH(QString, focus);
        QFETCH(QStringList, fields);
        QFETCH(QString, mode);

        ScriptedMessageBoxes scripted;
        Articulos* form = start();
        QVERIFY(form);
        fixture::runAndCheck(form, scripted, steps, boxes, focus);
        for (const QString& expected : fields) {
            const QString name = expected.section(u'=', 0, 0);
            QWidget* w = form->findChild<QWidget*>(name);
            QVERIFY2(w, qPrintable(name));
            const QString text = qobject_cast<QLabel*>(w) ? static_cast<QLabel*>(w)->text()
                                                          : static_cast<QLineEdit*>(w)->text();
            QCOMPARE(name + u'=' + text, expected);
        }
        QCOMPARE(modeOf(form), mode);
        // A browse step, a search or a load leaves the form showing a stored article or none.
        QCOMPARE(storedArticles({u"descripcion"_s}).size(), 4);
    }

    // Every way of closing the form while a change or a new article is pending asks the same
    // question, No by default: No keeps all on the form, Yes leaves without saving.
    void closingWithAChangePending_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("pending");
        QTest::addColumn<bool>("leave");
        for (const char* how : {"Cerrar", "title bar", "Ctrl+W"})
            for (const char* pending : {"change", "new"})
                for (bool leave : {false, true})
                    QTest::addRow("%s, %s, %s", how, pending, leave ? "yes" : "no")
                        << QString::fromLatin1(how) << QString::fromLatin1(pending) << leave;
    }
    void closingWithAChangePending()
    {
        QFETCH(QString, how);
        QFETCH(QString, pending);
        QFETCH(bool, leave);
        ScriptedMessageBoxes scripted;
        QPointer<Articulos> form = start();
        QVERIFY(form);
        const QStringList open =
            pending == u"new" ? QStringList{u"cmdNuevo"_s}
                              : QStringList{u"Text1:123"_s, u"Text1 Enter"_s, u"cmdModificar"_s};
        fixture::run(form, scripted, open + QStringList{u"Text3 clear"_s, u"Text3:CAMBIADO"_s});
        if (leave) scripted.answer(MsgBoxResult::Yes);
        auto* frame = qobject_cast<QMdiSubWindow*>(form->parentWidget());
        QVERIFY(frame);
        if (how == u"Cerrar")
            QTest::mouseClick(form->findChild<QPushButton*>(u"cmdCerrar"_s), Qt::LeftButton);
        if (how == u"title bar") frame->close();
        if (how == u"Ctrl+W")
            QTest::keyClick(form->findChild<QLineEdit*>(u"Text3"_s), Qt::Key_W,
                            Qt::ControlModifier);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(fixture::shown(scripted), QStringList{kLeaveUnsaved});
        if (leave) {
            QVERIFY(!form || !form->isVisible());
        } else {
            QVERIFY(form && form->isVisible());
            QCOMPARE(modeOf(form), pending);
            QCOMPARE(form->findChild<QLineEdit*>(u"Text3"_s)->text(), u"CAMBIADO"_s);
        }
        QCOMPARE(storedArticles({u"descripcion"_s}).size(), 4);
        QVERIFY(!storedArticles({u"descripcion"_s}).join(u' ').contains(u"CAMBIADO"_s));
    }

    void arrows_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("up");
        QTest::addColumn<QString>("down");
        const QList<std::array<const char*, 3>> map = {
            {"Text1", "Text16", "Text2"},    {"Text2", "Text1", "Text3"},
            {"Text3", "Text2", "Text4"},     {"Text4", "Text3", "Text9"},
            {"Text9", "Text4", "Text5"},     {"Text5", "Text9", "Text6"},
            {"Text6", "Text5", "Text7"},     {"Text7", "Text6", "Text8"},
            {"Text8", "Text7", "Text10"},    {"Text10", "Text8", "Text11"},
            {"Text11", "Text10", "Text12"},  {"Text12", "Text11", "Option1"},
            {"Text13", "Option4", "Text14"}, {"Text14", "Text13", "Text15"},
            {"Text15", "Text14", "Text16"},  {"Text16", "Text15", "Text17"},
            {"Text17", "Text16", "Text20"},  {"Text20", "Text17", "Text21"},
            {"Text21", "Text20", "Text22"},  {"Text22", "Text21", "Text23"},
            {"Text23", "Text22", "Text24"},  {"Text24", "Text23", "Text25"},
            {"Text25", "Text24", "Text25"},
        };
        for (const auto& [from, up, down] : map)
            QTest::newRow(from) << QString::fromLatin1(from) << QString::fromLatin1(up)
                                << QString::fromLatin1(down);
    }

    void arrows()
    {
        QFETCH(QString, from);
        QFETCH(QString, up);
        QFETCH(QString, down);
        ScriptedMessageBoxes boxes;
        Articulos* form = start();
        fixture::run(form, boxes, {u"Text1:123"_s, u"Text1 Enter"_s});
        for (const auto& [key, target] : {std::pair{u"Up"_s, up}, std::pair{u"Down"_s, down}}) {
            fixture::run(form, boxes, {u"focus "_s + from, from + u' ' + key});
            QCOMPARE(fixture::focusName(), target);
            if (target == from) continue;
            if (auto* e = qobject_cast<QLineEdit*>(QApplication::focusWidget()))
                QCOMPARE(e->selectedText(), e->text());
        }
        QVERIFY(boxes.shown().isEmpty());
    }

    // ------------------------------------------------------------ save

    void saveNewArticle()
    {
        ScriptedMessageBoxes boxes;
        QPointer<Articulos> form = start();
        fixture::run(
            form, boxes,
            {u"Text1:41"_s,      u"Text1 Enter"_s,   u"cmdNuevo"_s,     u"Text2 clear"_s,
             u"Text2:7791234"_s, u"Text2 Enter"_s,   u"Text3 clear"_s,  u"Text3:galletitas"_s,
             u"Text3 Enter"_s,   u"Text4 clear"_s,   u"Text4:12"_s,     u"Text4 Enter"_s,
             u"Text5 Enter"_s,   u"Text6 clear"_s,   u"Text6:3"_s,      u"Text6 Enter"_s,
             u"Text7 Enter"_s,   u"Text8 clear"_s,   u"Text8:5"_s,      u"Text8 Enter"_s,
             u"Text9 Enter"_s,   u"Text10 Enter"_s,  u"Text11 clear"_s, u"Text11:10.5"_s,
             u"Text11 Enter"_s,  u"Text12 clear"_s,  u"Text12:110.5"_s, u"Text12 Enter"_s,
             u"focus Option2"_s, u"Option2 Enter"_s, u"Text13 clear"_s, u"Text13:1.5"_s,
             u"Text14 clear"_s,  u"Text14:2"_s,      u"Text20 clear"_s, u"Text20:10"_s,
             u"Text20 Enter"_s,  u"Text17 clear"_s});
        QVERIFY(!QTest::currentTestFailed());
        QCOMPARE(form->findChild<QLineEdit*>(u"Text10"_s)->text(), u"100,00"_s);
        QCOMPARE(form->findChild<QLineEdit*>(u"Text21"_s)->text(), u"121,55"_s);
        QCOMPARE(form->model().unit(), articles::Unit::Kilos);
        QTest::mouseClick(form->findChild<QPushButton*>(u"cmdGrabar"_s), Qt::LeftButton);
        QVERIFY(boxes.shown().isEmpty());  // no message confirms a save

        // Reopened blank and locked, with today's date, at its place in the main window.
        Articulos* fresh = openForm();
        QCOMPARE(
            fixture::texts(fresh, {u"Text1"_s, u"Text2"_s, u"Text3"_s, u"Text18"_s, u"Text21"_s}),
            (QStringList{u"Text1="_s, u"Text2="_s, u"Text3="_s, u"Text18="_s + today(),
                         u"Text21="_s}));
        QVERIFY(fresh->findChild<QLineEdit*>(u"Text3"_s)->isReadOnly());
        QCOMPARE(modeOf(fresh), u"browse"_s);
        QCOMPARE(fresh->parentWidget()->pos(), twips::point(2900, 0));
        QTRY_COMPARE(fixture::focusName(), u"Text1"_s);

        // Exactly the typed fields, the code assigned by the file; defaults for the rest.
        const QStringList columns = {
            u"codbarra"_s, u"descripcion"_s, u"codp"_s, u"desp"_s, u"codm"_s, u"desm"_s, u"codr"_s,
            u"desr"_s,     u"net"_s,         u"iva"_s,  u"cos"_s,  u"uni"_s,  u"dep1"_s, u"dep2"_s,
            u"dep3"_s,     u"dept"_s,        u"min"_s,  u"ped"_s,  u"rec1"_s, u"lis1"_s, u"rec2"_s,
            u"lis2"_s,     u"rec3"_s,        u"lis3"_s, u"fea"_s,  u"fec"_s};
        QCOMPARE(storedArticle(201, columns),
                 u"7791234|GALLETITAS|0012|DISTRIBUIDORA "
                 u"SUR|0003|ARCOR|0005|ALMACEN|100|10.5|110.5|Kg|1.5|2|0|"
                 "3.5|0|0|10|121.55|0|0|0|0|<null>|<null>"_s);
        QCOMPARE(storedArticle(41, {u"descripcion"_s}), u"FIDEOS"_s);
        QCOMPARE(storedArticles({u"codigo"_s}).size(), 5);
    }

    // After a save the form stands exactly as a newly opened one: fields, locks, unit, prompt,
    // mode, focus, place, size, and no editing to undo.
    void reopensAsANewForm()
    {
        ScriptedMessageBoxes boxes;
        const auto state = [](Articulos* form) {
            QStringList seen;
            for (auto* box : form->findChildren<QLineEdit*>())
                seen << u"%1=%2 %3 %4"_s.arg(box->objectName(), box->text())
                            .arg(box->isReadOnly())
                            .arg(box->isUndoAvailable() || box->isRedoAvailable());
            for (auto* option : form->findChildren<QRadioButton*>())
                seen << option->objectName() + u'=' + QString::number(option->isChecked());
            for (auto* label : form->findChildren<QLabel*>())
                if (label->objectName().startsWith(u"lbl"))
                    seen << label->objectName() + u'=' + label->text();
            seen << modeOf(form) << fixture::focusName();
            seen << QString::number(form->parentWidget()->x()) + u',' +
                        QString::number(form->parentWidget()->y());
            seen << u"%1x%2"_s.arg(form->parentWidget()->width())
                        .arg(form->parentWidget()->height());
            return seen;
        };
        Articulos* form = start();
        QTRY_COMPARE(fixture::focusName(), u"Text1"_s);
        const QStringList opened = state(form);
        form->parentWidget()->move(40, 60);
        form->parentWidget()->resize(form->parentWidget()->size() + QSize(120, 90));
        fixture::run(form, boxes,
                     {u"Text1:123"_s, u"Text1 Enter"_s, u"cmdModificar"_s, u"Text3:X"_s,
                      u"Text3 Backspace"_s, u"focus Option2"_s, u"Option2 Enter"_s,
                      u"Text13 clear"_s, u"Text13:4"_s, u"Text13 Backspace"_s, u"focus Text20"_s,
                      u"Text20 clear"_s, u"Text20:10"_s, u"Text20 Enter"_s, u"cmdGrabar"_s});
        QVERIFY(boxes.shown().isEmpty());
        QCOMPARE(openForm(), form);
        QCOMPARE(state(form), opened);
        QCOMPARE(form->model().unit(), articles::Unit::None);
        // A list 1 price entered afresh finds no surcharge remembered from before the save.
        fixture::run(form, boxes,
                     {u"Text1:7"_s, u"Text1 Enter"_s, u"cmdModificar"_s, u"focus Text20"_s,
                      u"Text20 clear"_s, u"Text20 Enter"_s});
        QCOMPARE(fixture::texts(form, {u"Text21"_s}), QStringList{u"Text21=50,00"_s});
    }

    void saveChangedArticle()
    {
        ScriptedMessageBoxes boxes;
        QPointer<Articulos> form = start();
        const QStringList columns = {u"codbarra"_s, u"descripcion"_s, u"cos"_s,
                                     u"lis1"_s,     u"fea"_s,         u"fec"_s};
        fixture::run(form, boxes,
                     {u"Text1:123"_s, u"Text1 Enter"_s, u"cmdModificar"_s, u"Text2 Enter"_s,
                      u"Text3 clear"_s, u"Text3:yerba suave"_s, u"Text3 Enter"_s, u"focus Text12"_s,
                      u"Text12 clear"_s, u"Text12:130"_s, u"Text12 Enter"_s});
        QCOMPARE(fixture::shown(boxes),
                 QStringList{u"16|ERROR|DEBE GUARDAR LOS CAMBIOS PARA PODER BUSCAR"_s});
        boxes.clear();
        QCOMPARE(form->findChild<QLineEdit*>(u"Text19"_s)->text(), today());
        fixture::run(form, boxes, {u"cmdGrabar"_s});
        QVERIFY(boxes.shown().isEmpty());
        QCOMPARE(modeOf(openForm()), u"browse"_s);
        // The change date is never stored.
        QCOMPARE(storedArticle(123, columns), u"779123|YERBA SUAVE|130|130|<null>|<null>"_s);
        QCOMPARE(storedArticles({u"codigo"_s}).size(), 4);
    }

    void saveRefusedByTheRules()
    {
        ScriptedMessageBoxes boxes;
        Articulos* form = start();
        fixture::run(form, boxes,
                     {u"Text1:123"_s, u"Text1 Enter"_s, u"cmdModificar"_s, u"Text3 clear"_s,
                      u"Text17 clear"_s, u"Text14 clear"_s, u"Text14:dos"_s, u"cmdGrabar"_s});
        QCOMPARE(
            fixture::shown(boxes),
            QStringList{u"16|ERROR|EL CAMPO DEPOSITO 2 DEBE SER UN NUMERO (EJEMPLO: 1234,5)"_s});
        QCOMPARE(fixture::focusName(), u"Text14"_s);
        // Still changing, every field as typed (no defaults filled in), nothing stored.
        QCOMPARE(modeOf(form), u"change"_s);
        QCOMPARE(fixture::texts(form, {u"Text3"_s, u"Text17"_s, u"Text14"_s}),
                 (QStringList{u"Text3="_s, u"Text17="_s, u"Text14=DOS"_s}));
        QCOMPARE(storedArticle(123, {u"descripcion"_s, u"dep2"_s}), u"YERBA MATE 1 KG|2"_s);
    }

    void saveFailingInTheEngine()
    {
        ScriptedMessageBoxes boxes;
        QPointer<Articulos> form = start();
        fixture::run(form, boxes,
                     {u"Text1:123"_s, u"Text1 Enter"_s, u"cmdModificar"_s, u"Text3 clear"_s,
                      u"Text3:otra"_s, u"Text17 clear"_s});
        // A folder in the journal's place makes the file unwritable, even for root.
        const QString journal = articulosPath() + u"-journal"_s;
        QVERIFY(QDir().mkpath(journal));
        fixture::run(form, boxes, {u"cmdGrabar"_s});
        QCOMPARE(boxes.shown().size(), 1);
        QCOMPARE(boxes.shown()[0].flags, 16);
        QCOMPARE(boxes.shown()[0].title, u"-=: Sistema Valdrameno :=-"_s);
        QVERIFY(boxes.shown()[0].prompt.startsWith(u"Error "_s));
        QCOMPARE(openForm(), form);
        QCOMPARE(modeOf(form), u"change"_s);
        QCOMPARE(fixture::texts(form, {u"Text3"_s, u"Text17"_s}),
                 (QStringList{u"Text3=OTRA"_s, u"Text17="_s}));
        QVERIFY(QDir(journal).removeRecursively());
        QCOMPARE(storedArticle(123, {u"descripcion"_s}), u"YERBA MATE 1 KG"_s);

        // Once the cause is gone the same save goes through.
        boxes.clear();
        fixture::run(form, boxes, {u"cmdGrabar"_s});
        QVERIFY(boxes.shown().isEmpty());
        QCOMPARE(modeOf(openForm()), u"browse"_s);
        QCOMPARE(storedArticle(123, {u"descripcion"_s, u"ped"_s}), u"OTRA|0"_s);
    }

    void nuevoProposesTheNextCode()
    {
        ScriptedMessageBoxes boxes;
        start();
        auto reopenOn = [](const std::function<void(Database&)>& fill) {
            {
                // The new article left pending is dropped.
                ScriptedMessageBoxes leave;
                leave.answer(MsgBoxResult::Yes);
                openForm()->close();
            }
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QFile::remove(articulosPath());
            catalogue::createFile(*catalogue::find(u"Articulos.mdb"), articulosPath(), fill);
            auto* form = qobject_cast<Articulos*>(WindowRegistry::instance().show(u"Articulos"_s));
            fixture::showActive(form);
            return form;
        };
        // An empty table: 000001.
        Articulos* form = reopenOn({});
        fixture::run(form, boxes, {u"cmdSiguiente"_s, u"cmdNuevo"_s});
        QCOMPARE(form->findChild<QLineEdit*>(u"Text1"_s)->text(), u"000001"_s);

        // The last article is 41: 000042, the article shown copied.
        form = reopenOn([](Database& db) {
            db.Execute(
                u"INSERT INTO articulos (codigo, codbarra, descripcion, cos) VALUES (41, "
                u"'555', 'FIDEOS', 20)"_s);
        });
        fixture::run(form, boxes, {u"Text1:41"_s, u"Text1 Enter"_s, u"cmdNuevo"_s});
        QCOMPARE(
            fixture::texts(form, {u"Text1"_s, u"Text2"_s, u"Text3"_s, u"Text12"_s}),
            (QStringList{u"Text1=000042"_s, u"Text2=555"_s, u"Text3=FIDEOS"_s, u"Text12=20"_s}));
        QCOMPARE(fixture::focusName(), u"Text2"_s);
        QVERIFY(boxes.shown().isEmpty());

        // After the last article (42) was deleted, the code the save will give: 000043, which
        // the save then gives.
        form = reopenOn([](Database& db) {
            db.Execute(
                u"INSERT INTO articulos (codigo, codbarra, descripcion, cos) VALUES (41, "
                u"'555', 'FIDEOS', 20)"_s);
            db.Execute(
                u"INSERT INTO articulos (codigo, codbarra, descripcion, cos) VALUES (42, "
                u"'556', 'ARROZ', 20)"_s);
            db.Execute(u"DELETE FROM articulos WHERE codigo = 42"_s);
        });
        fixture::run(
            form, boxes,
            {u"Text1:41"_s, u"Text1 Enter"_s, u"cmdNuevo"_s, u"Text2 clear"_s, u"Text2:557"_s});
        QCOMPARE(form->findChild<QLineEdit*>(u"Text1"_s)->text(), u"000043"_s);
        fixture::run(form, boxes, {u"cmdGrabar"_s});
        QCOMPARE(storedArticle(43, {u"codbarra"_s}), u"557"_s);
    }

    // ------------------------------------------------------------ delete

    void deleteAnswers_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("No") << u"no"_s << false;
        QTest::newRow("Yes") << u"yes"_s << true;
    }

    void deleteAnswers()
    {
        QFETCH(QString, answer);
        QFETCH(bool, deleted);
        ScriptedMessageBoxes boxes;
        Articulos* form = start();
        fixture::run(form, boxes, {u"Text2:779123"_s, u"Text2 Enter"_s, answer, u"cmdEliminar"_s});
        const QDateTime after = QDateTime::currentDateTime();
        QCOMPARE(fixture::shown(boxes), QStringList{u"20|ELIMINAR|¿DESEA ELIMINAR EL ARTICULO?"_s});
        QCOMPARE(storedArticle(123, {u"descripcion"_s}),
                 deleted ? u"<missing>"_s : u"YERBA MATE 1 KG"_s);
        // The fields and the mode stay as they were.
        QCOMPARE(fixture::texts(form, {u"Text1"_s, u"Text2"_s, u"Text3"_s}),
                 (QStringList{u"Text1=123"_s, u"Text2=779123"_s, u"Text3=YERBA MATE 1 KG"_s}));
        QCOMPARE(modeOf(form), u"browse"_s);
        const QString log = QDir(tempoFolder()).filePath(u"123-779123"_s);
        QCOMPARE(QFile::exists(log), deleted);
        if (!deleted) return;
        QFile file(log);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        // Written within the second before `after`.
        const QByteArray expected = articles::deletionLogLine(u"123"_s, u"779123"_s, after);
        const QByteArray earlier =
            articles::deletionLogLine(u"123"_s, u"779123"_s, after.addSecs(-1));
        QVERIFY2(bytes == expected || bytes == earlier, bytes.constData());
        QVERIFY(bytes.startsWith("\"articulo eliminado con boton - 123 - 779123 - " +
                                 today().toUtf8() + " - "));
        QVERIFY(bytes.endsWith("\"\r\n"));
        QCOMPARE(bytes.count('\n'), 1);
        // The deleted article is gone from the form's reach: Modificar has nothing to change.
        boxes.clear();
        fixture::run(form, boxes, {u"cmdModificar"_s, u"cmdSiguiente"_s});
        QCOMPARE(fixture::shown(boxes), QStringList{u"16|ERROR|NO HAY ARTICULO SELECCIONADO"_s});
        // The binding went to its first record in barcode order, the order last used.
        QCOMPARE(form->findChild<QLineEdit*>(u"Text1"_s)->text(), u"41"_s);
    }

    void deleteLogWithAnUnsafeBarcode()
    {
        ScriptedMessageBoxes boxes;
        Articulos* form = start(
            {u"300, '../X\\..', 'PELIGRO', '-', '0', '-', '0', '-', '-', 0, 0, 1, 'Un', 0, 0, "
             "0, 0, 0, 0, 0, 0, 0, 0, 0, 0"_s});
        fixture::run(form, boxes, {u"Text1:300"_s, u"Text1 Enter"_s, u"yes"_s, u"cmdEliminar"_s});
        QCOMPARE(fixture::shown(boxes), QStringList{u"20|ELIMINAR|¿DESEA ELIMINAR EL ARTICULO?"_s});
        QCOMPARE(storedArticle(300, {u"descripcion"_s}), u"<missing>"_s);
        QCOMPARE(QDir(tempoFolder()).entryList(QDir::Files), QStringList{u"300-.._X_.."_s});
        QFile file(QDir(tempoFolder()).filePath(u"300-.._X_.."_s));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().startsWith("\"articulo eliminado con boton - 300 - ../X\\.. - "));
        QCOMPARE(articles::deletionLogName(u"."_s, QString()), u".-"_s);
        QCOMPARE(articles::deletionLogName(u"1"_s, QString(1, QChar(0))), u"1-_"_s);
    }

    void deleteWhenTheLogCannotBeWritten()
    {
        ScriptedMessageBoxes boxes;
        Articulos* form = start();
        // A file in the folder's place: the folder cannot be made, even for root.
        const QString folder = QDir::cleanPath(tempoFolder());
        QFile blocker(folder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        fixture::run(form, boxes, {u"Text1:7"_s, u"Text1 Enter"_s, u"yes"_s, u"cmdEliminar"_s});
        QCOMPARE(boxes.shown().size(), 2);
        QCOMPARE(boxes.shown()[1].flags, 16);
        QVERIFY2(boxes.shown()[1].prompt.contains(u"7-779007"_s),
                 qPrintable(boxes.shown()[1].prompt));
        QCOMPARE(storedArticle(7, {u"descripcion"_s}), u"ACEITE GIRASOL"_s);
        QCOMPARE(form->shownArticle(), std::optional<qint64>(7));
        QVERIFY(blocker.remove());
    }

    // The log goes through the program's safe replacement: a disk that refuses it leaves no
    // temporary behind, and the article stays.
    void deleteWhenTheDiskRefusesTheLog()
    {
        ScriptedMessageBoxes boxes;
        Articulos* form = start();
        QVERIFY(QDir().mkpath(tempoFolder()));
        filereplace::injectFault(filereplace::FaultPoint::Sync, ENOSPC);
        fixture::run(form, boxes, {u"Text1:7"_s, u"Text1 Enter"_s, u"yes"_s, u"cmdEliminar"_s});
        filereplace::clearFaults();
        QCOMPARE(boxes.shown().size(), 2);
        QCOMPARE(boxes.shown()[1].flags, 16);
        QCOMPARE(storedArticle(7, {u"descripcion"_s}), u"ACEITE GIRASOL"_s);
        QCOMPARE(QDir(tempoFolder()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    // ------------------------------------------------------------ lookups and the IVA pass

    void lookups()
    {
        ScriptedMessageBoxes boxes;
        Articulos* form = start();
        // Modeless from its button: the form stays usable, the choice goes into "Cod Interno:".
        QTest::mouseClick(form->findChild<QPushButton*>(u"cmdBuscar1"_s), Qt::LeftButton);
        QWidget* dialog = lookups::openDialog(u"ConsArticulo"_s);
        QVERIFY(dialog);
        QVERIFY(!dialog->isModal());
        fixture::chooseIn(dialog, u"FIDEOS"_s);
        QCOMPARE(form->findChild<QLineEdit*>(u"Text1"_s)->text(), u"00000041"_s);
        fixture::run(form, boxes, {u"Text1 Enter"_s});
        QCOMPARE(form->findChild<QLineEdit*>(u"Text3"_s)->text(), u"FIDEOS"_s);

        // Modeless from Esc in "Cod.Barra:".
        fixture::run(form, boxes, {u"Text2 Escape"_s});
        dialog = lookups::openDialog(u"ConsArticuloPro"_s);
        QVERIFY(dialog && !dialog->isModal());
        fixture::chooseIn(dialog, u"ACEITE"_s);
        QCOMPARE(form->findChild<QLineEdit*>(u"Text2"_s)->text(), u"779007"_s);

        // Modal, writing into the field it was opened from.
        fixture::run(form, boxes, {u"cmdNuevo"_s});
        const QList<std::array<QString, 5>> modal = {
            {u"Escape"_s, u"Text4"_s, u"ConsuProveedor1"_s, u"SUR"_s, u"0012"_s},
            {u"cmdBuscar3"_s, u"Text6"_s, u"ConsuMarcas1"_s, u"ARC"_s, u"0003"_s},
            {u"cmdBuscar5"_s, u"Text8"_s, u"ConsuRubros1"_s, u"ALM"_s, u"0005"_s},
            {u"cmdBuscar4"_s, u"Text2"_s, u"ConsArticuloPro"_s, u"ARROZ"_s, u"100"_s},
        };
        for (const auto& [how, field, member, search, code] : modal) {
            bool seen = false;
            fixture::chooseInNextLookup(this, member, search, &seen);
            if (how == u"Escape"_s) fixture::run(form, boxes, {field + u" Escape"_s});
            else fixture::run(form, boxes, {how});
            QVERIFY2(seen, qPrintable(member));
            QCOMPARE(form->findChild<QLineEdit*>(field)->text(), code);
            QCOMPARE(fixture::focusName(), field);
        }
        fixture::run(form, boxes, {u"Text4 Enter"_s});
        QCOMPARE(form->findChild<QLineEdit*>(u"Text5"_s)->text(), u"DISTRIBUIDORA SUR"_s);
        QVERIFY(boxes.shown().isEmpty());
    }

    void ivaButton()
    {
        ScriptedMessageBoxes boxes;
        Articulos* form = start();
        fixture::run(form, boxes, {u"Text1:200"_s, u"Text1 Enter"_s});
        const QString journal = articulosPath() + u"-journal"_s;
        QVERIFY(QDir().mkpath(journal));
        fixture::run(form, boxes, {u"Command1"_s});
        QCOMPARE(boxes.shown().size(), 1);
        QCOMPARE(boxes.shown()[0].title, u"-=: Sistema Valdrameno :=-"_s);
        QCOMPARE(boxes.shown()[0].flags, 16);
        QVERIFY(boxes.shown()[0].prompt.startsWith(u"Error "_s));
        QVERIFY(QDir(journal).removeRecursively());
        QCOMPARE(storedArticle(200, {u"iva"_s}), u"0"_s);

        boxes.clear();
        fixture::run(form, boxes, {u"Command1"_s});
        QCOMPARE(fixture::shown(boxes),
                 QStringList{
                     u"64|FINALIZADO|PROCESO TERMINADO ... PRECIONE ACEPTAR PARA PODER SALIR"_s});
        QCOMPARE(storedArticle(200, {u"iva"_s}), u"21"_s);
        QCOMPARE(storedArticle(7, {u"iva"_s}), u"25"_s);
        // The fields are not reloaded, and the article shown can still be changed.
        QCOMPARE(form->findChild<QLineEdit*>(u"Text11"_s)->text(), u"0"_s);
        fixture::run(form, boxes,
                     {u"cmdModificar"_s, u"Text3 clear"_s, u"Text3:arroz largo"_s, u"cmdGrabar"_s});
        QCOMPARE(modeOf(openForm()), u"browse"_s);
        // What the form shows is what it stores.
        QCOMPARE(storedArticle(200, {u"descripcion"_s, u"iva"_s}), u"ARROZ LARGO|0"_s);
    }

    void closing()
    {
        ScriptedMessageBoxes boxes;
        QPointer<Articulos> form = start();
        fixture::run(form, boxes, {u"Text1:123"_s, u"Text1 Enter"_s, u"cmdCerrar"_s});
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!form);
        QVERIFY(!openForm());
        QVERIFY(boxes.shown().isEmpty());
    }

    void agregarOpensTheOtherForms()
    {
        bool opened = false;
        WindowRegistry::instance().add(
            {u"Rubros"_s, WindowPlace::InFrame, QPoint(3100, 0), [&opened] {
                 opened = true;
                 return nullptr;
             }});
        // The stub goes before `opened` does, whatever check fails.
        const auto restore = qScopeGuard([] {
            WindowRegistry::instance().add(
                {u"Rubros"_s, WindowPlace::InFrame, QPoint(3100, 0), [] { return nullptr; }});
        });
        Articulos* form = start();
        QTest::mouseClick(form->findChild<QPushButton*>(u"cmdRubro"_s), Qt::LeftButton);
        QVERIFY(opened);
        QCOMPARE(form->findChild<QPushButton*>(u"cmdProveedor"_s)->text(), u"&Proveedor"_s);
        QVERIFY(!form->findChild<QPushButton*>(u"cmdSubRubro"_s));
    }
};

RUN_TEST_CLASS(runArticulosTest, TestArticulos)
#include "tst_articulos.moc"
