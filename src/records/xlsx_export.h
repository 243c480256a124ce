#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/file_writer.h"
#include "records/export.h"
#include "records/record_format.h"
#include "records/store.h"

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace records {

// Records as an Excel workbook of one sheet, in the columns of kExportColumns: the station, the
// diameter and the split numbers as numbers, the time as a date-time cell, every other text as
// text (no cell is a formula). The heading row stays in view while scrolling. Rows are written
// to disk as they come, so the memory used does not grow with the number of records.
// libxlsxwriter is loaded when the first workbook is begun; where it cannot be, begin() fails.
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
    [[nodiscard]] bool writeText(std::uint16_t column, std::string_view text);
    [[nodiscard]] bool writeNumber(std::uint16_t column, std::string_view number);
    void discard();

    struct Functions;
    struct Library;

    platform::FileWriter& writer_;
    std::unique_ptr<Library> library_;
    const Functions* xlsx_ = nullptr;
    lxw_workbook* workbook_ = nullptr;
    lxw_worksheet* sheet_ = nullptr;
    lxw_format* dateFormat_ = nullptr;
    std::uint32_t row_ = 0;
    std::string temporaryDirectory_;
    std::string cell_;
};

// Every record that passes the filter into a workbook, at most `limit` of them: when more pass,
// TooManyRecords, and nothing is written.
[[nodiscard]] ExportResult exportWorkbook(Store& store, const RecordFilter& filter,
                                          platform::FileWriter& writer, const std::string& path,
                                          std::int64_t limit = kWorkbookRecordLimit);

}  // namespace records
