#include "lookuphook.h"

namespace forms {

namespace {
LookupOpener& opener()
{
    static LookupOpener current;
    return current;
}
}  // namespace

void setLookupOpener(LookupOpener value) { opener() = std::move(value); }

const LookupOpener& lookupOpener() { return opener(); }

void openLookup(const QString& dialogName, QLineEdit* target, QWidget* caller, LookupTrigger how)
{
    if (opener()) opener()(dialogName, target, caller, how);
}

}  // namespace forms
