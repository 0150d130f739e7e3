#pragma once
// The supplier and customer forms as windows of the main window.

class WindowRegistry;

// Registers `Proveedores` and `Clientes` as child windows of the main window.
void registerPartyWindows(WindowRegistry& registry);
