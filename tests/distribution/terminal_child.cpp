// A terminal's program in the middle of a save: it opens the database file given as its first
// argument with SQLite alone, as any program at the till would, starts a change that it never
// commits, prints "writing" once the change is under way, and goes on changing prices until it
// is killed or its standard input closes. The second argument says which save:
//   precios    every price raised; pages of the change reach the file (its journal is needed)
//   bajas      half the articles deleted, the same way
//   wal        the file in WAL mode, a committed price change left in the log, then every price
//              raised in the log
//   reservado  one price changed, held in memory: the file is untouched, its journal is there
#include <sqlite3.h>

#include <poll.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <QString>

namespace {

void run(sqlite3* db, const char* sql)
{
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "%s\n", error ? error : "error");
        std::exit(2);
    }
}

// The order of the store's text fields: without regard to case, letter by letter.
int storeOrder(void*, int lengthA, const void* a, int lengthB, const void* b)
{
    return QString::fromUtf8(static_cast<const char*>(a), lengthA)
        .compare(QString::fromUtf8(static_cast<const char*>(b), lengthB), Qt::CaseInsensitive);
}

bool inputClosed(int waitMs)
{
    pollfd in{STDIN_FILENO, POLLIN, 0};
    char byte;
    return ::poll(&in, 1, waitMs) > 0 && ::read(STDIN_FILENO, &byte, 1) <= 0;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc < 2) return 2;
    const char* save = argc > 2 ? argv[2] : "precios";
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) return 2;
    sqlite3_create_collation(db, "ES_NOCASE", SQLITE_UTF8, nullptr, storeOrder);
    if (std::strcmp(save, "reservado") == 0) {
        run(db, "BEGIN IMMEDIATE");
        run(db,
            "UPDATE articulos SET lis1 = lis1 + 1000 WHERE rowid = (SELECT min(rowid) FROM "
            "articulos)");
        std::puts("writing");
        std::fflush(stdout);
        while (!inputClosed(-1)) {
        }
    } else {
        if (std::strcmp(save, "wal") == 0)
            run(db,
                "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0; UPDATE articulos SET lis1 = "
                "lis1 + 7");
        // A small page cache spills the change into the file (or the log) early, so the journal
        // that undoes it is needed.
        run(db, "PRAGMA cache_size=10");
        run(db, "BEGIN IMMEDIATE");
        if (std::strcmp(save, "bajas") == 0) run(db, "DELETE FROM articulos WHERE rowid % 2 = 0");
        else
            run(db,
                "UPDATE articulos SET lis1 = lis1 + 1000, descripcion = descripcion || ' VIEJO'");
        std::puts("writing");
        std::fflush(stdout);
        while (!inputClosed(0)) run(db, "UPDATE articulos SET lis1 = lis1 + 1");
    }
    run(db, "ROLLBACK");
    sqlite3_close(db);
    return 0;
}
