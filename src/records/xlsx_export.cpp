#include "records/xlsx_export.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <system_error>

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

WorkbookFile::WorkbookFile(platform::FileWriter& writer) : writer_(writer) {}

WorkbookFile::~WorkbookFile() {
    discard();
}

bool WorkbookFile::begin(const std::string& path) {
    discard();
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
    workbook_ = workbook_new_opt(name->c_str(), &options);
    sheet_ = workbook_ ? workbook_add_worksheet(workbook_, "记录") : nullptr;
    if (!sheet_) {
        return false;
    }
    lxw_format* heading = workbook_add_format(workbook_);
    format_set_bold(heading);
    dateFormat_ = workbook_add_format(workbook_);
    format_set_num_format(dateFormat_, kDateTimeFormat);
    row_ = 0;
    for (std::size_t i = 0; i < kExportColumns.size(); ++i) {
        const auto column = static_cast<lxw_col_t>(i);
        if (worksheet_set_column(sheet_, column, column, kColumnWidths[i], nullptr) !=
                LXW_NO_ERROR ||
            worksheet_write_string(sheet_, row_, column, kExportColumns[i].heading, heading) !=
                LXW_NO_ERROR) {
            return false;
        }
    }
    worksheet_freeze_panes(sheet_, 1, 0);
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
                    written = worksheet_write_datetime(sheet_, row_, at, &cell, dateFormat_) ==
                              LXW_NO_ERROR;
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
    const lxw_error closed = workbook_close(workbook_);  // frees the workbook, written or not
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
    return worksheet_write_string(sheet_, row_, column, cell_.c_str(), nullptr) == LXW_NO_ERROR;
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
    return worksheet_write_number(sheet_, row_, column, value, nullptr) == LXW_NO_ERROR;
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
    lxw_workbook_free(workbook_);
    workbook_ = nullptr;
    sheet_ = nullptr;
}

}  // namespace records
