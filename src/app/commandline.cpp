#include "commandline.h"

using namespace Qt::StringLiterals;

std::optional<int> answerCommandLine(const QStringList& args, QTextStream& out)
{
    if (args.contains(u"--version"_s)) {
        out << "valdrameno " << VALDRAMENO_VERSION << '\n';
        return 0;
    }
    if (args.contains(u"--help"_s) || args.contains(u"-h"_s)) {
        out << "Uso: valdrameno [--version | --help]\n"
               "Sistema Valdrameno: gestión del comercio (artículos, clientes, proveedores,\n"
               "marcas, rubros, departamentos, etiquetas, listados, actualización de las cajas\n"
               "y copias de seguridad).\n"
               "\n"
               "Sin opciones abre la pantalla de ingreso. Los datos están en la carpeta\n"
               "  ~/.local/share/valdrameno/C/Norvik/Bases/\n"
               "Si falta la carpeta o Opcion.mdb, el programa ofrece crear los archivos vacíos\n"
               "con el usuario VUMRE (contraseña VUMRE); también los crea la orden\n"
               "  valdrameno-admin inicializar\n"
               "\n"
               "  --version   muestra la versión y termina\n"
               "  --help      muestra esta ayuda y termina\n";
        return 0;
    }
    return std::nullopt;
}
