#include "records/xlsx_export.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <system_error>

#include "platform/qt/shared_library.h"
#include "records/export_fields.h"
#include "text/characters.h"

namespace records {

namespace {

// Widths in characters of the default font; a Chinese character takes two.
constexpr std::array<double, 21> kColumnWidths = {9,  16, 17, 6,  16, 9, 7,  9,  18, 18, 36,
                                                  13, 13, 11, 11, 9,  9, 13, 13, 13, 13};
static_assert(kColumnWidths.size() == kExportColumns.size());

const char* const kDateTimeFormat = "yyyy-mm-dd hh:mm";

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// A stored field that holds a number alone (the station, the diameter) goes in as that number.
bool numberAlone(const Column& column, std::string_view field) {
    if (column.field != kStationField && column.field != kDiameterField) {
        return false;
    }
    const SplitValue split = splitValue(field);
    return !split.number.empty() && split.unit.empty();
}

}  // namespace

// The functions of libxlsxwriter that a workbook is written with.
struct WorkbookFile::Functions {
    decltype(&::workbook_new_opt) workbook_new_opt;
    decltype(&::workbook_add_worksheet) workbook_add_worksheet;
    decltype(&::workbook_add_format) workbook_add_format;
    decltype(&::format_set_bold) format_set_bold;
    decltype(&::format_set_num_format) format_set_num_format;
    decltype(&::worksheet_set_column) worksheet_set_column;
    decltype(&::worksheet_write_string) worksheet_write_string;
    decltype(&::worksheet_freeze_panes) worksheet_freeze_panes;
    decltype(&::worksheet_write_datetime) worksheet_write_datetime;
    decltype(&::workbook_close) workbook_close;
    decltype(&::worksheet_write_number) worksheet_write_number;
    decltype(&::lxw_workbook_free) lxw_workbook_free;
};

struct WorkbookFile::Library {
    static_assert(LXW_SOVERSION[0] == '4' && LXW_SOVERSION[1] == '\0',
                  "the library's major version is the one its header was compiled against");
    static constexpr int kMajorVersion = 4;

    static bool bind(platform::SharedLibrary& library, Functions& f) {
        return library.find("workbook_new_opt", f.workbook_new_opt) &&
               library.find("workbook_add_worksheet", f.workbook_add_worksheet) &&
               library.find("workbook_add_format", f.workbook_add_format) &&
               library.find("format_set_bold", f.format_set_bold) &&
               library.find("format_set_num_format", f.format_set_num_format) &&
               library.find("worksheet_set_column", f.worksheet_set_column) &&
               library.find("worksheet_write_string", f.worksheet_write_string) &&
               library.find("worksheet_freeze_panes", f.worksheet_freeze_panes) &&
               library.find("worksheet_write_datetime", f.worksheet_write_datetime) &&
               library.find("workbook_close", f.workbook_close) &&
               library.find("worksheet_write_number", f.worksheet_write_number) &&
               library.find("lxw_workbook_free", f.lxw_workbook_free);
    }

