#include "distributionwindows.h"

#include "actualizar.h"
#include "backupform.h"
#include "windowregistry.h"

using namespace Qt::StringLiterals;

void registerDistributionWindows(WindowRegistry& registry)
{
    registry.add(u"Actualizar"_s, WindowPlace::InFrame, [] { return new Actualizar; });
    registry.add(u"Backup"_s, WindowPlace::InFrame, [] { return new Backup; });
}
