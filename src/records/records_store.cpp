#include "records/records_store.h"

#include <cstddef>

namespace records {

namespace {

std::string quoted(const std::string& name) {
    return '"' + name + '"';
}

}  // namespace

std::string createTableStatement(SqlDialect dialect, bool sitelessShareKey) {
    const bool server = dialect == SqlDialect::PostgreSql;
    const std::string number = server ? " smallint" : " INTEGER";
    const std::string text = server ? " text" : " TEXT";
    std::string sql = "CREATE TABLE " + quoted(kTable) + " (";
    if (server) {
        sql += quoted(kKeyField) + " bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY, ";
    }
    for (std::size_t i = 0; i < kFieldNames.size(); ++i) {
        sql += (i == 0 ? "" : ", ") + quoted(kFieldNames[i]) + (i == 0 ? number : text);
    }
    if (server) {
        sql += ", " + quoted(kSiteField) + text;
        sql += std::string(", UNIQUE ") + (sitelessShareKey ? "NULLS NOT DISTINCT " : "") + "(" +
               quoted(kSiteField) + ", " + quoted(kFieldNames[0]) + ", " + quoted(kFieldNames[1]) +
               ")";
    }
    return sql + ")";
}

std::string createStationIndexStatement() {
    return "CREATE INDEX IF NOT EXISTS " + quoted(kStationIndex) + " ON " + quoted(kTable) + " (" +
           quoted(kFieldNames[0]) + ")";
}

}  // namespace records
