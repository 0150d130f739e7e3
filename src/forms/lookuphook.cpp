#include "lookuphook.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace forms {

namespace {
LookupOpener& opener()
{
    static LookupOpener current;
    return current;
}

class LookupOnEscape : public QObject {
public:
    LookupOnEscape(QLineEdit* box, QString dialog)
        : QObject(box), box_(box), dialog_(std::move(dialog))
    {
        box->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress ||
            static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape)
            return false;
        openLookup(dialog_, box_, box_->window(), LookupTrigger::EscapeKey);
        return true;
    }

private:
    QLineEdit* box_;
    QString dialog_;
};
}  // namespace

void lookUpOnEscape(QLineEdit* box, const QString& dialogName)
{
    new LookupOnEscape(box, dialogName);
}

void setLookupOpener(LookupOpener value) { opener() = std::move(value); }

const LookupOpener& lookupOpener() { return opener(); }

void openLookup(const QString& dialogName, QLineEdit* target, QWidget* caller, LookupTrigger how)
{
    if (opener()) opener()(dialogName, target, caller, how);
}

}  // namespace forms
