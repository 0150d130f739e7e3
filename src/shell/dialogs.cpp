#include "dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>

#include "data/settings.h"

using namespace Qt::StringLiterals;

namespace {

class RealDialogs : public DialogService {
public:
    QString chooseFile(QWidget* parent, DialogKind kind, const QString& title, const QString& start,
                       const QString& filter) override
    {
        return kind == DialogKind::SaveFile
                   ? QFileDialog::getSaveFileName(parent, title, start, filter)
                   : QFileDialog::getOpenFileName(parent, title, start, filter);
    }

    bool choosePrinter(QWidget* parent, QPrinter& printer, int pages) override
    {
        QPrintDialog dialog(&printer, parent);
        dialog.setOption(QAbstractPrintDialog::PrintPageRange);
        dialog.setMinMax(1, pages);
        dialog.setFromTo(1, pages);
        return dialog.exec() == QDialog::Accepted;
    }
};

DialogService*& current()
{
    static RealDialogs real;
    static DialogService* service = &real;
    return service;
}

const QString kLastFolder = u"dialogos/ultimaCarpeta"_s;

// The folder the last file was chosen in, while it is still there.
QString lastFolder()
{
    const QString folder = settings::open()->value(kLastFolder).toString();
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

// Asks the service and remembers the chosen file's folder for the next time.
QString chooseAndRemember(QWidget* parent, DialogKind kind, const QString& title,
                          const QString& start, const QString& filter)
{
    const QString path = current()->chooseFile(parent, kind, title, start, filter);
    if (!path.isEmpty()) settings::open()->setValue(kLastFolder, QFileInfo(path).absolutePath());
    return path;
}

}  // namespace

QString ChooseFileToOpen(const QString& title, const QString& filter, QWidget* parent)
{
    return chooseAndRemember(parent, DialogKind::OpenFile, title, lastFolder(), filter);
}

QString ChooseFileToSave(const QString& title, const QString& suggestedName, const QString& filter,
                         QWidget* parent)
{
    const QString folder = lastFolder();
    const QString start = folder.isEmpty() ? suggestedName : QDir(folder).filePath(suggestedName);
    return chooseAndRemember(parent, DialogKind::SaveFile, title, start, filter);
}

bool ChoosePrinter(QPrinter& printer, int pages, QWidget* parent)
{
    return current()->choosePrinter(parent, printer, pages);
}

DialogService* setDialogService(DialogService* service)
{
    static DialogService* real = current();
    DialogService* previous = current();
    current() = service ? service : real;
    return previous;
}

ScriptedDialogs::ScriptedDialogs() : previous_(setDialogService(this)) {}

ScriptedDialogs::~ScriptedDialogs() { setDialogService(previous_); }

ScriptedDialogs::Answer ScriptedDialogs::next()
{
    if (answers_.empty()) return {};
    const Answer answer = answers_.front();
    answers_.pop_front();
    return answer;
}

QString ScriptedDialogs::chooseFile(QWidget*, DialogKind kind, const QString& title,
                                    const QString& start, const QString& filter)
{
    shown_.push_back({kind, title, start, filter, 0});
    return next().path;
}

bool ScriptedDialogs::choosePrinter(QWidget*, QPrinter& printer, int pages)
{
    shown_.push_back({DialogKind::Print, {}, {}, {}, pages});
    const Answer answer = next();
    if (answer.path.isEmpty()) return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(answer.path);
    if (answer.from > 0) {
        printer.setPrintRange(QPrinter::PageRange);
        printer.setFromTo(answer.from, answer.to);
    } else {
        printer.setPrintRange(QPrinter::AllPages);
    }
    return true;
}
