#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/file_writer.h"
#include "records/store.h"

namespace records {

// Records written to a file, oldest first, one at a time, so that any number of them passes
// through in little memory. A name that ends in ".xlsx" (in any case) gets an Excel workbook,
// any other name CSV. The file takes the place of one of the same name only once it is
// complete: a failed export leaves what was there.

enum class ExportProblem {
    None,
    Store,           // the records could not be read
    Destination,     // the file could not be written
    TooManyRecords,  // more records than a worksheet has rows; nothing was written
};

struct ExportResult {
    bool written = false;
    // The records written; with TooManyRecords, the records that match (where they are counted
    // by walking, the count stops at the first one too many).
    std::int64_t records = 0;
    ExportProblem problem = ExportProblem::None;
};

// The rows of a worksheet less its heading row.
inline constexpr std::int64_t kWorkbookRecordLimit = 1048576 - 1;

[[nodiscard]] bool isWorkbookName(std::string_view path);

// Every record that passes the filter.
[[nodiscard]] ExportResult exportRecords(Store& store, const RecordFilter& filter,
                                         platform::FileWriter& writer, const std::string& path);

}  // namespace records
