#include "ivapass.h"

#include "data/engine.h"

using namespace Qt::StringLiterals;

namespace articles {

std::optional<EngineError> fillInIva(Database& articulosFile)
{
    // One statement inside the engine's savepoint: every such article changes, or none does.
    try {
        articulosFile.Execute(u"UPDATE articulos SET iva = 21 WHERE iva = 0 OR iva IS NULL"_s);
    } catch (const EngineError& error) {
        return error;
    }
    return std::nullopt;
}

Message ivaPassDone()
{
    // "PRECIONE" as the system has always written it.
    return {u"PROCESO TERMINADO ... PRECIONE ACEPTAR PARA PODER SALIR"_s, u"FINALIZADO"_s, 64};
}

}  // namespace articles
