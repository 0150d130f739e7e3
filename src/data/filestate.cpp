#include "filestate.h"

#include "internal/filestateof.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <QFile>

#include "internal/sqliteutil.h"

namespace filestate {

namespace {

// How long a look at a file's state waits for a save under way to end.
constexpr int kSaveWaitMs = 2000;

}  // namespace

QString stateOf(sqlite3* db, const QByteArray& name)
{
    sqlite3_file* file = nullptr;
    unsigned char counter[4] = {};
    struct stat info {};
    int moved = 1;
    // The name is looked at before SQLite is asked whether it still leads to the open file, so a
    // file put in place meanwhile shows as moved.
    if (sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file ||
        !file->pMethods || file->pMethods->xRead(file, counter, 4, 24) != SQLITE_OK ||
        ::stat(name.constData(), &info) != 0 ||
        sqlite3_file_control(db, "main", SQLITE_FCNTL_HAS_MOVED, &moved) != SQLITE_OK || moved)
        return {};
    const quint32 commits = quint32(counter[0]) << 24 | quint32(counter[1]) << 16 |
                            quint32(counter[2]) << 8 | counter[3];
    return QStringLiteral("%1 %2 %3.%4 %5")
        .arg(QString::number(commits), QString::number(qint64(info.st_size)),
             QString::number(qint64(info.st_mtim.tv_sec)),
             QString::number(qint64(info.st_mtim.tv_nsec)), QString::number(quint64(info.st_ino)));
}

QString committedState(const QString& path)
{
    // Opened through SQLite, which keeps its descriptors to itself: closing a descriptor of our
    // own would drop the locks this program's open connections hold on the file.
    const QByteArray name = QFile::encodeName(path);
    sqlite3* db = nullptr;
    QString state;
    if (sqliteutil::openStoreFile(path, SQLITE_OPEN_READONLY, &db, kSaveWaitMs) == SQLITE_OK) {
        // The first read takes the shared lock, which the transaction keeps until the close.
        if (sqlite3_exec(db, "BEGIN; SELECT count(*) FROM sqlite_master", nullptr, nullptr,
                         nullptr) == SQLITE_OK)
            state = stateOf(db, name);
    }
    sqlite3_close_v2(db);
    return state;
}

}  // namespace filestate
