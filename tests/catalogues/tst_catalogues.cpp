// The brand, category and department forms, driven from the keyboard.

#include <QGroupBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>

#include "catalogues/catalogueform.h"
#include "data/storelocale.h"
#include "forms/lookuphook.h"
#include "guards.h"
#include "scenario.h"
#include "shell/twips.h"
#include "shell/windowregistry.h"
#include "tempstore.h"

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(Catalogue)

namespace {

const QString kFiles[] = {u"Marcas.mdb"_s, u"Rubros.mdb"_s, u"Departamentos.mdb"_s};
const QString kNames[] = {u"Marcas"_s, u"Rubros"_s, u"Departamentos"_s};

QString fileOf(Catalogue c) { return kFiles[int(c)]; }

// Table order: a higher code stands before the last one.
QList<QVariantMap> someRecords()
{
    QList<QVariantMap> records;
    for (const auto& [code, name] :
         {std::pair{u"0099"_s, u"ALFA"_s}, {u"0007"_s, u"ACME"_s}, {u"0041"_s, u"ULTIMO"_s}})
        records << QVariantMap{{u"COD_RUB"_s, code}, {u"DESCRI"_s, name}};
    return records;
}

const QStringList kStart = {u"0099|ALFA"_s, u"0007|ACME"_s, u"0041|ULTIMO"_s};

template <class T = QWidget>
T* visibleForm(const QString& name)
{
    for (QWidget* w : QApplication::allWidgets())
        if (w->objectName() == name && w->isVisible())
            if (auto* t = qobject_cast<T*>(w)) return t;
    return nullptr;
}

}  // namespace

class TestCatalogues : public QObject {
    Q_OBJECT
private slots:
    // The forms are registered as the program registers them: a saved form comes back
    // through the registry.
    void init()
    {
        WindowRegistry::instance().clear();
        registerCatalogueWindows(WindowRegistry::instance());
    }
    void cleanup() { WindowRegistry::instance().clear(); }

    void scenarios_data();
    void scenarios();
    void saveReopens_data();
    void saveReopens();
    void reopensAtItsPlaceInTheFrame();
    void reopensThroughTheRegistry();
    void departmentCodeMustBeNumber_data();
    void departmentCodeMustBeNumber();
    void departmentFileWithoutLetterCode();
    void layout_data();
    void layout();
    void missingFile_data();
    void missingFile();
};

