#pragma once
// Keyboard rules that hold in every window of the program, whatever control has the focus:
// - inside a child window of the main window, Alt with a letter presses that window's button
//   with the letter as its accelerator, before the main window's menus take it;
// - Alt with a character that no button or menu takes types nothing into a text box;
// - Enter on a focused command button presses it, as Space does;
// - a line break or a tab that arrives in a one-line box (pasted, dropped, loaded) becomes a
//   space.
// The application installs them once at start.

class QApplication;

namespace shell {

void installKeyboardRules(QApplication& app);

}  // namespace shell
