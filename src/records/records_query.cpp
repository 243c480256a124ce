#include "records/records_query.h"

#include "records/records_store.h"

namespace records {

std::vector<std::vector<std::string>> newestRecords(platform::RecordsBinding& binding) {
    static const std::vector<std::string> fields(kFieldNames.begin(), kFieldNames.end());
    return binding.newestRows(fields, kListedRecords)
        .value_or(std::vector<std::vector<std::string>>{});
}

void clearRecords(platform::RecordsBinding& binding) {
    binding.deleteAll();
    binding.refresh();
}

}  // namespace records
