#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/file_writer.h"
#include "platform/records_binding.h"
#include "records/store.h"

namespace records {

// Records as a spreadsheet reads them: UTF-8 with a byte-order mark (so that the Chinese headings
// show), fields quoted where they must be, lines ended by CR LF. After the ten stored texts come
// flow, percentage, velocity and the two totals again as a number and a unit in columns of their
// own, so that a spreadsheet can plot them.

// The heading line, byte-order mark first.
[[nodiscard]] std::string csvHeading();
// The line of one record from the texts of its ten fields in their stored order.
[[nodiscard]] std::string csvLine(const std::vector<std::string>& texts);

// A shown value split into its number and its unit: "+1234.56m3/h" gives "+1234.56" and
// "m3/h", "+45.6%" gives "+45.6" and "%", an empty text two empty ones.
[[nodiscard]] std::pair<std::string, std::string> splitNumber(const std::string& text);

struct ExportResult {
    bool written = false;
    std::int64_t records = 0;
};

// Writes every record that matches to `path`, oldest first, one at a time.
[[nodiscard]] ExportResult exportRecords(platform::RecordsBinding& binding,
                                         const platform::RowFilter& filter,
                                         platform::FileWriter& writer, const std::string& path);

// As above, from a records store.
[[nodiscard]] ExportResult exportRecords(Store& store, const RecordFilter& filter,
                                         platform::FileWriter& writer, const std::string& path);

}  // namespace records
