#include "partywindows.h"

#include "clientes.h"
#include "proveedores.h"
#include "windowregistry.h"

using namespace Qt::StringLiterals;

void registerPartyWindows(WindowRegistry& registry)
{
    registry.add(u"Proveedores"_s, WindowPlace::InFrame, newProveedores);
    registry.add(u"Clientes"_s, WindowPlace::InFrame, newClientes);
}
