#pragma once
// Connects the record forms to the main window's window registry.

class WindowRegistry;

namespace forms {

// A form that closes itself after a save comes back through `registry` (by its object name,
// which is also its registry name), so that the registry knows the new one is open.
void reopenThroughRegistry(WindowRegistry& registry);

}  // namespace forms
