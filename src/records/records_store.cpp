#include "records/records_store.h"

#include <cstddef>
#include <cstdint>

namespace records {

namespace {

std::string quoted(const std::string& name) {
    return '"' + name + '"';
}

}  // namespace

std::string createTableStatement() {
    std::string sql = "CREATE TABLE " + quoted(kTable) + " (";
    for (std::size_t i = 0; i < kFieldNames.size(); ++i) {
        sql += (i == 0 ? "" : ", ") + quoted(kFieldNames[i]) + (i == 0 ? " INTEGER" : " TEXT");
    }
    return sql + ")";
}

bool openStore(platform::RecordsBinding& binding) {
    const bool named = binding.setDatabaseName(kDatabaseFile);
    const bool sourced = binding.setRecordSource(kTable);
    const bool read = binding.refresh();
    return named && sourced && read;
}

void appendRecord(platform::RecordsBinding& binding, const MeasurementRecord& record) {
    // Each step goes on whether the one before it worked; a failed step only loses its part.
    const std::optional<bool> empty = binding.beforeFirst();
    if (empty && !*empty) {
        binding.moveLast();
    }
    binding.addNew();
    binding.setField(kFieldNames[0], std::int64_t{record.station});
    binding.setField(kFieldNames[1], record.date);
    binding.setField(kFieldNames[2], record.diameter);
    binding.setField(kFieldNames[3], record.flow);
    binding.setField(kFieldNames[4], record.percent);
    binding.setField(kFieldNames[5], record.rangeRatio);
    binding.setField(kFieldNames[6], record.velocity);
    binding.setField(kFieldNames[7], record.forwardTotal);
    binding.setField(kFieldNames[8], record.reverseTotal);
    binding.setField(kFieldNames[9], record.alarm);
    binding.update();
    binding.refresh();
}

}  // namespace records
