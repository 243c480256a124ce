#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/records_binding.h"
#include "records/store.h"

namespace records {

// The data-query grid lists at most this many records, the newest ones.
inline constexpr std::size_t kListedRecords = 1000;

// The records the data-query grid lists: at most kListedRecords of them, the newest, oldest first.
class ListedRecords {
  public:
    [[nodiscard]] const std::vector<StoredRecord>& records() const { return records_; }
    [[nodiscard]] std::size_t size() const { return records_.size(); }
    // The key of the newest listed record; 0 when none is listed.
    [[nodiscard]] std::int64_t newestKey() const;

    // Lists `newest` (oldest first) in place of what was listed; beyond kListedRecords only the
    // newest are kept.
    void replace(std::vector<StoredRecord> newest);
    // Adds records (oldest first) that are newer than the newest listed at the end; the oldest
    // leave once more than kListedRecords are listed. A record no newer than the newest listed
    // is left out. Returns how many records left at the front.
    std::size_t addNewer(std::vector<StoredRecord> newer);

  private:
    std::vector<StoredRecord> records_;
};

// The read that looks for records logged after the newest listed, under the window's filter.
[[nodiscard]] RecordFilter newerThanListed(const RecordFilter& shown, std::int64_t newestKey);
// What an export of the window takes: every record that passes the window's filter, up to and
// including the newest listed; none when none is listed.
[[nodiscard]] RecordFilter exportedFromListed(const RecordFilter& shown, std::int64_t newestKey);

// The records the data-query grid lists: the newest kListedRecords of the binding's record set,
// oldest first, each as the texts of the ten fields in their order. Only those records are read,
// however large the table. Empty when the record set is empty or cannot be read.
std::vector<std::vector<std::string>> newestRecords(platform::RecordsBinding& binding);

// Deletes every record in one transaction, then re-reads the table. A failing step is skipped.
void clearRecords(platform::RecordsBinding& binding);

}  // namespace records
