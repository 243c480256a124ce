#include "records/records_store.h"

#include <cstddef>
#include <cstdint>

namespace records {

namespace {

std::string quoted(const std::string& name) {
    return '"' + name + '"';
}

// The logging step goes on after a failing step without a message; the failed step loses only
// its own part of the record.
void ignoreFailureOf(bool /*stepSucceeded*/) {}

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

bool openStore(platform::RecordsBinding& binding) {
    const bool named = binding.setDatabaseName(kDatabaseFile);
    const bool sourced = binding.setRecordSource(kTable);
    const bool read = binding.refresh();
    return named && sourced && read;
}

void appendRecord(platform::RecordsBinding& binding, const MeasurementRecord& record) {
    const std::optional<bool> empty = binding.beforeFirst();
    if (empty && !*empty) {
        ignoreFailureOf(binding.moveLast());
    }
    ignoreFailureOf(binding.addNew());
    const std::array<platform::FieldValue, kFieldNames.size()> values = {
        std::int64_t{record.station},
        record.date,
        record.diameter,
        record.flow,
        record.percent,
        record.rangeRatio,
        record.velocity,
        record.forwardTotal,
        record.reverseTotal,
        record.alarm};
    for (std::size_t i = 0; i < kFieldNames.size(); ++i) {
        ignoreFailureOf(binding.setField(kFieldNames[i], values[i]));
    }
    ignoreFailureOf(binding.update());
    ignoreFailureOf(binding.refresh());
}

}  // namespace records
