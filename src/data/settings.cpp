#include "settings.h"

#include <QStandardPaths>

namespace settings {

std::unique_ptr<QSettings> open()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return std::make_unique<QSettings>(folder + QStringLiteral("/valdrameno/valdrameno.conf"),
                                       QSettings::IniFormat);
}

}  // namespace settings
