#include "ivapass.h"

#include "engine.h"
#include "msgbox.h"

using namespace Qt::StringLiterals;

namespace articles {

bool fillInIva(Database& articulosFile, QWidget* parent)
{
    // One statement inside the engine's savepoint: every such article changes, or none does.
    try {
        articulosFile.Execute(u"UPDATE articulos SET iva = 21 WHERE iva = 0 OR iva IS NULL"_s);
    } catch (const EngineError& error) {
        ShowErrorBox(error, parent);
        return false;
    }
    MsgBox(u"PROCESO TERMINADO ... PRECIONE ACEPTAR PARA PODER SALIR"_s, vbInformation,
           u"FINALIZADO"_s, parent);
    return true;
}

}  // namespace articles
