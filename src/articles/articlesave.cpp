#include "articlesave.h"

#include <QDir>
#include <QFileInfo>
#include <array>

#include "articlemodel.h"
#include "data/engine.h"
#include "data/filereplace.h"
#include "data/numbertext.h"
#include "data/paths.h"
#include "data/storelocale.h"

using namespace Qt::StringLiterals;

namespace articles {

namespace {

const QString kLogFolder = u"c:\\norvik\\tempo\\"_s;

// The article other than `editing` that already has `barcode`, as "000012 (YERBA)". A barcode
// names one article: a search by it finds only the first that has it. The recordset's index is
// put back as it was, since browsing follows it.
std::optional<QString> barcodeOwner(Recordset& articulos, const QString& barcode,
                                    std::optional<qint64> editing)
{
    const QString index = articulos.Index();
    std::optional<QString> owner;
    articulos.setIndex(u"codbarra"_s);
    articulos.Seek(barcode);
    for (bool found = !articulos.NoMatch(); found && !articulos.Eof(); articulos.MoveNext()) {
        if (articulos.Fields(u"codbarra")
                .Value()
                .toString()
                .compare(barcode, Qt::CaseInsensitive) != 0)
            break;
        const qint64 code = articulos.Fields(u"codigo").Value().toLongLong();
        if (editing && code == *editing) continue;
        owner = u"%1 (%2)"_s.arg(code, 6, 10, QLatin1Char('0'))
                    .arg(articulos.Fields(u"descripcion").Value().toString());
        break;
    }
    articulos.setIndex(index);
    return owner;
}

}  // namespace

Outcome checkFilled(const ArticleModel& model)
{
    constexpr std::array<std::pair<ArticleField, BadInput>, 3> kNeeded = {{
        {ArticleField::Codigo, BadInput::MissingCode},
        {ArticleField::CodBarra, BadInput::MissingBarcode},
        {ArticleField::Cos, BadInput::MissingPrice},
    }};
    for (const auto& [field, missing] : kNeeded)
        if (model.text(field).isEmpty()) return Outcome{field, missing, 0, QString()};
    return {};
}

Outcome saveArticle(ArticleModel& model, Recordset& articulos, std::optional<qint64> editing)
{
    const auto typed = model.texts();
    try {
        // An empty barcode names no article (the form asks for one before it saves).
        const QString barcode = model.texts()[size_t(ArticleField::CodBarra)];
        if (const auto owner = barcode.trimmed().isEmpty()
                                   ? std::nullopt
                                   : barcodeOwner(articulos, barcode, editing)) {
            return Outcome{ArticleField::CodBarra, BadInput::TakenBarcode, 0, *owner};
        }
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

qint64 nextCode(Database& articulosFile)
{
    // The counter's own record of the highest code given (SQLite keeps it for AUTOINCREMENT
    // keys), or the highest code stored where that record is behind.
    const auto rows = articulosFile.Select(
        u"SELECT max(coalesce((SELECT seq FROM sqlite_sequence WHERE name = 'articulos'), 0), "
        u"coalesce((SELECT max(codigo) FROM articulos), 0)) + 1"_s);
    return rows.value(0).value(0).toLongLong();
}

QString proposedCode(Database& articulosFile)
{
    return numbertext::code(nextCode(articulosFile), 6);
}

void deleteArticle(Recordset& articulos, qint64 code, const QDateTime& when)
{
    if (articulos.Eof() || articulos.Bof() ||
        articulos.Fields(u"codigo").Value().toLongLong() != code)
        throw EngineError(EngineErrorCode::NoCurrentRecord);
    const QVariant barcode = articulos.Fields(u"codbarra").Value();
    if (auto failed = writeDeletionLog(QString::number(code),
                                       barcode.isNull() ? QString() : barcode.toString(), when))
        throw *failed;
    articulos.Delete();
    if (!(articulos.Eof() && articulos.Bof())) articulos.MoveFirst();
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
        code, barcode, storelocale::shortDate(when.date()), storelocale::longTime(when.time()));
    return line.toUtf8();
}

std::optional<EngineError> writeDeletionLog(const QString& code, const QString& barcode,
                                            const QDateTime& when)
{
    const QString folder = paths::toNative(kLogFolder);
    const QString path = QDir(folder).filePath(deletionLogName(code, barcode));
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir())
        return EngineError(EngineErrorCode::CannotOpenFile, path);
    try {
        filereplace::writeWhole(path, deletionLogLine(code, barcode, when));
    } catch (const EngineError& error) {
        return error;
    }
    return std::nullopt;
}

}  // namespace articles