void TestCatalogues::scenarios_data()
{
    QTest::addColumn<Catalogue>("member");
    fixture::addScenarioColumns();
    const QStringList blank = {u"Text1="_s, u"Text2="_s};

    QTest::newRow("brand 7 finds 0007")
        << Catalogue::Marcas << QStringList{u"Text1:7"_s, u"Text1 Enter"_s} << QStringList()
        << QStringList{u"Text1=0007"_s, u"Text2=ACME"_s} << u"Text2"_s << kStart;
    QTest::newRow("category 7 finds 0007")
        << Catalogue::Rubros << QStringList{u"Text1:7"_s, u"Text1 Enter"_s} << QStringList()
        << QStringList{u"Text1=0007"_s, u"Text2=ACME"_s} << u"Text2"_s << kStart;
    QTest::newRow("department 7 finds 0007")
        << Catalogue::Departamentos << QStringList{u"Text1:7"_s, u"Text1 Enter"_s} << QStringList()
        << QStringList{u"Text1=0007"_s, u"Text2=ACME"_s} << u"Text2"_s << kStart;
    QTest::newRow("category +7 finds 0007")
        << Catalogue::Rubros << QStringList{u"Text1:+7"_s, u"Text1 Enter"_s} << QStringList()
        << QStringList{u"Text1=0007"_s, u"Text2=ACME"_s} << u"Text2"_s << kStart;
    QTest::newRow("category 7,0 finds 0007")
        << Catalogue::Rubros << QStringList{u"Text1:7,0"_s, u"Text1 Enter"_s} << QStringList()
        << QStringList{u"Text1=0007"_s, u"Text2=ACME"_s} << u"Text2"_s << kStart;
    QTest::newRow("category -7 not found")
        << Catalogue::Rubros << QStringList{u"Text1:-7"_s, u"Text1 Enter"_s}
        << QStringList{u"64|Error|Rubro no encontrado en la Base de Datos"_s} << blank << u"Text1"_s
        << kStart;
    QTest::newRow("brand ab not found")
        << Catalogue::Marcas << QStringList{u"Text1:ab"_s, u"Text1 Enter"_s}
        << QStringList{u"64|Error|Marca no encontrado en la Base de Datos"_s} << blank << u"Text1"_s
        << kStart;
    QTest::newRow("category not found")
        << Catalogue::Rubros << QStringList{u"Text1:5"_s, u"Text1 Enter"_s}
        << QStringList{u"64|Error|Rubro no encontrado en la Base de Datos"_s} << blank << u"Text1"_s
        << kStart;
    QTest::newRow("department not found")
        << Catalogue::Departamentos << QStringList{u"Text1:5"_s, u"Text1 Enter"_s}
        << QStringList{u"64|Error|Departamento no encontrado en la Base de Datos"_s} << blank
        << u"Text1"_s << kStart;
    QTest::newRow("enter in empty code") << Catalogue::Marcas << QStringList{u"Text1 Enter"_s}
                                         << QStringList() << blank << u"Text1"_s << kStart;
    QTest::newRow("description s.a.")
        << Catalogue::Rubros << QStringList{u"Text2:s.a."_s} << QStringList()
        << QStringList{u"Text1="_s, u"Text2=S,A,"_s} << u"Text1"_s << kStart;
    QTest::newRow("code takes no comma")
        << Catalogue::Rubros << QStringList{u"Text1:1.5"_s} << QStringList()
        << QStringList{u"Text1=1.5"_s, u"Text2="_s} << u"Text1"_s << kStart;
    QTest::newRow("description width")
        << Catalogue::Marcas << QStringList{u"Text2:"_s + QString(31, u'b')} << QStringList()
        << QStringList{u"Text1="_s, u"Text2="_s + QString(30, u'B')} << u"Text1"_s << kStart;
    QTest::newRow("up in code") << Catalogue::Marcas << QStringList{u"Text1 Up"_s} << QStringList()
                                << blank << u"Text2"_s << kStart;
    QTest::newRow("down in code") << Catalogue::Marcas << QStringList{u"Text1 Down"_s}
                                  << QStringList() << blank << u"Text2"_s << kStart;
    QTest::newRow("down in description")
        << Catalogue::Marcas << QStringList{u"Text1 Down"_s, u"Text2 Down"_s} << QStringList()
        << blank << u"Text1"_s << kStart;
    QTest::newRow("up in description")
        << Catalogue::Marcas << QStringList{u"Text1 Down"_s, u"Text2 Up"_s} << QStringList()
        << blank << u"Text1"_s << kStart;
    QTest::newRow("enter in description")
        << Catalogue::Marcas << QStringList{u"Text1 Down"_s, u"Text2 Enter"_s} << QStringList()
        << blank << u"Text2"_s << kStart;
    QTest::newRow("nuevo after 0041")
        << Catalogue::Rubros << QStringList{u"Text2:x"_s, u"cmdNuevo"_s} << QStringList()
        << QStringList{u"Text1=0042"_s, u"Text2="_s} << u"cmdNuevo"_s << kStart;
    QTest::newRow("nuevo by its accelerator")
        << Catalogue::Rubros << QStringList{u"Text2 Alt+N"_s} << QStringList()
        << QStringList{u"Text1=0042"_s, u"Text2="_s} << u"cmdNuevo"_s << kStart;
    QTest::newRow("delete empty code brand")
        << Catalogue::Marcas << QStringList{u"cmdEliminar"_s}
        << QStringList{u"16|Error|Debe poner el Codigo de la Marca a Borrar"_s} << blank
        << u"cmdEliminar"_s << kStart;
    QTest::newRow("delete empty code category")
        << Catalogue::Rubros << QStringList{u"cmdEliminar"_s}
        << QStringList{u"16|Error|Debe poner el Codigo del Rubro a Borrar"_s} << blank
        << u"cmdEliminar"_s << kStart;
    QTest::newRow("delete empty code department")
        << Catalogue::Departamentos << QStringList{u"cmdEliminar"_s}
        << QStringList{u"16|Error|Debe poner el Codigo de la Marca a Borrar"_s} << blank
        << u"cmdEliminar"_s << kStart;
    QTest::newRow("delete unknown")
        << Catalogue::Departamentos << QStringList{u"Text1:0005"_s, u"cmdEliminar"_s}
        << QStringList{u"64|Error|Departamento no encontrado en la Base de Datos"_s} << blank
        << u"cmdEliminar"_s << kStart;
    QTest::newRow("delete brand answered no") << Catalogue::Marcas
        << QStringList{u"no"_s, u"Text1:0007"_s, u"cmdEliminar"_s}
        << QStringList{u"20|Eliminar Proveedor --> 0007|¿Confirme la Eliminación de la Marca? "
            u"--> ACME"_s} << blank
        << u"cmdEliminar"_s << kStart;
    QTest::newRow("delete category answered yes") << Catalogue::Rubros
        << QStringList{u"yes"_s, u"Text1:0007"_s, u"cmdEliminar"_s}
        << QStringList{u"20|Eliminar Proveedor --> 0007|¿Confirme la Eliminación del Rubro? "
            u"--> ACME"_s} << blank
        << u"cmdEliminar"_s << QStringList{u"0099|ALFA"_s, u"0041|ULTIMO"_s};
    QTest::newRow("delete department answered yes") << Catalogue::Departamentos
        << QStringList{u"yes"_s, u"Text1:0041"_s, u"cmdEliminar"_s}
        << QStringList{u"20|Eliminar Departamento --> 0041|¿Confirme la Eliminación del "
            u"Departamento? --> ULTIMO"_s}
        << blank << u"cmdEliminar"_s << QStringList{u"0099|ALFA"_s, u"0007|ACME"_s};
}

