#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fakes/fake_store.h"
#include "records/records_store.h"

namespace records_test {

// Record n of a made-up run: station, minute, flow and forward total tell the records apart.
inline records::MeasurementRecord recordNumber(int n) {
    records::MeasurementRecord r;
    r.station = static_cast<std::uint8_t>(n % 16 + 1);
    r.date = "2007-10-10/9:" + std::to_string(n % 60);
    r.diameter = "100";
    r.flow = "+" + std::to_string(n) + ".5m3/h";
    r.percent = "+45.6%";
    r.rangeRatio = "1:2";
    r.velocity = "+1.25";
    r.forwardTotal = std::to_string(n) + "m3";
    r.reverseTotal = ".5m3";
    r.alarm = "通讯正常";
    return r;
}

// The ten stored texts of a record, in the table's order.
inline std::vector<std::string> textsOf(const records::MeasurementRecord& r) {
    const records::StoredRecord stored = fakes::FakeStore::stored(0, r);
    return {stored.fields.begin(), stored.fields.end()};
}

// A statement that reads the ten fields of every record in the given order.
inline std::string selectTenFields(const std::string& orderBy) {
    std::string sql = "SELECT ";
    for (std::size_t i = 0; i < records::kFieldNames.size(); ++i) {
        sql += (i ? ",\"" : "\"") + records::kFieldNames[i] + "\"";
    }
    return sql + " FROM \"数据监测\" ORDER BY " + orderBy;
}

}  // namespace records_test
