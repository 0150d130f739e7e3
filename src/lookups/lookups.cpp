#include "lookups.h"

#include <QHash>
#include <QLineEdit>
#include <QPointer>

#include "data/errors.h"
#include "shell/msgbox.h"

namespace lookups {

namespace {

// Each dialog exists at most once; deleted dialogs drop out by themselves.
QHash<QString, QPointer<LookupDialog>>& openDialogs()
{
    static QHash<QString, QPointer<LookupDialog>> dialogs;
    return dialogs;
}

}  // namespace

LookupDialog* openDialog(const QString& memberName)
{
    LookupDialog* dialog = openDialogs().value(memberName);
    return dialog && dialog->isVisible() ? dialog : nullptr;
}

void openLookup(const QString& memberName, QLineEdit* target, QWidget* caller, OpenedBy how)
{
    const Member* member = findMember(memberName);
    Q_ASSERT_X(member, "openLookup", "no lookup of that name");
    if (!member) return;
    if (LookupDialog* open = openDialog(memberName)) {
        open->raise();
        open->activateWindow();
        return;
    }
    LookupDialog* dialog = nullptr;
    try {
        dialog = new LookupDialog(*member, target, caller);
    } catch (const EngineError& error) {
        ShowErrorBox(error, caller);
        return;
    }
    openDialogs().insert(memberName, dialog);
    if (member->isModal(how)) {
        dialog->exec();
    } else {
        dialog->show();
        dialog->raise();
        dialog->activateWindow();
    }
}

}  // namespace lookups