void TestCatalogues::scenarios()
{
    QFETCH(Catalogue, member);
    fixture::DataFolder folder;
    folder.create(fileOf(member), someRecords());
    ScriptedMessageBoxes msg;
    std::unique_ptr<QWidget> form(newCatalogueForm(member));
    QVERIFY(form);
    fixture::showActive(form.get());
    fixture::checkScenario(form.get(), msg, {u"Text1"_s, u"Text2"_s}, fileOf(member),
                           {u"COD_RUB"_s, u"DESCRI"_s});
}

void TestCatalogues::saveReopens_data()
{
    QTest::addColumn<Catalogue>("member");
    QTest::addColumn<QList<QVariantMap>>("records");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QStringList>("columns");
    QTest::addColumn<QStringList>("table");

    const QStringList plain = {u"COD_RUB"_s, u"DESCRI"_s};
    const QStringList letter = {u"COD_RUB"_s, u"DESCRI"_s, u"COD_LET"_s};
    const QList<QVariantMap> dept12 = {
        {{u"COD_RUB"_s, u"0012"_s}, {u"DESCRI"_s, u"VIEJO"_s}, {u"COD_LET"_s, u"D12"_s}}};
    QTest::newRow("brand new")
        << Catalogue::Marcas << someRecords()
        << QStringList{u"Text1:0050"_s, u"Text2:nueva"_s, u"cmdGrabar"_s}
        << QStringList{u"48|Guardar|Marca Guardada, Precione Aceptar para Continuar"_s} << plain
        << (QStringList(kStart) << u"0050|NUEVA"_s);
    QTest::newRow("category overwrite")
        << Catalogue::Rubros << someRecords()
        << QStringList{u"Text1:7"_s, u"Text1 Enter"_s, u"Text2:otro"_s, u"cmdGrabar"_s}
        << QStringList{u"48|Guardar|Rubro Guardado, Precione Aceptar para Continuar"_s} << plain
        << QStringList{u"0099|ALFA"_s, u"0007|OTRO"_s, u"0041|ULTIMO"_s};
    QTest::newRow("nuevo then save")
        << Catalogue::Rubros << someRecords()
        << QStringList{u"cmdNuevo"_s, u"Text2:nuevo"_s, u"cmdGrabar"_s}
        << QStringList{u"48|Guardar|Rubro Guardado, Precione Aceptar para Continuar"_s} << plain
        << (QStringList(kStart) << u"0042|NUEVO"_s);
    QTest::newRow("empty code saves nothing")
        << Catalogue::Marcas << someRecords() << QStringList{u"Text2:nada"_s, u"cmdGrabar"_s}
        << QStringList() << plain << kStart;
    QTest::newRow("department letter code")
        << Catalogue::Departamentos << QList<QVariantMap>()
        << QStringList{u"Text1:0012"_s, u"Text2:fiambres"_s, u"cmdGrabar"_s}
        << QStringList{u"48|Guardar|Departamento Guardado, Precione Aceptar para Continuar"_s}
        << letter << QStringList{u"0012|FIAMBRES|D12"_s};
    QTest::newRow("department description only")
        << Catalogue::Departamentos << dept12
        << QStringList{u"Text1:12"_s, u"Text1 Enter"_s, u"Text2:nuevo"_s, u"cmdGrabar"_s}
        << QStringList{u"48|Guardar|Departamento Guardado, Precione Aceptar para Continuar"_s}
        << letter << QStringList{u"0012|NUEVO|D12"_s};
    QTest::newRow("department code formatted at the save")
        << Catalogue::Departamentos << QList<QVariantMap>()
        << QStringList{u"Text1:7"_s, u"cmdGrabar"_s}
        << QStringList{u"48|Guardar|Departamento Guardado, Precione Aceptar para Continuar"_s}
        << letter << QStringList{u"0007||D7"_s};
    QTest::newRow("department signed code")
        << Catalogue::Departamentos << dept12
        << QStringList{u"Text1:+12"_s, u"Text2:otro"_s, u"cmdGrabar"_s}
        << QStringList{u"48|Guardar|Departamento Guardado, Precione Aceptar para Continuar"_s}
        << letter << QStringList{u"0012|OTRO|D12"_s};
    QTest::newRow("brand nuevo skips codes in use")
        << Catalogue::Marcas
        << QList<QVariantMap>{{{u"COD_RUB"_s, u"0042"_s}, {u"DESCRI"_s, u"OCUPADO"_s}},
                              {{u"COD_RUB"_s, u"0041"_s}, {u"DESCRI"_s, u"ULTIMO"_s}}}
        << QStringList{u"cmdNuevo"_s, u"Text2:nueva"_s, u"cmdGrabar"_s}
        << QStringList{u"48|Guardar|Marca Guardada, Precione Aceptar para Continuar"_s} << plain
        << QStringList{u"0042|OCUPADO"_s, u"0041|ULTIMO"_s, u"0043|NUEVA"_s};
}

