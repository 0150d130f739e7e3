#include "storefiles.h"

#include <QFileInfo>

#include "catalogue.h"
#include "engine.h"
#include "passwords.h"
#include "paths.h"

using namespace Qt::StringLiterals;

namespace storefiles {

void addInitialUser(Database& opcion)
{
    auto users = opcion.OpenRecordset(u"Usuarios"_s);
    users->AddNew();
    users->Fields(u"usuario"_s).setValue(kInitialUser);
    users->Fields(u"contrasena"_s).setValue(passwords::hash(kInitialUser));
    users->Fields(u"estado"_s).setValue(QString());
    users->Update();
}

int createMissing(const std::function<void(const QString& fileName, Database&)>& fill,
                  const std::function<void(const QString& nativePath, bool created)>& report)
{
    int created = 0;
    for (const catalogue::FileDef& def : catalogue::files()) {
        const QString native = paths::toNative(paths::inBases(def.fileName));
        if (QFileInfo::exists(native)) {
            if (report) report(native, false);
            continue;
        }
        catalogue::createFile(def, native, [&](Database& db) {
            if (def.fileName == u"Opcion.mdb") addInitialUser(db);
            if (fill) fill(def.fileName, db);
        });
        if (report) report(native, true);
        ++created;
    }
    return created;
}

QString activeUser()
{
    try {
        const QList<QVariantList> rows =
            catalogue::open(QStringLiteral("Opcion.mdb"))
                ->Select(
                    QStringLiteral("SELECT usuario FROM Usuarios WHERE estado = 'Activo' LIMIT 1"));
        if (!rows.isEmpty()) return rows[0].value(0).toString();
    } catch (const EngineError&) {
    }
    return QString();
}

}  // namespace storefiles
