#include "distributionwindows.h"

#include "actualizar.h"
#include "backupform.h"
#include "shell/windownames.h"
#include "shell/windowregistry.h"

using namespace Qt::StringLiterals;

void registerDistributionWindows(WindowRegistry& registry)
{
    registry.add({windownames::Actualizar, WindowPlace::InFrame, QPoint(4200, 0),
                  [] { return new Actualizar; }});
    registry.add(
        {windownames::Backup, WindowPlace::InFrame, QPoint(4900, 0), [] { return new Backup; }});
}