void TestCatalogues::saveReopens()
{
    QFETCH(Catalogue, member);
    QFETCH(QList<QVariantMap>, records);
    QFETCH(QStringList, steps);
    QFETCH(QStringList, boxes);
    QFETCH(QStringList, columns);
    QFETCH(QStringList, table);

    fixture::DataFolder folder;
    folder.create(fileOf(member), records);
    ScriptedMessageBoxes msg;
    QPointer<QWidget> form = newCatalogueForm(member);
    QVERIFY(form);
    fixture::showActive(form);
    form->move(50, 60);
    const QPoint place = form->pos();
    fixture::run(form, msg, steps);
    QCOMPARE(fixture::shown(msg), boxes);
    QCOMPARE(fixture::DataFolder::rows(fileOf(member), columns), table);

    // The old form is gone; a blank one with today's date stands at the same place.
    QTRY_VERIFY(form.isNull());
    QWidget* fresh = nullptr;
    QTRY_VERIFY((fresh = visibleForm(kNames[int(member)])) != nullptr);
    QCOMPARE(fresh->pos(), place);
    QCOMPARE(fixture::texts(fresh, {u"Text1"_s, u"Text2"_s}),
             (QStringList{u"Text1="_s, u"Text2="_s}));
    QCOMPARE(fresh->findChild<QLineEdit*>(u"Text17"_s)->text(),
             storelocale::shortDate(QDate::currentDate()));
    QTRY_COMPARE(fixture::focusName(), u"Text1"_s);
    delete fresh;
}

