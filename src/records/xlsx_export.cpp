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

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

// Whether an underscore at `at` would start the format's escape of a character, "_xHHHH_".
bool startsEscape(std::string_view text, std::size_t at) {
    return at + 6 < text.size() && text[at + 1] == 'x' && isHexDigit(text[at + 2]) &&
           isHexDigit(text[at + 3]) && isHexDigit(text[at + 4]) && isHexDigit(text[at + 5]) &&
           text[at + 6] == '_';
}

// U+FFFE and U+FFFF, in UTF-8, are characters XML cannot hold either.
bool isNonCharacter(std::string_view text, std::size_t at) {
    return text[at] == '\xEF' && at + 2 < text.size() && text[at + 1] == '\xBF' &&
           (text[at + 2] == '\xBE' || text[at + 2] == '\xBF');
}

bool needsEscape(char c) {
    return c == '&' || c == '<' || c == '>' || c == '_' || c == '\xEF' ||
           static_cast<unsigned char>(c) < 0x20;
}

// A text as XML; at most kMostEscaped bytes for each byte. A character that XML cannot hold (a
// control character, U+FFFE, U+FFFF) goes in as the format's escape "_xHHHH_"; an underscore
// that would start such an escape is itself escaped.
constexpr std::size_t kMostEscaped = 7;
char* putEscaped(char* out, std::string_view text) {
    if (std::none_of(text.begin(), text.end(), needsEscape)) {
        return put(out, text);
    }
    constexpr char kHex[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const auto code = static_cast<unsigned char>(c);
        if (c == '&') {
            out = put(out, "&amp;");
        } else if (c == '<') {
            out = put(out, "&lt;");
        } else if (c == '>') {
            out = put(out, "&gt;");
        } else if (code < 0x20 && c != '\t' && c != '\n') {
            out = put(out, "_x00");
            *out++ = kHex[code >> 4];
            *out++ = kHex[code & 0xf];
            *out++ = '_';
        } else if (c == '_' && startsEscape(text, i)) {
            out = put(out, "_x005F_");
        } else if (isNonCharacter(text, i)) {
            out = put(out, text[i + 2] == '\xBE' ? "_xFFFE_" : "_xFFFF_");
            i += 2;
        } else {
            *out++ = c;
        }
    }
    return out;
}

// Room for a cell's markup around its value.
constexpr std::size_t kCellRoom = 96;

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
                if (const auto time = readStoredDate(field)) {
                    writeValue(i, serialDate(*time), workbook::kDateStyle);
                }
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
    const bool written = handOver() && zip_->end() && zip_->close();
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
    char* out = room(kCellRoom);
    out = put(out, "<row r=\"");
    out = put(out, {rowDigits_, rowDigitCount_});
    used_ = static_cast<std::size_t>(put(out, "\">") - sheet_.data());
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

char* WorkbookFile::startCell(char* out, std::size_t column, std::string_view style, bool text) {
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
    return put(out, text ? " t=\"inlineStr\"><is>" : ">");
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
    if (text.size() > kMostCharacters && text::characters(text).size() > kMostCharacters) {
        return false;
    }
    char* out = startCell(room(kCellRoom + text.size() * kMostEscaped), column, style, true);
    out = put(out,
              isSpace(text.front()) || isSpace(text.back()) ? "<t xml:space=\"preserve\">" : "<t>");
    out = putEscaped(out, text);
    used_ = static_cast<std::size_t>(put(out, "</t></is></c>") - sheet_.data());
    return true;
}

bool WorkbookFile::writeNumber(std::size_t column, std::string_view number) {
    if (number.empty()) {
        return true;
    }
    double value = 0.0;
    const auto read = std::from_chars(number.data(), number.data() + number.size(), value);
    if (read.ec != std::errc()) {
        return writeText(column, number);
    }
    writeValue(column, value);
    return true;
}

// The shortest decimal that reads back as the same value, its exponent marked "E".
void WorkbookFile::writeValue(std::size_t column, double value, std::string_view style) {
    char* out = put(startCell(room(kCellRoom), column, style, false), "<v>");
    char* const end = std::to_chars(out, out + kCellRoom / 2, value).ptr;
    std::replace(out, end, 'e', 'E');
    used_ = static_cast<std::size_t>(put(end, "</v></c>") - sheet_.data());
}

}  // namespace records
