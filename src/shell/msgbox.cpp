#include "msgbox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>

#include "data/errors.h"

using namespace Qt::StringLiterals;

namespace {

// A path (a word with a '/' or a backslash) is shown whole on one line: the line breaker would
// split it after a separator, at a hyphen or between two backslashes. A word joiner between its
// characters keeps it together, and the box grows to hold it.
QString withWholePaths(const QString& prompt)
{
    static const QRegularExpression path(uR"re([^\s'"()]*[/\\][^\s'"()]*)re"_s);
    QString shown;
    qsizetype from = 0;
    for (auto it = path.globalMatch(prompt); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        shown += QStringView(prompt).mid(from, match.capturedStart() - from);
        const QString word = match.captured();
        for (qsizetype i = 0; i < word.size(); ++i) {
            if (i > 0 && !word[i].isLowSurrogate()) shown += QChar(0x2060);
            shown += word[i];
        }
        from = match.capturedEnd();
    }
    return shown + prompt.mid(from);
}

class RealMessageBoxes : public MessageBoxService {
public:
    MsgBoxResult show(QWidget* parent, const QString& prompt, int flags,
                      const QString& title) override
    {
        QMessageBox box(parent ? parent : QApplication::activeWindow());
        box.setWindowTitle(title.isEmpty() ? QApplication::applicationName() : title);
        box.setText(withWholePaths(prompt));
        switch (flags & 0x70) {
        case vbCritical:
            box.setIcon(QMessageBox::Critical);
            break;
        case vbQuestion:
            box.setIcon(QMessageBox::Question);
            break;
        case vbExclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case vbInformation:
            box.setIcon(QMessageBox::Information);
            break;
        default:
            box.setIcon(QMessageBox::NoIcon);
            break;
        }
        if ((flags & 0x7) == vbYesNo) {
            QPushButton* yes = box.addButton(u"&Sí"_s, QMessageBox::YesRole);
            QPushButton* no = box.addButton(u"&No"_s, QMessageBox::NoRole);
            box.setDefaultButton(flags & vbDefaultButton2 ? no : yes);
            box.exec();
            return box.clickedButton() == static_cast<QAbstractButton*>(yes) ? MsgBoxResult::Yes
                                                                             : MsgBoxResult::No;
        }
        box.addButton(u"Aceptar"_s, QMessageBox::AcceptRole);
        box.exec();
        return MsgBoxResult::Ok;
    }
};

MessageBoxService*& current()
{
    static RealMessageBoxes real;
    static MessageBoxService* service = &real;
    return service;
}

}  // namespace

MsgBoxResult MsgBox(const QString& prompt, int flags, const QString& title, QWidget* parent)
{
    return current()->show(parent, prompt, flags, title);
}

MsgBoxResult MsgBox(const Message& message, QWidget* parent)
{
    return MsgBox(message.prompt, message.flags, message.title, parent);
}

void ShowErrorBox(int number, const QString& text, QWidget* parent)
{
    MsgBox(errorMessage(number, text), vbCritical, u"-=: Sistema Valdrameno :=-"_s, parent);
}

void ShowErrorBox(const EngineError& error, QWidget* parent)
{
    ShowErrorBox(error.number(), error.text(), parent);
}

MessageBoxService* setMessageBoxService(MessageBoxService* service)
{
    static MessageBoxService* real = current();
    MessageBoxService* previous = current();
    current() = service ? service : real;
    return previous;
}

ScriptedMessageBoxes::ScriptedMessageBoxes() : previous_(setMessageBoxService(this)) {}

ScriptedMessageBoxes::~ScriptedMessageBoxes() { setMessageBoxService(previous_); }

MsgBoxResult ScriptedMessageBoxes::show(QWidget*, const QString& prompt, int flags,
                                        const QString& title)
{
    shown_.push_back({prompt, flags, title});
    if ((flags & 0x7) != vbYesNo) return MsgBoxResult::Ok;
    if (answers_.empty()) return MsgBoxResult::No;
    const MsgBoxResult next = answers_.front();
    answers_.pop_front();
    return next;
}
