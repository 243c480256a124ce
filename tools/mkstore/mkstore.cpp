// tuskocp-mkstore [path]: creates an empty records store (default "kvt97.mdb") holding the table
// "数据监测" with its ten fields. An existing file is never touched.
// tuskocp-mkstore --schema: prints the statement that creates the table, for any SQLite tool.
#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "records/records_store.h"

namespace {

constexpr int kExitRefused = 1;
constexpr int kExitFailed = 2;

int fail(const std::string& path, const std::string& reason) {
    std::fprintf(stderr, "tuskocp-mkstore: %s: %s\n", path.c_str(), reason.c_str());
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    return kExitFailed;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2) {
        std::fprintf(stderr, "usage: tuskocp-mkstore [path] | tuskocp-mkstore --schema\n");
        return kExitFailed;
    }
    if (argc == 2 && std::strcmp(argv[1], "--schema") == 0) {
        std::printf("%s;\n", records::createTableStatement().c_str());
        return 0;
    }
    const std::string path = argc == 2 ? argv[1] : records::kDatabaseFile;
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
    return 0;
}
