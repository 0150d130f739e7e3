#pragma once
// The one service every window uses for the file chooser and the print dialog, shaped like the
// message boxes' (msgbox.h): the program shows Qt's dialogs; a test installs a ScriptedDialogs
// that answers in advance and records every dialog. The file chooser opens in the folder the
// last file was chosen in, kept in the program's settings.

#include <QList>
#include <QString>
#include <deque>

class QPrinter;
class QWidget;

enum class DialogKind { OpenFile, SaveFile, Print };

class DialogService {
public:
    virtual ~DialogService() = default;
    // The file chosen, empty when the dialog was cancelled. `start` is the folder to open in,
    // or a file suggested in it.
    virtual QString chooseFile(QWidget* parent, DialogKind kind, const QString& title,
                               const QString& start, const QString& filter) = 0;
    // Sets `printer` up for a document of `pages` pages (its printer and the pages to print);
    // false when the dialog was cancelled.
    virtual bool choosePrinter(QWidget* parent, QPrinter& printer, int pages) = 0;
};

// Asks for a file to read, or for the file to write with `suggestedName` offered. Empty when
// the dialog was cancelled.
QString ChooseFileToOpen(const QString& title, const QString& filter, QWidget* parent = nullptr);
QString ChooseFileToSave(const QString& title, const QString& suggestedName, const QString& filter,
                         QWidget* parent = nullptr);
// The print dialog for a document of `pages` pages; false when cancelled.
bool ChoosePrinter(QPrinter& printer, int pages, QWidget* parent = nullptr);

// Replaces the service; nullptr restores the real dialogs. Returns the previous one.
DialogService* setDialogService(DialogService* service);

// For tests: answers queued in advance, taken in order by whichever dialog comes next (a
// dialog with nothing queued is cancelled), and every dialog shown, in order.
class ScriptedDialogs : public DialogService {
public:
    struct Shown {
        DialogKind kind;
        QString title;
        QString start;  // the folder, or the suggested file, the file chooser opened at
        QString filter;
        int pages = 0;  // the print dialog's document
    };

    ScriptedDialogs();            // installs itself
    ~ScriptedDialogs() override;  // restores the previous service

    // The next file chooser chooses `path`.
    void answerFile(const QString& path) { answers_.push_back({path, 0, 0}); }
    // The next print dialog prints into the PDF file `pdf`: pages `from` to `to` (1-based), or
    // every page when `from` is 0.
    void answerPrint(const QString& pdf, int from = 0, int to = 0)
    {
        answers_.push_back({pdf, from, to});
    }
    // The next dialog is cancelled.
    void answerCancel() { answers_.push_back({}); }
    const QList<Shown>& shown() const { return shown_; }

    QString chooseFile(QWidget* parent, DialogKind kind, const QString& title, const QString& start,
                       const QString& filter) override;
    bool choosePrinter(QWidget* parent, QPrinter& printer, int pages) override;

private:
    struct Answer {
        QString path;
        int from, to;
    };
    Answer next();

    std::deque<Answer> answers_;
    QList<Shown> shown_;
    DialogService* previous_;
};
