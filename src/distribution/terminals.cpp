#include "terminals.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cerrno>

#include "data/dbcopy.h"
#include "data/errors.h"
#include "data/filereplace.h"
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

// How long a look at a file's state waits for a save under way to end.
constexpr int kSaveWaitMs = 2000;

// What identifies the committed state of the database file at the native path `path`; empty
// when it cannot be read. The store's files keep a rollback journal, so every commit, by this
// program or another, rewrites the change counter in bytes 24-27 of the header. Beside it go
// the file's size, modification time (to the nanosecond) and inode, which also tell apart a
// file put in place of the old one (a restore, an import) that happens to show the same
// counter. They are read under a read transaction, when no save is halfway written. Every
// commit changes the state; a file that changed back, or whose save was rolled back, may show
// as changed, which only asks for a push too many. A content hash would read the whole
// articles file, tens of megabytes, each time the window shows; this reads one header.
QString committedState(const QString& path)
{
    // Opened through SQLite, which keeps its descriptors to itself: closing a descriptor of our
    // own would drop the locks this program's open connections hold on the file.
    const QByteArray name = QFile::encodeName(path);
    sqlite3* db = nullptr;
    QString state;
    if (sqlite3_open_v2(name.constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(db, kSaveWaitMs);
        sqlite3_file* file = nullptr;
        unsigned char counter[4] = {};
        struct stat info {};
        // The first read takes the shared lock, which the transaction keeps until the close.
        if (sqlite3_exec(db, "BEGIN; SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) == SQLITE_OK &&
            sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &file) == SQLITE_OK && file &&
            file->pMethods && file->pMethods->xRead(file, counter, 4, 24) == SQLITE_OK &&
            ::stat(name.constData(), &info) == 0) {
            const quint32 commits =
                quint32(counter[0]) << 24 | quint32(counter[1]) << 16 | quint32(counter[2]) << 8 | counter[3];
            state = u"%1 %2 %3.%4 %5"_s.arg(QString::number(commits), QString::number(qint64(info.st_size)),
                                             QString::number(qint64(info.st_mtim.tv_sec)),
                                             QString::number(qint64(info.st_mtim.tv_nsec)),
                                             QString::number(quint64(info.st_ino)));
        }
    }
    sqlite3_close_v2(db);
    return state;
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
    const QString state = committedState(source);
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
    return committedState(source) == pushed ? Freshness::UpToDate : Freshness::Behind;
}

}  // namespace terminals
