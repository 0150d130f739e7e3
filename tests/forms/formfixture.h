#pragma once
// Shared by the record-form tests: a throwaway data folder with the store's files, and a
// runner for keyboard scenarios written as short steps against the real widgets.

#include <QApplication>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QVariantMap>

#include "catalogue.h"
#include "engine.h"
#include "msgbox.h"
#include "paths.h"

namespace fixture {

// Points the data folder at a temporary directory for the life of the object.
class DataFolder {
public:
    DataFolder() { qputenv("XDG_DATA_HOME", dir_.path().toUtf8()); }

    // Creates `fileName` of the catalogue with `records` (field -> value) in table order.
    void create(const QString& fileName, const QList<QVariantMap>& records = {})
    {
        const catalogue::FileDef* def = catalogue::find(fileName);
        QVERIFY(def);
        create(*def, records);
    }

    void create(const catalogue::FileDef& def, const QList<QVariantMap>& records)
    {
        catalogue::createFile(def, paths::toNative(paths::inBases(def.fileName)), [&](Database& db) {
            auto rs = db.OpenRecordset(def.table.name);
            for (const QVariantMap& record : records) {
                rs->AddNew();
                for (auto it = record.begin(); it != record.end(); ++it) rs->Fields(it.key()).setValue(it.value());
                rs->Update();
            }
        });
    }

    // Every record of the file in table order, as the given fields joined by '|'.
    static QStringList rows(const QString& fileName, const QStringList& fields)
    {
        const catalogue::FileDef* def = catalogue::find(fileName);
        auto db = catalogue::open(def->fileName);
        auto rs = db->OpenRecordset(def->table.name);
        QStringList out;
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
            QStringList values;
            for (const QString& field : fields) {
                const QVariant v = rs->Fields(field).Value();
                values << (v.isNull() ? QStringLiteral("<null>") : v.toString());
            }
            out << values.join(u'|');
        }
        return out;
    }

    QString path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
};

inline void showActive(QWidget* window)
{
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
}

// Steps:
//   "Text1:abc"      types abc into Text1 (key by key)
//   "Text1 Enter"    presses a key there: Enter, Up, Down, Escape, Alt+N (and the other accelerators)
//   "cmdGrabar"      clicks a button
//   "Text1 paste:x"  puts x into the field as a paste would (no key handling)
//   "Text1 compose:é" commits é into the field as a dead key or an input method does
//   "yes", "no"      answers the next Yes/No box
inline void run(QWidget* form, ScriptedMessageBoxes& boxes, const QStringList& steps)
{
    static const QMap<QString, QPair<Qt::Key, Qt::KeyboardModifiers>> keys = {
        {QStringLiteral("Enter"), {Qt::Key_Return, {}}},
        {QStringLiteral("Up"), {Qt::Key_Up, {}}},
        {QStringLiteral("Down"), {Qt::Key_Down, {}}},
        {QStringLiteral("Escape"), {Qt::Key_Escape, {}}},
        // The buttons' accelerators.
        {QStringLiteral("Alt+N"), {Qt::Key_N, Qt::AltModifier}},
        {QStringLiteral("Alt+G"), {Qt::Key_G, Qt::AltModifier}},
        {QStringLiteral("Alt+E"), {Qt::Key_E, Qt::AltModifier}},
        {QStringLiteral("Alt+S"), {Qt::Key_S, Qt::AltModifier}},
        {QStringLiteral("Alt+A"), {Qt::Key_A, Qt::AltModifier}}};
    for (const QString& step : steps) {
        if (step == QStringLiteral("yes")) {
            boxes.answer(MsgBoxResult::Yes);
            continue;
        }
        if (step == QStringLiteral("no")) {
            boxes.answer(MsgBoxResult::No);
            continue;
        }
        const qsizetype colon = step.indexOf(u':');
        const qsizetype space = step.indexOf(u' ');
        if (colon > 0 && (space < 0 || colon < space)) {
            QWidget* field = form->findChild<QWidget*>(step.left(colon));
            QVERIFY2(field, qPrintable(step));
            QTest::keyClicks(field, step.mid(colon + 1));
        } else if (space > 0 && step.mid(space + 1).startsWith(QStringLiteral("compose:"))) {
            QWidget* field = form->findChild<QWidget*>(step.left(space));
            QVERIFY2(field, qPrintable(step));
            QInputMethodEvent composed;
            composed.setCommitString(step.mid(space + 9));
            QApplication::sendEvent(field, &composed);
        } else if (space > 0 && step.mid(space + 1).startsWith(QStringLiteral("paste:"))) {
            auto* edit = form->findChild<QLineEdit*>(step.left(space));
            QVERIFY2(edit, qPrintable(step));
            edit->insert(step.mid(space + 7));
        } else if (space > 0) {
            QWidget* field = form->findChild<QWidget*>(step.left(space));
            QVERIFY2(field && keys.contains(step.mid(space + 1)), qPrintable(step));
            const auto [key, modifiers] = keys.value(step.mid(space + 1));
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
}

// Every box shown, as "flags|title|prompt".
inline QStringList shown(const ScriptedMessageBoxes& boxes)
{
    QStringList out;
    for (const auto& box : boxes.shown()) out << QStringLiteral("%1|%2|%3").arg(box.flags).arg(box.title, box.prompt);
    return out;
}

// "Name=text" for each named field (a combo box gives its shown text).
inline QStringList texts(QWidget* form, const QStringList& names)
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

inline QString focusName()
{
    QWidget* w = QApplication::focusWidget();
    return w ? w->objectName() : QString();
}

}  // namespace fixture
