#include "opensequence.h"

#include "catalogue.h"
#include "paths.h"

FileHold openForForm(const QString& fileName, Data* binding, const QString& password)
{
    const catalogue::FileDef* def = catalogue::find(fileName);
    if (!def) throw EngineError(EngineErrorCode::FileNotFound, paths::inBases(fileName));
    const QString path = paths::inBases(def->fileName);
    FileHold hold;
    hold.espacioJet = DBEngine::CreateWorkspace(QString(), QStringLiteral("admin"), QString());
    hold.Deposito = hold.espacioJet->OpenDatabase(
        path, false, false, catalogue::connectString(password.isNull() ? def->password : password));
    if (binding) {
        binding->close();
        binding->setDatabaseName(path);
        binding->setRecordSource(def->table.name);
    }
    return hold;
}
