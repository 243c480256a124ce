#include "records/csv_export.h"

#include <array>
#include <cstring>

#include "records/export_fields.h"

namespace records {

namespace {

constexpr std::size_t kBufferBytes = std::size_t{1} << 18;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The characters that make a field quoted.
constexpr std::array<bool, 256> kQuoted = [] {
    std::array<bool, 256> quoted{};
    for (const unsigned char c : {',', '"', '\r', '\n'}) {
        quoted[c] = true;
    }
    return quoted;
}();

bool mustQuote(std::string_view text) {
    for (const char c : text) {
        if (kQuoted[static_cast<unsigned char>(c)]) {
            return true;
        }
    }
    return false;
}

// A text field: quoted where it must be, an apostrophe in front where it would be a formula.
char* putText(char* out, std::string_view text) {
    const bool quote = mustQuote(text);
    if (quote) {
        *out++ = '"';
    }
    if (readAsFormula(text)) {
        *out++ = '\'';
    }
    if (!quote) {
        return put(out, text);
    }
    for (const char c : text) {
        *out++ = c;
        if (c == '"') {
            *out++ = '"';
        }
    }
    *out++ = '"';
    return out;
}

// The most a line of these fields can take: a field is written at most five times over (as
// itself and as its unit, each doubled by quoting, and as its number), plus the apostrophes,
// quotes, separators, the time and the velocity unit.
std::size_t lineBound(const RecordView& fields) {
    std::size_t bytes = 192;
    for (const std::string_view field : fields) {
        bytes += 5 * field.size();
    }
    return bytes;
}

char* putLine(char* out, const RecordView& fields) {
    bool first = true;
    for (const Column& column : kExportColumns) {
        if (!first) {
            *out++ = ',';
        }
        first = false;
        const std::string_view field = fields[column.field];
        switch (column.kind) {
            case ColumnKind::Stored:
                out = putText(out, field);
                break;
            case ColumnKind::DateTime:
                if (const auto time = readStoredDate(field)) {
                    const auto iso = isoDateTime(*time);
                    out = put(out, {iso.data(), iso.size()});
                }
                break;
            case ColumnKind::Number:
                // Only digits, a point, an exponent and a leading "-": never quoted, never guarded.
                out = put(out, splitValue(field).number);
                break;
            case ColumnKind::Unit:
                out = putText(out, unitText(column, field));
                break;
        }
    }
    *out++ = '\r';
    *out++ = '\n';
    return out;
}

}  // namespace

std::string csvHeading() {
    std::string heading(kByteOrderMark);
    for (const Column& column : kExportColumns) {
        heading += column.heading;
        heading += ',';
    }
    heading.back() = '\r';
    return heading + '\n';
}

std::string csvLine(const RecordView& fields) {
    std::string line(lineBound(fields), '\0');
    line.resize(static_cast<std::size_t>(putLine(line.data(), fields) - line.data()));
    return line;
}

std::pair<std::string, std::string> splitNumber(const std::string& text) {
    const SplitValue split = splitValue(text);
    return {std::string(split.number), std::string(split.unit)};
}

CsvFile::CsvFile(platform::FileWriter& writer) : writer_(writer) {}

bool CsvFile::begin(const std::string& path) {
    buffer_.assign(kBufferBytes, '\0');
    used_ = 0;
    failed_ = !writer_.begin(path);
    if (failed_) {
        return false;
    }
    const std::string heading = csvHeading();
    if (char* out = room(heading.size())) {
        used_ = static_cast<std::size_t>(put(out, heading) - buffer_.data());
    }
    return !failed_;
}

bool CsvFile::add(const RecordView& fields) {
    if (char* out = room(lineBound(fields))) {
        used_ = static_cast<std::size_t>(putLine(out, fields) - buffer_.data());
    }
    return !failed_;
}

bool CsvFile::finish() {
    const bool written = flush() && writer_.finish();
    buffer_ = std::string();
    return written;
}

void CsvFile::abandon() {
    writer_.abandon();
    buffer_ = std::string();
}

char* CsvFile::room(std::size_t bytes) {
    if (used_ + bytes > buffer_.size() && !flush()) {
        return nullptr;
    }
    if (bytes > buffer_.size()) {
        buffer_.resize(bytes);
    }
    return buffer_.data() + used_;
}

bool CsvFile::flush() {
    if (!failed_ && used_ > 0) {
        failed_ = !writer_.append({buffer_.data(), used_});
        used_ = 0;
    }
    return !failed_;
}

}  // namespace records
