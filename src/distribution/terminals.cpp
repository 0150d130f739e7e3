#include "terminals.h"

#include <QFileInfo>
#include <QRegularExpression>

#include "data/catalogue.h"
#include "data/dbcopy.h"
#include "data/errors.h"
#include "data/filereplace.h"
#include "data/filestate.h"
#include "data/paths.h"
#include "data/settings.h"

using namespace Qt::StringLiterals;

namespace terminals {

namespace {

const QString kCountKey = u"cajas/cantidad"_s;

QString hostKey(int terminal) { return u"cajas/%1/host"_s.arg(terminal); }
QString timeKey(int terminal, const QString& fileName)
{
    return u"cajas/%1/actualizado/%2"_s.arg(terminal).arg(fileName.toLower());
}

QString stateKey(int terminal, const QString& fileName)
{
    return u"cajas/%1/estado/%2"_s.arg(terminal).arg(fileName.toLower());
}

// The row of `fileName`, one of the store's files, captioned `label`.
FileRow row(const char16_t* label, QStringView fileName)
{
    const catalogue::FileDef* file = catalogue::find(fileName);
    if (!file)
        qFatal("The terminals get %s, which is not a store file", qPrintable(fileName.toString()));
    return {QString::fromUtf16(label), paths::updateSource(file->fileName), file->fileName};
}

}  // namespace

int count()
{
    const int set = settings::open()->value(kCountKey, kCount).toInt();
    return set >= 1 && set <= kMost ? set : kCount;
}

bool setCount(int terminals)
{
    if (terminals < 1 || terminals > kMost) return false;
    auto store = settings::open();
    store->setValue(kCountKey, terminals);
    store->sync();
    return store->status() == QSettings::NoError;
}

const std::vector<FileRow>& files()
{
    static const std::vector<FileRow> rows = {
        row(u"Articulos ------------>", u"Articulos.mdb"),
        row(u"Clientes ------------->", u"Clientes.mdb"),
        row(u"Proveedores ------->", u"Proveedores.mdb"),
        row(u"Departamentos ---->", u"Departamentos.mdb"),
        row(u"Rubros -------------->", u"Rubros.mdb"),
        row(u"Marcas -------------->", u"Marcas.mdb"),
    };
    return rows;
}

bool isHostName(const QString& name)
{
    // A NetBIOS or DNS host name: letters, digits, hyphens and dots, no path separators.
    static const QRegularExpression pattern(u"^[A-Za-z0-9]([A-Za-z0-9.-]{0,62})$"_s);
    return pattern.match(name).hasMatch() && !name.contains(u".."_s);
}

QString host(int terminal)
{
    return settings::open()->value(hostKey(terminal), u"CAJA%1"_s.arg(terminal)).toString();
}

bool setHost(int terminal, const QString& name)
{
    if (terminal < 1 || terminal > count() || !isHostName(name)) return false;
    auto store = settings::open();
    store->setValue(hostKey(terminal), name);
    store->sync();
    return store->status() == QSettings::NoError;
}

QString shareFolder(int terminal) { return paths::terminalBases(host(terminal)); }

QDateTime lastUpdate(int terminal, const QString& fileName)
{
    return settings::open()->value(timeKey(terminal, fileName)).toDateTime();
}

void push(int terminal, const FileRow& file)
{
    const QString share = shareFolder(terminal);
    const QString folder = paths::toNative(share);
    if (!QFileInfo(folder).isDir()) throw EngineError(EngineErrorCode::PathNotValid, share, ENOENT);
    // Temporaries of a push that was killed midway go before the next one.
    filereplace::removeLeftovers(folder);
    const QString source = paths::toNative(file.source);
    // Read before the snapshot: a save landing in between leaves the state recorded older than
    // the copy, so the file shows as changed until the next push, never as pushed while it
    // is not.
    const QString state = filestate::committedState(source);
    dbcopy::copyDatabase(source, paths::toNative(share + file.target), filereplace::Mode::Replace);
    auto store = settings::open();
    store->setValue(timeKey(terminal, file.target), QDateTime::currentDateTime());
    store->setValue(stateKey(terminal, file.target), state);
}

Freshness freshness(int terminal, const FileRow& file)
{
    const QString source = paths::toNative(file.source);
    if (!QFileInfo(source).isFile()) return Freshness::SourceMissing;
    // Nothing recorded: never pushed, or pushed before states were recorded.
    const QString pushed = settings::open()->value(stateKey(terminal, file.target)).toString();
    if (pushed.isEmpty()) return Freshness::Behind;
    return filestate::committedState(source) == pushed ? Freshness::UpToDate : Freshness::Behind;
}

}  // namespace terminals
