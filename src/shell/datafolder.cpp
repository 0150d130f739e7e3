#include "datafolder.h"

#include <QFileInfo>
#include <cstdio>

#include "data/errors.h"
#include "data/paths.h"
#include "data/storefiles.h"
#include "msgbox.h"

using namespace Qt::StringLiterals;

QString checkDataFolder()
{
    const QString folder = paths::toNative(paths::basesFolder());
    QString problem;
    if (!QFileInfo(folder).isDir()) problem = u"No existe la carpeta de datos:\n"_s + folder;
    else if (!QFileInfo(paths::toNative(paths::inBases(u"Opcion.mdb"_s))).isFile())
        problem = u"Falta el archivo Opcion.mdb en la carpeta de datos:\n"_s + folder;
    else return QString();
    const QString message = problem +
                            u"\n\nPara crear la carpeta y los archivos que falten ejecute:\n"
                            u"valdrameno-admin inicializar"_s;
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    return problem;
}

bool offerToCreateDataFiles(const QString& problem)
{
    const QString question = problem +
                             u"\n\n¿Desea crear ahora los archivos vacíos del comercio, "
                             u"con el usuario "_s +
                             storefiles::kInitialUser + u" (contraseña "_s +
                             storefiles::kInitialUser + u")?"_s;
    if (MsgBox(question, vbYesNo + vbQuestion, u"-=: Sistema Valdrameno :=-"_s) !=
        MsgBoxResult::Yes)
        return false;
    try {
        storefiles::createMissing();
    } catch (const EngineError& error) {
        ShowErrorBox(error);
        return false;
    }
    return true;
}

std::unique_ptr<FolderLock> lockDataFolder()
{
    QString error;
    auto lock = FolderLock::acquire(&error);
    if (lock) return lock;
    const QString message =
        error.isEmpty() ? u"El programa ya está abierto en esta computadora. Use la ventana que ya "
                          u"está abierta: "
                          u"dos copias del programa no pueden trabajar con los mismos datos."_s
                        : u"No se puede preparar la carpeta de datos: "_s + error;
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    MsgBox(message, vbCritical, u"-=: Sistema Valdrameno :=-"_s);
    return nullptr;
}
