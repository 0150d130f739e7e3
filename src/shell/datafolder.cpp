#include "datafolder.h"

#include <QFileInfo>
#include <cstdio>

#include "msgbox.h"
#include "paths.h"

using namespace Qt::StringLiterals;

QString checkDataFolder()
{
    const QString folder = paths::toNative(paths::basesFolder());
    QString problem;
    if (!QFileInfo(folder).isDir())
        problem = u"No existe la carpeta de datos:\n"_s + folder;
    else if (!QFileInfo(paths::toNative(paths::inBases(u"Opcion.mdb"_s))).isFile())
        problem = u"Falta el archivo Opcion.mdb en la carpeta de datos:\n"_s + folder;
    else
        return QString();
    const QString message = problem +
        u"\n\nPara crear la carpeta y los archivos que falten ejecute:\n"
        u"valdrameno-admin inicializar"_s;
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    return message;
}

void showDataFolderProblem(const QString& message)
{
    MsgBox(message, vbCritical, u"-=: Sistema Valdrameno :=-"_s);
}
