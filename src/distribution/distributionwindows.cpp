#include "distributionwindows.h"

#include "actualizar.h"
#include "backupform.h"
#include "shell/windowregistry.h"

using namespace Qt::StringLiterals;

void registerDistributionWindows(WindowRegistry& registry)
{
    registry.add({u"Actualizar"_s, WindowPlace::InFrame, QPoint(4200, 0), [] { return new Actualizar; }});
    registry.add({u"Backup"_s, WindowPlace::InFrame, QPoint(4900, 0), [] { return new Backup; }});
}