void TestCatalogues::reopensAtItsPlaceInTheFrame()
{
    fixture::DataFolder folder;
    folder.create(u"Marcas.mdb"_s);
    ScriptedMessageBoxes msg;
    QMdiArea frame;
    frame.resize(1000, 700);
    fixture::showActive(&frame);
    WindowRegistry::instance().setFrame(&frame);
    QPointer<QWidget> form = WindowRegistry::instance().show(u"Marcas"_s);
    QPointer<QWidget> sub = form->parentWidget();
    QCOMPARE(sub->pos(), twips::point(3100, 0));
    sub->move(5, 100);  // the user moved it
    fixture::run(form, msg, {u"cmdGrabar"_s});
    QTRY_VERIFY(form.isNull() && sub.isNull());
    QTRY_COMPARE(frame.subWindowList().size(), 1);
    QMdiSubWindow* fresh = frame.subWindowList().constFirst();
    QCOMPARE(fresh->widget()->objectName(), u"Marcas"_s);
    QCOMPARE(fresh->pos(), twips::point(3100, 0));
}

void TestCatalogues::reopensThroughTheRegistry()
{
    fixture::DataFolder folder;
    folder.create(u"Departamentos.mdb"_s);
    ScriptedMessageBoxes msg;
    QMdiArea frame;
    frame.resize(1000, 700);
    fixture::showActive(&frame);
    WindowRegistry& registry = WindowRegistry::instance();
    registry.setFrame(&frame);
    // The menu places the department form at 1900, 0; after a save it comes back at 3100, 0.
    QPointer<QWidget> form = registry.show(u"Departamentos"_s, WindowRegistry::At::MenuPlace);
    QVERIFY(form);
    QCOMPARE(form->parentWidget()->pos(), twips::point(1900, 0));
    fixture::run(form, msg, {u"Text1:3"_s, u"Text2:x"_s, u"cmdGrabar"_s});
    QTRY_VERIFY(form.isNull());
    QTRY_VERIFY(registry.openWindow(u"Departamentos"_s) != nullptr);
    QWidget* fresh = registry.openWindow(u"Departamentos"_s);
    QCOMPARE(fresh->parentWidget()->pos(), twips::point(3100, 0));
    QCOMPARE(frame.subWindowList().size(), 1);
    // Shown again, the open one comes to the front: still one.
    QCOMPARE(registry.show(u"Departamentos"_s), fresh);
}

void TestCatalogues::departmentCodeMustBeNumber_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letters") << u"ab"_s << u"AB"_s;
    QTest::newRow("negative") << u"-1"_s << u"-1"_s;
    QTest::newRow("zero") << u"0"_s << u"0000"_s;
    QTest::newRow("decimal") << u"1,5"_s << u"1,5"_s;
}

void TestCatalogues::departmentCodeMustBeNumber()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    fixture::DataFolder folder;
    folder.create(u"Departamentos.mdb"_s);
    ScriptedMessageBoxes msg;
    std::unique_ptr<QWidget> form(newCatalogueForm(Catalogue::Departamentos));
    fixture::showActive(form.get());
    fixture::run(form.get(), msg, {u"Text1:"_s + typed, u"Text2:carnes"_s, u"cmdGrabar"_s});
    QCOMPARE(fixture::shown(msg), QStringList{u"16|Error|El Codigo debe ser un Numero"_s});
    QVERIFY(fixture::DataFolder::rows(u"Departamentos.mdb"_s, {u"COD_RUB"_s}).isEmpty());
    // The form stays as it was, so the code can be mended.
    QVERIFY(form->isVisible());
    QCOMPARE(fixture::texts(form.get(), {u"Text1"_s, u"Text2"_s}),
             (QStringList{u"Text1="_s + shown, u"Text2=CARNES"_s}));
}

