#include "guards.h"

#include "shell/windowregistry.h"

namespace fixture {

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
