#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/records_binding.h"

namespace records {

// The data-query grid lists at most this many records, the newest ones.
inline constexpr std::size_t kListedRecords = 1000;

// The records the data-query grid lists: the newest kListedRecords of the binding's record set,
// oldest first, each as the texts of the ten fields in their order. Only those records are read,
// however large the table. Empty when the record set is empty or cannot be read.
std::vector<std::vector<std::string>> newestRecords(platform::RecordsBinding& binding);

// Deletes every record in one transaction, then re-reads the table. A failing step is skipped.
void clearRecords(platform::RecordsBinding& binding);

}  // namespace records
