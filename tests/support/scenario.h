#pragma once
// Keyboard scenarios against the real widgets of a window: short steps typed, pressed and
// clicked into its named controls, and what the window shows afterwards.

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QTest>

#include "shell/msgbox.h"

namespace fixture {

// Shows `window`, activates it and waits until it is the active window.
bool activate(QWidget* window);
// The same as a check of the running test.
void showActive(QWidget* window);

// Steps:
//   "Text1:abc"       types abc into Text1 (key by key)
//   "Text1 Enter"     presses a key there: Enter, Tab, Up, Down, Escape, Alt+N (and the other
//                     accelerators); "focused Enter" presses it wherever the focus is
//   "cmdGrabar"       clicks a button
//   "Text1 paste:x"   puts x into the field as a paste would (no key handling)
//   "Text1 compose:é" commits é into the field as a dead key or an input method does
//   "Text1 clear"     empties the field as the user would
//   "focus Text5"     gives Text5 the focus
//   "yes", "no"       answers the next Yes/No box
// Stops at the first step that fails.
void run(QWidget* form, ScriptedMessageBoxes& boxes, const QStringList& steps);

// Runs `steps` and checks the boxes shown ("flags|title|prompt") and the control left with the
// focus.
void runAndCheck(QWidget* form, ScriptedMessageBoxes& scripted, const QStringList& steps,
                 const QStringList& boxes, const QString& focus);

// The columns of a table of scenarios, after any a test adds of its own: the "steps", the
// "boxes" shown, the texts of the named "fields" and the "focus" afterwards, and the "table"
// rows of the form's file afterwards.
void addScenarioColumns();
// Runs the current row's steps in `form` and checks the boxes, the texts of `fieldNames`, the
// focus and the rows of `fileName` (its `columns` joined by '|').
void checkScenario(QWidget* form, ScriptedMessageBoxes& scripted, const QStringList& fieldNames,
                   const QString& fileName, const QStringList& columns);

// Every box shown, as "flags|title|prompt".
QStringList shown(const ScriptedMessageBoxes& boxes);

// "Name=text" for each named field (a combo box gives its shown text).
QStringList texts(QWidget* form, const QStringList& names);

// The object name of the widget with the focus, empty when none has it.
QString focusName();

// Answers a lookup dialog: searches `text` in its search box and chooses the first row.
void chooseIn(QWidget* dialog, const QString& text);
// Answers the next modal lookup dialog, when it is `member`, the same way from the event loop
// (a modal dialog blocks the test until it closes); `*seen` tells whether it came.
void chooseInNextLookup(QObject* context, const QString& member, const QString& text, bool* seen);

}  // namespace fixture
