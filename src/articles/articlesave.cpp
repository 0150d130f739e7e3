#include "articlesave.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <unistd.h>

#include "articlemodel.h"
#include "data/engine.h"
#include "data/paths.h"

using namespace Qt::StringLiterals;

namespace articles {

namespace {

const QString kLogFolder = u"c:\\norvik\\tempo\\"_s;

// The system's long time format without the time zone, which the store's clock never shows.
QString longTime(const QTime& time)
{
    QString format = QLocale::system().timeFormat(QLocale::LongFormat);
    format.remove(u't');
    return QLocale::system().toString(time, format.trimmed());
}

}  // namespace

Outcome saveArticle(ArticleModel& model, Recordset& articulos, std::optional<qint64> editing)
{
    const auto typed = model.texts();
    try {
        if (editing) {
            articulos.setIndex(u"codigo"_s);
            articulos.Seek(*editing);
            if (articulos.NoMatch()) throw EngineError(EngineErrorCode::NoCurrentRecord);
            articulos.Edit();
        } else {
            articulos.AddNew();
        }
        model.ControloVacios();
        const Outcome outcome = model.CargoBaseDatos(articulos);
        if (!outcome.ok()) {
            articulos.CancelUpdate();
            model.setTexts(typed);
            return outcome;
        }
        articulos.Update();
        return outcome;
    } catch (const EngineError&) {
        if (articulos.editMode() != EditMode::None) articulos.CancelUpdate();
        model.setTexts(typed);
        throw;
    }
}

QString deletionLogName(const QString& code, const QString& barcode)
{
    QString name = code + u'-' + barcode;
    for (QChar& c : name)
        if (c == u'/' || c == u'\\' || c == QChar(0)) c = u'_';
    if (name == u"."_s || name == u".."_s) name.fill(u'_');
    return name;
}

QByteArray deletionLogLine(const QString& code, const QString& barcode, const QDateTime& when)
{
    const QString line = u"\"articulo eliminado con boton - %1 - %2 - %3 - %4\"\r\n"_s.arg(
        code, barcode, QLocale::system().toString(when.date(), QLocale::ShortFormat), longTime(when.time()));
    return line.toUtf8();
}

std::optional<EngineError> writeDeletionLog(const QString& code, const QString& barcode,
                                            const QDateTime& when)
{
    const QString folder = paths::toNative(kLogFolder);
    const QString path = QDir(folder).filePath(deletionLogName(code, barcode));
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir())
        return EngineError(EngineErrorCode::CannotOpenFile, path);
    // Written under a temporary name and put in place once flushed to disk.
    QSaveFile file(path);
    const QByteArray line = deletionLogLine(code, barcode, when);
    if (!file.open(QIODevice::WriteOnly) || file.write(line) != line.size() || !file.flush() ||
        ::fsync(file.handle()) != 0 || !file.commit())
        return EngineError(EngineErrorCode::CannotOpenFile, path);
    return std::nullopt;
}

}  // namespace articles
