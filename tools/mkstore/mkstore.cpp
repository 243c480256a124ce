// tuskocp-mkstore [path]: creates an empty records store (default "kvt97.mdb") holding the table
// "数据监测" with its ten fields. An existing file is never touched.
#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

constexpr const char* kCreateTable =
    "CREATE TABLE \"数据监测\" ("
    "\"仪表编号\" INTEGER, \"日期\" TEXT, \"管径\" TEXT, \"瞬时流量\" TEXT, \"百分比\" TEXT, "
    "\"量程比\" TEXT, \"流速\" TEXT, \"正向累计\" TEXT, \"反向累计\" TEXT, \"报警状态\" TEXT)";

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
        std::fprintf(stderr, "usage: tuskocp-mkstore [path]\n");
        return kExitFailed;
    }
    const std::string path = argc == 2 ? argv[1] : "kvt97.mdb";
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
    if (sqlite3_exec(db, kCreateTable, nullptr, nullptr, &message) != SQLITE_OK) {
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
