// tuskocp-mkstore [path]: creates an empty records store (default "kvt97.mdb") holding the table
// "数据监测" with its ten fields and the index on "仪表编号". An existing file is never touched.
// tuskocp-mkstore --server FILE: creates the table, with the key "序号", the column "站点" and the
// unique key ("站点", "仪表编号", "日期"), on the PostgreSQL server that FILE (a "records.conf")
// names. An existing table is never touched.
// tuskocp-mkstore --schema [sqlite|postgresql]: prints the statement that creates the table, for
// any SQLite tool (the default) or for PostgreSQL.
#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "exit_codes.h"
#include "records/records_store.h"
#include "server_table.h"

namespace {

using mkstore::kExitCreated;
using mkstore::kExitFailed;
using mkstore::kExitRefused;

constexpr const char* kUsage =
    "usage: tuskocp-mkstore [path] | tuskocp-mkstore --server FILE | "
    "tuskocp-mkstore --schema [sqlite|postgresql] | tuskocp-mkstore --help\n";

constexpr const char* kHelp =
    "  path                 create the records store (default kvt97.mdb) with its table and\n"
    "                       station index; an existing file is left as it is (exit code 1)\n"
    "  --server FILE        create the records table on the PostgreSQL server that FILE (a\n"
    "                       records.conf) names; an existing table is left as it is\n"
    "  --schema [DIALECT]   print the statements that make the store, for sqlite (default)\n"
    "                       or postgresql\n"
    "  --help               print this and exit\n";

int fail(const std::string& path, const std::string& reason) {
    std::fprintf(stderr, "tuskocp-mkstore: %s: %s\n", path.c_str(), reason.c_str());
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    return kExitFailed;
}

int printSchema(const char* dialect) {
    if (std::strcmp(dialect, "sqlite") != 0 && std::strcmp(dialect, "postgresql") != 0) {
        std::fputs(kUsage, stderr);
        return kExitFailed;
    }
    if (std::strcmp(dialect, "postgresql") == 0) {
        std::printf("%s;\n",
                    records::createTableStatement(records::SqlDialect::PostgreSql).c_str());
    } else {
        std::printf("%s;\n%s;\n", records::createTableStatement().c_str(),
                    records::createStationIndexStatement().c_str());
    }
    return kExitCreated;
}

int createFile(const std::string& path) {
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::path(path), error) || error) {
        std::fprintf(stderr, "tuskocp-mkstore: %s: %s\n", path.c_str(),
                     error ? error.message().c_str() : "file exists, not overwritten");
        return kExitRefused;
    }

    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        const std::string reason = db ? sqlite3_errmsg(db) : "cannot open";
        sqlite3_close(db);
        return fail(path, reason);
    }
    char* message = nullptr;
    const std::string schema = "BEGIN; " + records::createTableStatement() + "; " +
                               records::createStationIndexStatement() + "; COMMIT;";
    if (sqlite3_exec(db, schema.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string reason = message ? message : sqlite3_errmsg(db);
        sqlite3_free(message);
        sqlite3_close(db);
        return fail(path, reason);
    }
    if (sqlite3_close(db) != SQLITE_OK) {
        return fail(path, "cannot close");
    }
    std::printf("created %s\n", path.c_str());
    return kExitCreated;
}

}  // namespace

int main(int argc, char** argv) {
    const bool option = argc >= 2 && std::strncmp(argv[1], "--", 2) == 0;
    if (option && std::strcmp(argv[1], "--help") == 0 && argc == 2) {
        std::fputs(kUsage, stdout);
        std::fputs(kHelp, stdout);
        return kExitCreated;
    }
    if (option && std::strcmp(argv[1], "--schema") == 0 && argc <= 3) {
        return printSchema(argc == 3 ? argv[2] : "sqlite");
    }
    if (option && std::strcmp(argv[1], "--server") == 0 && argc == 3) {
        return mkstore::createTableOnServer(argc, argv, argv[2]);
    }
    if (option || argc > 2) {
        std::fputs(kUsage, stderr);
        return kExitFailed;
    }
    return createFile(argc == 2 ? argv[1] : records::kDatabaseFile);
}