void TestCatalogues::departmentFileWithoutLetterCode()
{
    fixture::DataFolder folder;
    catalogue::FileDef def = *catalogue::find(u"Departamentos.mdb");
    def.table.fields.pop_back();  // an old file without COD_LET
    folder.create(def, {});
    ScriptedMessageBoxes msg;
    std::unique_ptr<QWidget> form(newCatalogueForm(Catalogue::Departamentos));
    QVERIFY(form);
    fixture::showActive(form.get());
    fixture::run(form.get(), msg, {u"Text1:0003"_s, u"Text2:x"_s, u"cmdGrabar"_s});
    QCOMPARE(msg.shown().size(), 1);
    QVERIFY2(msg.shown()[0].prompt.startsWith(u"Error 3265"_s), qPrintable(msg.shown()[0].prompt));
    QVERIFY(fixture::DataFolder::rows(u"Departamentos.mdb"_s, {u"COD_RUB"_s}).isEmpty());
    QVERIFY(form->isVisible());
    // Nothing pending is left behind: a look-up still works.
    msg.clear();
    fixture::run(form.get(), msg, {u"Text1 Enter"_s});
    QCOMPARE(fixture::shown(msg),
             QStringList{u"64|Error|Departamento no encontrado en la Base de Datos"_s});
}

void TestCatalogues::layout_data()
{
    QTest::addColumn<Catalogue>("member");
    QTest::addColumn<bool>("highlight");
    QTest::addColumn<QString>("dialog");
    QTest::newRow("brands") << Catalogue::Marcas << false << u"ConsuMarcas"_s;
    QTest::newRow("categories") << Catalogue::Rubros << false << u"ConsuRubros"_s;
    QTest::newRow("departments") << Catalogue::Departamentos << true << u"ConsuDepartamentos"_s;
}

void TestCatalogues::layout()
{
    QFETCH(Catalogue, member);
    QFETCH(bool, highlight);
    QFETCH(QString, dialog);
    fixture::DataFolder folder;
    folder.create(fileOf(member));
    std::unique_ptr<QWidget> form(newCatalogueForm(member));
    fixture::showActive(form.get());
    QCOMPARE(form->windowTitle(), kNames[int(member)]);
    QCOMPARE(form->size(), twips::size(8910, 2340));
    QCOMPARE(form->findChild<QLabel*>(u"Label2"_s)->text(), u"Marca:"_s);
    QCOMPARE(form->findChild<QLabel*>(u"Label1"_s)->text(), u"Codigo:"_s);
    auto* code = form->findChild<QLineEdit*>(u"Text1"_s);
    QCOMPARE(code->geometry(), twips::rect(1800, 240, 1095, 315));
    QCOMPARE(form->findChild<QLineEdit*>(u"Text17"_s)->isEnabled(), false);
    QCOMPARE(form->findChild<QPushButton*>(u"cmdGrabar"_s)->text(), u"&Grabar"_s);
    QCOMPARE(form->findChild<QPushButton*>(u"cmdGrabar"_s)->geometry(),
             twips::rect(2520, 240, 1455, 615));
    QCOMPARE(code->palette().color(QPalette::Text), QColor(0, 0, 255));
    QCOMPARE(code->palette().color(QPalette::Base) == QColor(192, 255, 255), highlight);

    QStringList opened;
    fixture::LookupOpenerGuard opener(
        [&](const QString& name, QLineEdit* target, QWidget*, forms::LookupTrigger) {
            opened << name + u' ' + target->objectName();
        });
    ScriptedMessageBoxes msg;
    fixture::run(form.get(), msg, {u"Text1 Escape"_s, u"Command5"_s});
    QCOMPARE(opened, (QStringList{dialog + u" Text1"_s, dialog + u" Text1"_s}));
}

void TestCatalogues::missingFile_data()
{
    QTest::addColumn<Catalogue>("member");
    QTest::newRow("brands") << Catalogue::Marcas;
    QTest::newRow("categories") << Catalogue::Rubros;
    QTest::newRow("departments") << Catalogue::Departamentos;
}

void TestCatalogues::missingFile()
{
    QFETCH(Catalogue, member);
    fixture::DataFolder folder;
    ScriptedMessageBoxes msg;
    QVERIFY(!newCatalogueForm(member));
    QCOMPARE(msg.shown().size(), 1);
    QVERIFY2(msg.shown()[0].prompt.startsWith(u"Error 3024"_s), qPrintable(msg.shown()[0].prompt));
    QCOMPARE(msg.shown()[0].flags, int(vbCritical));
}

QTEST_MAIN(TestCatalogues)
#include "tst_catalogues.moc"
