#include "records/xlsx_export.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <system_error>

#include "records/export_fields.h"
#include "records/workbook_parts.h"
#include "records/zip_archive.h"
#include "text/characters.h"

namespace records {

namespace {

// Widths in characters of the default font; a Chinese character takes two.
constexpr std::array<double, 21> kColumnWidths = {9,  16, 17, 6,  16, 9, 7,  9,  18, 18, 36,
                                                  13, 13, 11, 11, 9,  9, 13, 13, 13, 13};
static_assert(kColumnWidths.size() == kExportColumns.size());

// Columns A to U, one letter each.
constexpr std::string_view kColumnLetters = "ABCDEFGHIJKLMNOPQRSTU";
static_assert(kColumnLetters.size() == kExportColumns.size());

// The rows go to the archive in pieces of about this size, each compressed on its own.
constexpr std::size_t kPieceSize = std::size_t{1} << 20;
// The most characters a cell of a sheet holds.
constexpr std::size_t kMostCharacters = 32767;

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Whether a column's texts repeat from record to record (a unit, the range ratio, the alarm
// state), so that the workbook keeps each of them once.
bool repeats(const Column& column) {
    return column.kind == ColumnKind::Unit || column.field == kRangeRatioField ||
           column.field == kAlarmField;
}

// What follows a cell's place and style, up to its value: a text in the cell, a shared text's
// place, a number.
constexpr std::string_view kTextCell = " t=\"inlineStr\"><is>";
constexpr std::string_view kSharedCell = " t=\"s\"><v>";
constexpr std::string_view kNumberCell = "><v>";

// A stored field that holds a number alone (the station, the diameter) goes in as that number.
bool numberAlone(const Column& column, std::string_view field) {
    if (column.field != kStationField && column.field != kDiameterField) {
        return false;
    }
    const SplitValue split = splitValue(field);
    return !split.number.empty() && split.unit.empty();
}

// A spreadsheet's number for a date and time: days since 1899-12-30, the time of day as a
// fraction. Its calendar counts a 29 February 1900, so days before March 1900 count one less.
double serialDate(const StoredDateTime& time) {
    const std::int64_t day = daysFromCivil(time.year, time.month, time.day);
    const std::int64_t zero = daysFromCivil(1899, 12, day < daysFromCivil(1900, 3, 1) ? 31 : 30);
    return static_cast<double>(day - zero) + (time.hour * 60 + time.minute) / 1440.0;
}

// Room for a cell's markup around its value.
constexpr std::size_t kCellRoom = 96;

// The shortest decimal that reads back as the same value, its exponent marked "E"; it takes at
// most kMostDigits bytes.
constexpr std::size_t kMostDigits = 32;
char* putShortest(char* out, double value) {
    char* const end = std::to_chars(out, out + kMostDigits, value).ptr;
    std::replace(out, end, 'e', 'E');
    return end;
}

}  // namespace

WorkbookFile::WorkbookFile(platform::FileWriter& writer) : writer_(writer) {}

WorkbookFile::~WorkbookFile() = default;

bool WorkbookFile::begin(const std::string& path) {
    zip_.reset();
    if (!writer_.begin(path)) {
        return false;
    }
    zip_ = std::make_unique<ZipArchive>(writer_);
    for (const workbook::Part& part : workbook::kParts) {
        if (!zip_->add(part.name, part.content)) {
            return false;
        }
    }
    if (!zip_->begin(workbook::kSheetName)) {
        return false;
    }
    used_ = 0;
    row_ = 0;
    shared_ = {};
    sharedUses_ = 0;
    lastShared_ = {};
    putMarkup(workbook::sheetStart(kColumnWidths.data(), kColumnWidths.size()));
    startRow();
    for (std::size_t i = 0; i < kExportColumns.size(); ++i) {
        if (!writeText(i, kExportColumns[i].heading, workbook::kHeadingStyle)) {
            return false;
        }
    }
    return endRow();
}

bool WorkbookFile::add(const RecordView& fields) {
    startRow();
    bool written = true;
    for (std::size_t i = 0; i < kExportColumns.size() && written; ++i) {
        const Column& column = kExportColumns[i];
        const std::string_view field = fields[column.field];
        switch (column.kind) {
            case ColumnKind::Stored:
                written = numberAlone(column, field) ? writeNumber(i, splitValue(field).number)
                                                     : writeText(i, field);
                break;
            case ColumnKind::DateTime:
                writeDate(i, field);
                break;
            case ColumnKind::Number:
                written = writeNumber(i, splitValue(field).number);
                break;
            case ColumnKind::Unit:
                written = writeText(i, unitText(column, field));
                break;
        }
    }
    return written && endRow();
}

bool WorkbookFile::finish() {
    if (!zip_) {
        return false;
    }
    putMarkup(workbook::kSheetEnd);
    const bool written = handOver() && zip_->end() &&
                         zip_->add(workbook::kSharedTextsName, shared_.part(sharedUses_)) &&
                         zip_->close();
    zip_.reset();
    if (!written) {
        writer_.abandon();
        return false;
    }
    return writer_.finish();
}

void WorkbookFile::abandon() {
    zip_.reset();
    writer_.abandon();
}

char* WorkbookFile::room(std::size_t bytes) {
    if (used_ + bytes > sheet_.size()) {
        sheet_.resize(std::max(used_ + bytes, kPieceSize + kPieceSize / 4));
    }
    return sheet_.data() + used_;
}

void WorkbookFile::putMarkup(std::string_view markup) {
    used_ = static_cast<std::size_t>(put(room(markup.size()), markup) - sheet_.data());
}

void WorkbookFile::startRow() {
    ++row_;
    char* const end = std::to_chars(rowDigits_, rowDigits_ + kRowDigits, row_).ptr;
    rowDigitCount_ = static_cast<std::size_t>(end - rowDigits_);
    // A row without its number is the one after the row before it: left out, the rows repeat
    // each other more closely and compress to less.
    putMarkup("<row>");
    nextColumn_ = 0;
}

bool WorkbookFile::endRow() {
    putMarkup("</row>");
    return used_ < kPieceSize || handOver();
}

bool WorkbookFile::handOver() {
    sheet_.resize(used_);
    used_ = 0;
    return zip_->write(sheet_);
}

char* WorkbookFile::startCell(char* out, std::size_t column, std::string_view style,
                              std::string_view kind) {
    out = put(out, "<c");
    // A cell without its place takes the column after the cell before it. Only a cell after an
    // empty one (which is left out) names its place: the rows then repeat each other closely
    // enough to compress to a third, and to be compressed in half the time.
    if (column != nextColumn_) {
        out = put(out, " r=\"");
        *out++ = kColumnLetters[column];
        // The row's digits, copied as one word of kRowDigits bytes of which the first count.
        std::memcpy(out, rowDigits_, kRowDigits);
        out += rowDigitCount_;
        *out++ = '"';
    }
    nextColumn_ = column + 1;
    if (!style.empty()) {
        out = put(out, " s=\"");
        out = put(out, style);
        *out++ = '"';
    }
    return put(out, kind);
}

bool WorkbookFile::writeText(std::size_t column, std::string_view text, std::string_view style) {
    if (text.empty()) {
        return true;
    }
    // The cell's text must be UTF-8 through and through: a byte that starts no character
    // becomes U+FFFD.
    if (!isAscii(text) && !text::isUtf8(text)) {
        repaired_ = text::utf8(text::characters(text));
        text = repaired_;
    }
    if (repeats(kExportColumns[column]) && writeShared(column, text, style)) {
        return true;
    }
    if (text.size() > kMostCharacters && text::characters(text).size() > kMostCharacters) {
        return false;
    }
    char* const out =
        startCell(room(kCellRoom + workbook::textRoom(text.size())), column, style, kTextCell);
    used_ =
        static_cast<std::size_t>(put(workbook::putText(out, text), "</is></c>") - sheet_.data());
    return true;
}

// A text of a column whose texts repeat goes in the table of shared texts while it has room.
// The column's last text is remembered with its place, which then needs no look-up.
bool WorkbookFile::writeShared(std::size_t column, std::string_view text, std::string_view style) {
    LastShared& last = lastShared_[column];
    if (!last.place || text != last.text) {
        last.place = shared_.place(text);
        if (!last.place) {
            return false;
        }
        last.text.assign(text);
    }
    char digits[kMostDigits];
    const char* const end = std::to_chars(digits, digits + kMostDigits, *last.place).ptr;
    char* const out = startCell(room(kCellRoom + kMostDigits), column, style, kSharedCell);
    used_ = static_cast<std::size_t>(
        put(put(out, {digits, static_cast<std::size_t>(end - digits)}), "</v></c>") -
        sheet_.data());
    ++sharedUses_;
    return true;
}

bool WorkbookFile::writeNumber(std::size_t column, std::string_view number) {
    if (number.empty()) {
        return true;
    }
    // Such a decimal goes in as it is, neither read nor printed: it names the same number.
    if (const auto plain = plainDecimal(number)) {
        char* const out = startCell(room(kCellRoom + number.size()), column, {}, kNumberCell);
        used_ = static_cast<std::size_t>(put(plain->put(out), "</v></c>") - sheet_.data());
        return true;
    }
    double value = 0.0;
    const auto read = std::from_chars(number.data(), number.data() + number.size(), value);
    if (read.ec != std::errc()) {
        return writeText(column, number);
    }
    char digits[kMostDigits];
    writeDigits(column, {digits, static_cast<std::size_t>(putShortest(digits, value) - digits)});
    return true;
}

void WorkbookFile::writeDigits(std::size_t column, std::string_view digits,
                               std::string_view style) {
    char* const out = startCell(room(kCellRoom + digits.size()), column, style, kNumberCell);
    used_ = static_cast<std::size_t>(put(put(out, digits), "</v></c>") - sheet_.data());
}

// The records of one minute, one for each station, follow each other and share their time:
// it is worked out once for them all.
void WorkbookFile::writeDate(std::size_t column, std::string_view field) {
    if (field != dateField_) {
        dateField_.assign(field);
        dateDigits_.clear();
        if (const auto time = readStoredDate(field)) {
            char digits[kMostDigits];
            dateDigits_.assign(digits, putShortest(digits, serialDate(*time)));
        }
    }
    if (!dateDigits_.empty()) {
        writeDigits(column, dateDigits_, workbook::kDateStyle);
    }
}

}  // namespace records
