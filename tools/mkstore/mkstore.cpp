// tuskocp-mkstore [path]: creates an empty records store (default "kvt97.mdb") holding the table
// "数据监测" with its ten fields. An existing file is never touched.
// tuskocp-mkstore --server FILE: creates the table, with the key "序号" and the column "站点", on
// the PostgreSQL server that FILE (a "records.conf") names. An existing table is never touched.
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
    "tuskocp-mkstore --schema [sqlite|postgresql]\n";

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
    const records::SqlDialect chosen = std::strcmp(dialect, "postgresql") == 0
                                           ? records::SqlDialect::PostgreSql
                                           : records::SqlDialect::Sqlite;
    std::printf("%s;\n", records::createTableStatement(chosen).c_str());
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
    if (sqlite3_exec(db, records::createTableStatement().c_str(), nullptr, nullptr, &message) !=
        SQLITE_OK) {
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
