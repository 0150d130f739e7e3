#include "terminals.h"

#include <QFileInfo>
#include <QRegularExpression>

#include "data/dbcopy.h"
#include "data/errors.h"
#include "data/filereplace.h"
#include "data/filestate.h"
#include "data/paths.h"
#include "data/settings.h"

using namespace Qt::StringLiterals;

namespace terminals {

namespace {

QString hostKey(int terminal) { return u"cajas/%1/host"_s.arg(terminal); }
QString timeKey(int terminal, const QString& fileName)
{
    return u"cajas/%1/actualizado/%2"_s.arg(terminal).arg(fileName.toLower());
}

QString stateKey(int terminal, const QString& fileName)
{
    return u"cajas/%1/estado/%2"_s.arg(terminal).arg(fileName.toLower());
}

}  // namespace

const std::vector<FileRow>& files()
{
    static const std::vector<FileRow> rows = {
        {u"Articulos ------------>"_s, u"c:\\norvik\\Bases\\articulos.mdb"_s, u"Articulos.mdb"_s},
        {u"Clientes ------------->"_s, u"c:\\norvik\\Bases\\Clientes.mdb"_s, u"Clientes.mdb"_s},
        {u"Proveedores ------->"_s, u"c:\\norvik\\Bases\\Proveedores.mdb"_s, u"Proveedores.mdb"_s},
        {u"Departamentos ---->"_s, u"c:\\norvik\\Bases\\Departamentos.mdb"_s, u"Departamentos.mdb"_s},
        {u"Rubros -------------->"_s, u"c:\\norvik\\Bases\\Rubros.mdb"_s, u"Rubros.mdb"_s},
        {u"Marcas -------------->"_s, u"c:\\norvik\\Bases\\Marcas.mdb"_s, u"Marcas.mdb"_s},
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
    if (terminal < 1 || terminal > kCount || !isHostName(name)) return false;
    auto store = settings::open();
    store->setValue(hostKey(terminal), name);
    store->sync();
    return store->status() == QSettings::NoError;
}

QString shareFolder(int terminal) { return u"\\\\"_s + host(terminal) + u"\\norvik\\Bases\\"_s; }

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