    platform::LibraryFunctions<Functions> functions{"xlsxwriter", kMajorVersion, &bind};
};

WorkbookFile::WorkbookFile(platform::FileWriter& writer)
    : writer_(writer), library_(std::make_unique<Library>()) {}

WorkbookFile::~WorkbookFile() {
    discard();
}

bool WorkbookFile::begin(const std::string& path) {
    discard();
    xlsx_ = library_->functions.get();
    if (xlsx_ == nullptr) {
        return false;
    }
    const std::optional<std::string> name = writer_.beginNamed(path);
    if (!name) {
        return false;
    }
    // Rows wait in temporary files beside the workbook, on the disk that is to hold it, rather
    // than in memory; they are removed when the workbook is complete or dropped.
    const std::size_t slash = path.rfind('/');
    temporaryDirectory_ = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    lxw_workbook_options options = {};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = temporaryDirectory_.data();
    workbook_ = xlsx_->workbook_new_opt(name->c_str(), &options);
    sheet_ = workbook_ ? xlsx_->workbook_add_worksheet(workbook_, "记录") : nullptr;
    if (!sheet_) {
        return false;
    }
    lxw_format* heading = xlsx_->workbook_add_format(workbook_);
    xlsx_->format_set_bold(heading);
    dateFormat_ = xlsx_->workbook_add_format(workbook_);
    xlsx_->format_set_num_format(dateFormat_, kDateTimeFormat);
    row_ = 0;
    for (std::size_t i = 0; i < kExportColumns.size(); ++i) {
        const auto column = static_cast<lxw_col_t>(i);
        if (xlsx_->worksheet_set_column(sheet_, column, column, kColumnWidths[i], nullptr) !=
                LXW_NO_ERROR ||
            xlsx_->worksheet_write_string(sheet_, row_, column, kExportColumns[i].heading,
                                          heading) != LXW_NO_ERROR) {
            return false;
        }
    }
    xlsx_->worksheet_freeze_panes(sheet_, 1, 0);
    return true;
}

bool WorkbookFile::add(const RecordView& fields) {
    ++row_;
    bool written = true;
    for (std::size_t i = 0; i < kExportColumns.size() && written; ++i) {
        const Column& column = kExportColumns[i];
        const std::string_view field = fields[column.field];
        const auto at = static_cast<lxw_col_t>(i);
        switch (column.kind) {
            case ColumnKind::Stored:
                written = numberAlone(column, field) ? writeNumber(at, splitValue(field).number)
                                                     : writeText(at, field);
                break;
            case ColumnKind::DateTime:
                if (const auto time = readStoredDate(field)) {
                    lxw_datetime cell = {time->year, time->month,  time->day,
                                         time->hour, time->minute, 0.0};
                    written = xlsx_->worksheet_write_datetime(sheet_, row_, at, &cell,
                                                              dateFormat_) == LXW_NO_ERROR;
                }
                break;
            case ColumnKind::Number:
                written = writeNumber(at, splitValue(field).number);
                break;
            case ColumnKind::Unit:
                written = writeText(at, unitText(column, field));
                break;
        }
    }
    return written;
}

bool WorkbookFile::finish() {
    if (!workbook_) {
        return false;
    }
    const lxw_error closed =
        xlsx_->workbook_close(workbook_);  // frees the workbook, written or not
    workbook_ = nullptr;
    sheet_ = nullptr;
    if (closed != LXW_NO_ERROR) {
        writer_.abandon();
        return false;
    }
    return writer_.finish();
}

void WorkbookFile::abandon() {
    discard();
    writer_.abandon();
}

bool WorkbookFile::writeText(std::uint16_t column, std::string_view text) {
    if (text.empty()) {
        return true;
    }
    // The cell's text must be UTF-8 through and through: a byte that starts no character
    // becomes U+FFFD.
    if (isAscii(text)) {
        cell_.assign(text);
    } else {
        cell_ = text::utf8(text::characters(text));
    }
    return xlsx_->worksheet_write_string(sheet_, row_, column, cell_.c_str(), nullptr) ==
           LXW_NO_ERROR;
}

bool WorkbookFile::writeNumber(std::uint16_t column, std::string_view number) {
    if (number.empty()) {
        return true;
    }
    double value = 0.0;
    const auto read = std::from_chars(number.data(), number.data() + number.size(), value);
    if (read.ec != std::errc()) {
        return writeText(column, number);
    }
    return xlsx_->worksheet_write_number(sheet_, row_, column, value, nullptr) == LXW_NO_ERROR;
}

void WorkbookFile::discard() {
    if (!workbook_) {
        return;
    }
    // Freeing a workbook that was never closed would leave the sheet's temporary file open, and
    // the disk space of its rows taken, until the program ends.
    if (sheet_ && sheet_->optimize_tmpfile) {
        std::fclose(sheet_->optimize_tmpfile);
        sheet_->optimize_tmpfile = nullptr;
    }
    xlsx_->lxw_workbook_free(workbook_);
    workbook_ = nullptr;
    sheet_ = nullptr;
}

}  // namespace records
