#pragma once
// The one service every window uses for its message boxes. The program shows real boxes;
// a test installs a ScriptedMessageBoxes that answers in advance and records every box.

#include <QList>
#include <QString>
#include <deque>

#include "data/message.h"

class QWidget;
class EngineError;

// Flag values as the system writes them: the icon, plus the Yes/No buttons where asked.
enum MsgBoxFlags : int {
    vbOKOnly = 0,
    vbYesNo = 4,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
    vbDefaultButton2 = 256,  // a Yes/No box whose default button is No
};

enum class MsgBoxResult { Ok = 1, Yes = 6, No = 7 };

class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    virtual MsgBoxResult show(QWidget* parent, const QString& prompt, int flags,
                              const QString& title) = 0;
};

// Shows a modal box: flags 16 critical, 20 critical with Yes and No, 32 question, 48 exclamation,
// 64 information; plus 256, No as the default button. Returns Yes or No for the Yes/No boxes, Ok
// otherwise.
MsgBoxResult MsgBox(const QString& prompt, int flags = vbOKOnly, const QString& title = QString(),
                    QWidget* parent = nullptr);

// Shows the box a routine without widgets described.
MsgBoxResult MsgBox(const Message& message, QWidget* parent = nullptr);

// The error box for an engine, file-system or shell error: its number and text.
void ShowErrorBox(int number, const QString& text, QWidget* parent = nullptr);
void ShowErrorBox(const EngineError& error, QWidget* parent = nullptr);

// Replaces the service; nullptr restores the real boxes. Returns the previous one.
MessageBoxService* setMessageBoxService(MessageBoxService* service);

// For tests: answers queued in advance (Yes/No boxes take the next answer, No when none is
// queued), and every box shown, in order.
class ScriptedMessageBoxes : public MessageBoxService {
public:
    struct Shown {
        QString prompt;
        int flags;
        QString title;
    };

    ScriptedMessageBoxes();            // installs itself
    ~ScriptedMessageBoxes() override;  // restores the previous service

    void answer(MsgBoxResult result) { answers_.push_back(result); }
    const QList<Shown>& shown() const { return shown_; }
    void clear() { shown_.clear(); }

    MsgBoxResult show(QWidget* parent, const QString& prompt, int flags,
                      const QString& title) override;

private:
    std::deque<MsgBoxResult> answers_;
    QList<Shown> shown_;
    MessageBoxService* previous_;
};
