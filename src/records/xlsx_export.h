#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/file_writer.h"
#include "records/export.h"
#include "records/record_format.h"
#include "records/store.h"

namespace records {

class ZipArchive;

// Records as an Excel workbook of one sheet, in the columns of kExportColumns: the station, the
// diameter and the split numbers as numbers, the time as a date-time cell, every other text as
// text (no cell is a formula). The heading row stays in view while scrolling. The sheet's rows
// are compressed on helper threads and written as they come, so the memory used does not grow
// with the number of records.
class WorkbookFile final : public RecordFormat {
  public:
    explicit WorkbookFile(platform::FileWriter& writer);
    ~WorkbookFile() override;
    WorkbookFile(const WorkbookFile&) = delete;
    WorkbookFile& operator=(const WorkbookFile&) = delete;

    bool begin(const std::string& path) override;
    bool add(const RecordView& fields) override;
    bool finish() override;
    void abandon() override;

  private:
    // Room for `bytes` more bytes at the end of the sheet's piece in hand.
    [[nodiscard]] char* room(std::size_t bytes);
    void putMarkup(std::string_view markup);
    void startRow();
    // Ends the row, and hands the piece to the archive once it is large enough.
    [[nodiscard]] bool endRow();
    // Hands the piece in hand to the archive.
    [[nodiscard]] bool handOver();
    [[nodiscard]] char* startCell(char* out, std::size_t column, std::string_view style, bool text);
    [[nodiscard]] bool writeText(std::size_t column, std::string_view text,
                                 std::string_view style = {});
    [[nodiscard]] bool writeNumber(std::size_t column, std::string_view number);
    void writeValue(std::size_t column, double value, std::string_view style = {});

    platform::FileWriter& writer_;
    std::unique_ptr<ZipArchive> zip_;
    std::string sheet_;  // the piece of the sheet in hand, its first used_ bytes written
    std::size_t used_ = 0;
    std::uint32_t row_ = 0;
    // Room for the digits of any row number (a sheet's last is 1048576).
    static constexpr std::size_t kRowDigits = 16;
    char rowDigits_[kRowDigits] = {};
    std::size_t rowDigitCount_ = 0;
    std::size_t nextColumn_ = 0;  // the column a cell takes when it does not name its place
    std::string repaired_;
};

// Every record that passes the filter into a workbook, at most `limit` of them: when more pass,
// TooManyRecords, and nothing is written.
[[nodiscard]] ExportResult exportWorkbook(Store& store, const RecordFilter& filter,
                                          platform::FileWriter& writer, const std::string& path,
                                          std::int64_t limit = kWorkbookRecordLimit);

}  // namespace records
