#pragma once
// A message box as code without widgets describes it: the rules hand it to the window, which
// shows it with MsgBox (src/shell/msgbox.h).

#include <QString>

struct Message {
    QString prompt;
    QString title;
    int flags;  // MsgBox's flags: 16 critical, 48 exclamation, 64 information
};
