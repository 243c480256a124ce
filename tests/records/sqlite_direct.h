#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

namespace records_test {

// A connection made with the sqlite3 library itself, as another tool would open the store.
class SqliteDirect {
  public:
    explicit SqliteDirect(const std::string& path,
                          int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                          const char* vfs = nullptr) {
        ok_ = sqlite3_open_v2(path.c_str(), &db_, flags, vfs) == SQLITE_OK;
    }
    ~SqliteDirect() { sqlite3_close(db_); }
    SqliteDirect(const SqliteDirect&) = delete;
    SqliteDirect& operator=(const SqliteDirect&) = delete;

    bool ok() const { return ok_; }

    bool exec(const std::string& sql) {
        return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    }

    // Every result row of `sql`, each column as text ("NULL" for a null value).
    std::vector<std::vector<std::string>> rows(const std::string& sql) {
        std::vector<std::vector<std::string>> result;
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
            return result;
        }
        while (sqlite3_step(statement) == SQLITE_ROW) {
            std::vector<std::string>& row = result.emplace_back();
            for (int i = 0; i < sqlite3_column_count(statement); ++i) {
                const unsigned char* text = sqlite3_column_text(statement, i);
                row.emplace_back(text ? reinterpret_cast<const char*>(text) : "NULL");
            }
        }
        sqlite3_finalize(statement);
        return result;
    }

    // The single number `sql` yields; -1 when it yields none.
    std::int64_t number(const std::string& sql) {
        const auto result = rows(sql);
        return result.empty() || result[0].empty() ? -1 : std::stoll(result[0][0]);
    }

  private:
    sqlite3* db_ = nullptr;
    bool ok_ = false;
};

}  // namespace records_test
