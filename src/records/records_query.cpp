#include "records/records_query.h"

#include <iterator>
#include <utility>

#include "records/records_store.h"

namespace records {

std::int64_t ListedRecords::newestKey() const {
    return records_.empty() ? 0 : records_.back().key;
}

void ListedRecords::replace(std::vector<StoredRecord> newest) {
    records_ = std::move(newest);
    if (records_.size() > kListedRecords) {
        records_.erase(records_.begin(), records_.begin() + static_cast<std::ptrdiff_t>(
                                                                records_.size() - kListedRecords));
    }
}

std::size_t ListedRecords::addNewer(std::vector<StoredRecord> newer) {
    for (StoredRecord& record : newer) {
        if (record.key > newestKey()) {
            records_.push_back(std::move(record));
        }
    }
    if (records_.size() <= kListedRecords) {
        return 0;
    }
    const std::size_t leaving = records_.size() - kListedRecords;
    records_.erase(records_.begin(), records_.begin() + static_cast<std::ptrdiff_t>(leaving));
    return leaving;
}

RecordFilter newerThanListed(const RecordFilter& shown, std::int64_t newestKey) {
    RecordFilter filter = shown;
    filter.afterKey = newestKey;
    filter.upToKey.reset();
    return filter;
}

RecordFilter exportedFromListed(const RecordFilter& shown, std::int64_t newestKey) {
    RecordFilter filter = shown;
    filter.afterKey = 0;
    filter.upToKey = newestKey;
    return filter;
}

std::vector<std::vector<std::string>> newestRecords(platform::RecordsBinding& binding) {
    static const std::vector<std::string> fields(kFieldNames.begin(), kFieldNames.end());
    return binding.newestRows(fields, kListedRecords)
        .value_or(std::vector<std::vector<std::string>>{});
}

void clearRecords(platform::RecordsBinding& binding) {
    // The window closes after the clear whatever became of it, so each step's failure is skipped.
    (void)binding.deleteAll();
    (void)binding.refresh();
}

}  // namespace records
