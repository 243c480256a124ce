#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "records/store.h"
#include "sample_records.h"

namespace records_test {

using Rows = std::vector<std::vector<std::string>>;

// The ten texts of each record, oldest first.
inline Rows textsOf(const std::vector<records::StoredRecord>& stored) {
    Rows rows;
    for (const records::StoredRecord& record : stored) {
        rows.emplace_back(record.fields.begin(), record.fields.end());
    }
    return rows;
}

// The newest `limit` records' texts; one row "failed" when the store could not be read.
inline Rows newestTexts(records::Store& store, std::size_t limit = 1000,
                        const records::RecordFilter& filter = {}) {
    const auto newest = store.newest(filter, limit);
    return newest ? textsOf(*newest) : Rows{{"failed"}};
}

// The keys of every record a walk takes; {-1} when the walk failed.
inline std::vector<std::int64_t> walkedKeys(records::Store& store,
                                            const records::RecordFilter& filter = {}) {
    std::vector<std::int64_t> keys;
    if (!store.walk(filter, [&](std::int64_t key, const records::RecordView&) {
            keys.push_back(key);
            return true;
        })) {
        return {-1};
    }
    return keys;
}

// The texts of records first..last of the made-up run.
inline Rows recordTexts(int first, int last) {
    Rows rows;
    for (int n = first; n <= last; ++n) {
        rows.push_back(textsOf(recordNumber(n)));
    }
    return rows;
}

}  // namespace records_test
