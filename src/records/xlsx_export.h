#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_writer.h"
#include "records/export.h"
#include "records/record_format.h"
#include "records/store.h"
#include "records/workbook_parts.h"

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
    // A cell's markup up to its value, which `kind` begins.
    [[nodiscard]] char* startCell(char* out, std::size_t column, std::string_view style,
                                  std::string_view kind);
    [[nodiscard]] bool writeText(std::size_t column, std::string_view text,
                                 std::string_view style = {});
    // False, and nothing written, when the table of shared texts has no room for the text.
    [[nodiscard]] bool writeShared(std::size_t column, std::string_view text,
                                   std::string_view style);
    [[nodiscard]] bool writeNumber(std::size_t column, std::string_view number);
    // A number's cell, given the number's text as the sheet holds it.
    void writeDigits(std::size_t column, std::string_view digits, std::string_view style = {});
    // The stored "日期" as a date-time cell; none when it names no real time.
    void writeDate(std::size_t column, std::string_view field);

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
    workbook::SharedTexts shared_;
    std::uint64_t sharedUses_ = 0;  // the cells that name a shared text
    struct LastShared {
        std::string text;
        std::optional<std::uint32_t> place;
    };
    std::array<LastShared, 21> lastShared_;  // for each column
    std::string dateField_;                  // the last stored "日期" written
    std::string dateDigits_;  // its date-time number, empty when it names no real time
};

// Every record that passes the filter into a workbook, at most `limit` of them: when more pass,
// TooManyRecords, and nothing is written.
[[nodiscard]] ExportResult exportWorkbook(Store& store, const RecordFilter& filter,
                                          platform::FileWriter& writer, const std::string& path,
                                          std::int64_t limit = kWorkbookRecordLimit);

}  // namespace records
