// A terminal's program in the middle of a long save: it opens the database file given as its
// argument with SQLite alone, as any program at the till would, raises every price in one
// transaction that it never commits, prints "writing" once pages of the change have reached the
// file, and goes on changing prices until it is killed or its standard input closes.
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <unistd.h>

namespace {

void run(sqlite3* db, const char* sql)
{
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "%s\n", error ? error : "error");
        std::exit(2);
    }
}

bool inputClosed()
{
    pollfd in{STDIN_FILENO, POLLIN, 0};
    char byte;
    return ::poll(&in, 1, 0) > 0 && ::read(STDIN_FILENO, &byte, 1) <= 0;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc < 2) return 2;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) return 2;
    // A small page cache spills the change into the database file early, so the journal that
    // undoes it is needed.
    run(db, "PRAGMA cache_size=10");
    run(db, "BEGIN IMMEDIATE");
    run(db, "UPDATE articulos SET lis1 = lis1 + 1000, descripcion = descripcion || ' VIEJO'");
    std::puts("writing");
    std::fflush(stdout);
    while (!inputClosed()) run(db, "UPDATE articulos SET lis1 = lis1 + 1");
    run(db, "ROLLBACK");
    sqlite3_close(db);
    return 0;
}
