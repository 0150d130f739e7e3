#include "guards.h"

#include "windowregistry.h"

namespace fixture {

LookupOpenerGuard::LookupOpenerGuard(forms::LookupOpener opener) : previous_(forms::lookupOpener())
{
    forms::setLookupOpener(std::move(opener));
}

LookupOpenerGuard::~LookupOpenerGuard() { forms::setLookupOpener(std::move(previous_)); }

FormReopenerGuard::FormReopenerGuard(forms::FormReopener reopener) : previous_(forms::formReopener())
{
    forms::setFormReopener(std::move(reopener));
}

FormReopenerGuard::~FormReopenerGuard() { forms::setFormReopener(std::move(previous_)); }

ExitHandlerGuard::ExitHandlerGuard(shell::ExitHandler handler)
    : previous_(shell::setExitHandler(std::move(handler)))
{
}

ExitHandlerGuard::~ExitHandlerGuard() { shell::setExitHandler(std::move(previous_)); }

RegistryGuard::RegistryGuard(QMdiArea* frame)
{
    WindowRegistry::instance().clear();
    WindowRegistry::instance().setFrame(frame);
}

RegistryGuard::~RegistryGuard()
{
    WindowRegistry::instance().clear();
    WindowRegistry::instance().setFrame(nullptr);
}

}  // namespace fixture
