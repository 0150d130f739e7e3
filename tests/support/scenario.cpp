#include "scenario.h"

#include <QApplication>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "shell/msgbox.h"
#include "tempstore.h"

using namespace Qt::StringLiterals;

namespace fixture {

namespace {

void runStep(QWidget* form, ScriptedMessageBoxes& boxes, const QString& step)
{
    static const QMap<QString, QPair<Qt::Key, Qt::KeyboardModifiers>> keys = {
        {u"Enter"_s, {Qt::Key_Return, {}}},
        {u"Tab"_s, {Qt::Key_Tab, {}}},
        {u"Up"_s, {Qt::Key_Up, {}}},
        {u"Down"_s, {Qt::Key_Down, {}}},
        {u"Escape"_s, {Qt::Key_Escape, {}}},
        {u"Backspace"_s, {Qt::Key_Backspace, {}}},
        // The buttons' accelerators.
        {u"Alt+N"_s, {Qt::Key_N, Qt::AltModifier}},
        {u"Alt+G"_s, {Qt::Key_G, Qt::AltModifier}},
        {u"Alt+E"_s, {Qt::Key_E, Qt::AltModifier}},
        {u"Alt+S"_s, {Qt::Key_S, Qt::AltModifier}},
        {u"Alt+A"_s, {Qt::Key_A, Qt::AltModifier}}};
    if (step == u"yes"_s) {
        boxes.answer(MsgBoxResult::Yes);
        return;
    }
    if (step == u"no"_s) {
        boxes.answer(MsgBoxResult::No);
        return;
    }
    if (step.startsWith(u"focus "_s)) {
        QWidget* w = form->findChild<QWidget*>(step.mid(6));
        QVERIFY2(w, qPrintable(step));
        w->setFocus();
        return;
    }
    const qsizetype colon = step.indexOf(u':');
    const qsizetype space = step.indexOf(u' ');
    const QString action = space > 0 ? step.mid(space + 1) : QString();
    if (colon > 0 && (space < 0 || colon < space)) {
        QWidget* field = form->findChild<QWidget*>(step.left(colon));
        QVERIFY2(field, qPrintable(step));
        QTest::keyClicks(field, step.mid(colon + 1));
    } else if (action.startsWith(u"compose:"_s)) {
        QWidget* field = form->findChild<QWidget*>(step.left(space));
        QVERIFY2(field, qPrintable(step));
        QInputMethodEvent composed;
        composed.setCommitString(action.mid(8));
        QApplication::sendEvent(field, &composed);
    } else if (action.startsWith(u"paste:"_s)) {
        auto* edit = form->findChild<QLineEdit*>(step.left(space));
        QVERIFY2(edit, qPrintable(step));
        edit->insert(action.mid(6));
    } else if (action == u"clear"_s) {
        auto* edit = form->findChild<QLineEdit*>(step.left(space));
        QVERIFY2(edit, qPrintable(step));
        edit->clear();
    } else if (space > 0) {
        // "focused Enter" presses the key wherever the focus is.
        QWidget* field = step.left(space) == u"focused"_s
                             ? QApplication::focusWidget()
                             : form->findChild<QWidget*>(step.left(space));
        QVERIFY2(field && keys.contains(action), qPrintable(step));
        const auto [key, modifiers] = keys.value(action);
        QTest::keyClick(field, key, modifiers);
        // An accelerator presses its button and clicks it a moment later.
        for (auto* button : form->findChildren<QPushButton*>())
            QVERIFY(QTest::qWaitFor([button] { return !button->isDown(); }));
    } else {
        auto* button = form->findChild<QPushButton*>(step);
        QVERIFY2(button, qPrintable(step));
        QTest::mouseClick(button, Qt::LeftButton);
    }
}

}  // namespace

bool activate(QWidget* window)
{
    window->show();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

void showActive(QWidget* window) { QVERIFY(activate(window)); }

void run(QWidget* form, ScriptedMessageBoxes& boxes, const QStringList& steps)
{
    for (const QString& step : steps) {
        runStep(form, boxes, step);
        if (QTest::currentTestFailed()) return;
    }
}

void runAndCheck(QWidget* form, ScriptedMessageBoxes& scripted, const QStringList& steps,
                 const QStringList& boxes, const QString& focus)
{
    run(form, scripted, steps);
    QCOMPARE(shown(scripted), boxes);
    QCOMPARE(focusName(), focus);
}

void addScenarioColumns()
{
    for (const char* name : {"steps", "boxes", "fields"}) QTest::addColumn<QStringList>(name);
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QStringList>("table");
}

void checkScenario(QWidget* form, ScriptedMessageBoxes& scripted, const QStringList& fieldNames,
                   const QString& fileName, const QStringList& columns)
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, boxes);
    QFETCH(QStringList, fields);
    QFETCH(QString, focus);
    QFETCH(QStringList, table);
    runAndCheck(form, scripted, steps, boxes, focus);
    QCOMPARE(texts(form, fieldNames), fields);
    QCOMPARE(DataFolder::rows(fileName, columns), table);
}

QStringList shown(const ScriptedMessageBoxes& boxes)
{
    QStringList out;
    for (const auto& box : boxes.shown())
        out << u"%1|%2|%3"_s.arg(box.flags).arg(box.title, box.prompt);
    return out;
}

QStringList texts(QWidget* form, const QStringList& names)
{
    QStringList out;
    for (const QString& name : names) {
        QWidget* w = form->findChild<QWidget*>(name);
        QString text;
        if (auto* combo = qobject_cast<QComboBox*>(w)) text = combo->currentText();
        else if (auto* edit = qobject_cast<QLineEdit*>(w)) text = edit->text();
        out << name + u'=' + text;
    }
    return out;
}

QString focusName()
{
    QWidget* w = QApplication::focusWidget();
    return w ? w->objectName() : QString();
}

void chooseIn(QWidget* dialog, const QString& text)
{
    auto* box = dialog->findChild<QLineEdit*>(u"Text1"_s);
    QVERIFY(box);
    box->clear();
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Return);
    QTest::keyClick(dialog->findChild<QWidget*>(u"MSFlexGrid1"_s), Qt::Key_Return);
}

void chooseInNextLookup(QObject* context, const QString& member, const QString& text, bool* seen)
{
    QTimer::singleShot(0, context, [=] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog || dialog->objectName() != member) return;
        *seen = true;
        chooseIn(dialog, text);
    });
}

}  // namespace fixture
