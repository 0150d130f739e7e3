#pragma once

class WindowRegistry;

// Registers `Actualizar` and `Backup` as child windows of the main window.
void registerDistributionWindows(WindowRegistry& registry);
