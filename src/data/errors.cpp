#include "errors.h"

#include <QtGlobal>
#include <array>
#include <cerrno>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

using Entry = std::pair<EngineErrorCode, const char*>;

// Every engine error number and its text, in one place.
constexpr std::array kErrorTexts = {
    Entry{EngineErrorCode::Internal, "Error interno del motor de base de datos: %1"},
    Entry{EngineErrorCode::InvalidArgument, "Argumento no válido: %1"},
    Entry{EngineErrorCode::NotAnIndex, "'%1' no es un índice de esta tabla."},
    Entry{EngineErrorCode::NoIndexSet, "Operación no válida sin un índice activo."},
    Entry{EngineErrorCode::UpdateWithoutAddNew, "Update o CancelUpdate sin AddNew o Edit."},
    Entry{EngineErrorCode::NoCurrentRecord, "No hay un registro activo."},
    Entry{EngineErrorCode::DuplicateKey,
          "Los cambios no se realizaron porque crearían valores duplicados en el índice '%1'."},
    Entry{EngineErrorCode::FileNotFound, "No se encuentra el archivo '%1'."},
    Entry{EngineErrorCode::DiskFull, "No hay suficiente espacio en el disco."},
    Entry{EngineErrorCode::ReadOnlyFile,
          "No se puede actualizar. La base de datos o el objeto son de sólo lectura: '%1'."},
    Entry{EngineErrorCode::InvalidPassword, "Contraseña no válida."},
    Entry{EngineErrorCode::IoError, "Error de disco o de red al acceder a '%1'."},
    Entry{EngineErrorCode::PathNotValid, "'%1' no es una ruta válida."},
    Entry{EngineErrorCode::CannotOpenFile, "No se puede abrir el archivo '%1'."},
    Entry{EngineErrorCode::TableNotFound, "No se encuentra la tabla '%1'."},
    Entry{EngineErrorCode::FieldTooSmall,
          "El campo '%1' es demasiado pequeño para aceptar la cantidad de datos que intentó "
          "agregar."},
    Entry{EngineErrorCode::TypeMismatch, "Error en la conversión de tipo de datos del campo '%1'."},
    Entry{EngineErrorCode::FieldNotUpdatable, "No se puede actualizar el campo '%1'."},
    Entry{EngineErrorCode::RecordDeleted, "El registro se ha eliminado."},
    Entry{EngineErrorCode::NotSupported, "Operación no admitida para este tipo de objeto."},
    Entry{EngineErrorCode::FieldNotFound, "Elemento no encontrado en esta colección: '%1'."},
    Entry{EngineErrorCode::FileLocked, "El archivo '%1' está bloqueado por otro proceso."},
    Entry{EngineErrorCode::FileExists, "Ya existe el archivo '%1'."},
    Entry{EngineErrorCode::NoReadPermission,
          "No se puede leer el archivo '%1': no tiene permiso de lectura."},
    Entry{EngineErrorCode::UnfinishedSave,
          "El archivo '%1' quedó a medio guardar (el programa que lo usaba se cerró mientras "
          "guardaba). Abra el programa una vez para que lo recupere y vuelva a intentarlo."},
    Entry{EngineErrorCode::NotOurFormat, "Formato de base de datos no reconocido: '%1'."},
    Entry{EngineErrorCode::NewerVersion,
          "El archivo '%1' fue creado por una versión más nueva del programa. Actualice el "
          "programa para abrirlo."},
    Entry{EngineErrorCode::ValueOutOfRange, "Desbordamiento del campo numérico '%1'."},
    Entry{EngineErrorCode::LibraryNotLoaded, "Error al cargar la biblioteca: %1"},
};

}  // namespace

QString engineErrorText(EngineErrorCode code)
{
    for (const auto& [c, text] : kErrorTexts)
        if (c == code) return QString::fromUtf8(text);
    return QString::fromUtf8("Error %1").arg(int(code));
}

QString errorMessage(int number, const QString& text)
{
    return u"Error %1: %2"_s.arg(number).arg(text);
}

QString errorMessage(const EngineError& error)
{
    return errorMessage(error.number(), error.text());
}

EngineError::EngineError(EngineErrorCode code, const QString& detail) : code_(code)
{
    QString text = engineErrorText(code);
    text_ = text.contains(u"%1"_s) ? text.arg(detail) : text;
    what_ = QString::number(int(code)).append(u": "_s).append(text_).toStdString();
}

EngineError::EngineError(EngineErrorCode code, const QString& detail, int systemError)
    : EngineError(code, detail)
{
    systemError_ = systemError;
    text_ += u" ("_s + qt_error_string(systemError) + u')';
    what_ = QString::number(int(code)).append(u": "_s).append(text_).toStdString();
}

EngineError fileSystemError(int errnum, const QString& path)
{
    switch (errnum) {
    case ENOSPC:
    case EDQUOT:
        return EngineError(EngineErrorCode::DiskFull, path, errnum);
    case EROFS:
    case EACCES:
    case EPERM:
        return EngineError(EngineErrorCode::ReadOnlyFile, path, errnum);
    case ENOENT:
    case ENOTDIR:
        return EngineError(EngineErrorCode::PathNotValid, path, errnum);
    case EBUSY:
    case ETXTBSY:
        return EngineError(EngineErrorCode::FileLocked, path, errnum);
    case EEXIST:
        return EngineError(EngineErrorCode::FileExists, path, errnum);
    default:
        return EngineError(EngineErrorCode::IoError, path, errnum);
    }
}

EngineError readError(int errnum, const QString& path)
{
    if (errnum == EACCES || errnum == EPERM)
        return EngineError(EngineErrorCode::NoReadPermission, path, errnum);
    return fileSystemError(errnum, path);
}
