#pragma once

class WindowRegistry;

// Registers every window that the main window's toolbar and menus open.
void registerWindows(WindowRegistry& registry);
