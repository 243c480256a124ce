#pragma once

#include <cstddef>
#include <string>
#include <utility>

#include "platform/file_writer.h"
#include "records/export.h"
#include "records/record_format.h"
#include "records/store.h"

namespace records {

// Records as a spreadsheet reads them: UTF-8 with a byte-order mark (so that the Chinese headings
// show), the columns of kExportColumns, fields quoted where they must be, lines ended by CR LF.
// A number column holds a plain number a spreadsheet reads as one. A text that a spreadsheet
// would take for a formula ("=...", "+1234.56m3/h", "-2.5", "@...") is written with an
// apostrophe in front, so that it stays text and runs nothing.

// The heading line, byte-order mark first.
[[nodiscard]] std::string csvHeading();
// The line of one record.
[[nodiscard]] std::string csvLine(const RecordView& fields);

// splitValue's number and unit as texts of their own.
[[nodiscard]] std::pair<std::string, std::string> splitNumber(const std::string& text);

// Writes the lines straight into a buffer that is handed to the writer whenever it is full.
class CsvFile final : public RecordFormat {
  public:
    explicit CsvFile(platform::FileWriter& writer);

    bool begin(const std::string& path) override;
    bool add(const RecordView& fields) override;
    bool finish() override;
    void abandon() override;

  private:
    // Room for `bytes` more bytes at the end of the buffer.
    [[nodiscard]] char* room(std::size_t bytes);
    [[nodiscard]] bool flush();

    platform::FileWriter& writer_;
    std::string buffer_;
    std::size_t used_ = 0;
    bool failed_ = false;
};

}  // namespace records
