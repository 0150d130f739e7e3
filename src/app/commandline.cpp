#include "commandline.h"

#include <xcb/xcb.h>

#include <QDir>
#include <QFileInfo>

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

bool displayAnswers(DisplayKind kind, const QString& display, const QProcessEnvironment& env)
{
    if (kind == DisplayKind::Wayland) {
        // The compositor's socket, by its absolute path or in the user's runtime folder.
        const QString socket = QDir::isAbsolutePath(display)
                                   ? display
                                   : env.value(u"XDG_RUNTIME_DIR"_s) + u'/' + display;
        return QFileInfo(socket).exists();
    }
    xcb_connection_t* connection = xcb_connect(display.toLocal8Bit().constData(), nullptr);
    const bool answered = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return answered;
}

QString missingDisplay(const QProcessEnvironment& env, const DisplayProbe& answers)
{
    const QString xDisplay = env.value(u"DISPLAY"_s),
                  waylandDisplay = env.value(u"WAYLAND_DISPLAY"_s);
    const bool x11 = !xDisplay.isEmpty() && answers(DisplayKind::X11, xDisplay, env);
    const bool wayland =
        !waylandDisplay.isEmpty() && answers(DisplayKind::Wayland, waylandDisplay, env);
    // QT_QPA_PLATFORM names one platform or several to try in turn ("wayland;xcb"), each maybe
    // with options after a colon. Platforms other than these two need no display variable.
    bool available = false;
    const QString platforms = env.value(u"QT_QPA_PLATFORM"_s);
    for (const QString& entry : platforms.split(u';')) {
        const QString platform = entry.section(u':', 0, 0).trimmed();
        if (platform.isEmpty()) available = available || x11 || wayland;
        else if (platform == u"xcb") available = available || x11;
        else if (platform.startsWith(u"wayland")) available = available || wayland;
        else available = true;
    }
    if (available) return QString();
    return u"No hay ninguna pantalla gráfica disponible: el Sistema Valdrameno necesita una para "
           u"abrir sus ventanas.\n"
           u"Inícielo desde el escritorio; sin pantalla, valdrameno-admin prepara y revisa los "
           u"datos."_s;
}
