#include "records/export_fields.h"

#include <algorithm>

#include "text/characters.h"

namespace records {

const std::array<Column, 21> kExportColumns = {{
    {"仪表编号", ColumnKind::Stored, kStationField},
    {"日期", ColumnKind::Stored, kDateField},
    {"日期时间", ColumnKind::DateTime, kDateField},
    {"管径", ColumnKind::Stored, kDiameterField},
    {"瞬时流量", ColumnKind::Stored, 3},
    {"百分比", ColumnKind::Stored, 4},
    {"量程比", ColumnKind::Stored, kRangeRatioField},
    {"流速", ColumnKind::Stored, kVelocityField},
    {"正向累计", ColumnKind::Stored, 7},
    {"反向累计", ColumnKind::Stored, 8},
    {"报警状态", ColumnKind::Stored, kAlarmField},
    {"瞬时流量数值", ColumnKind::Number, 3},
    {"瞬时流量单位", ColumnKind::Unit, 3},
    {"百分比数值", ColumnKind::Number, 4},
    {"百分比单位", ColumnKind::Unit, 4},
    {"流速数值", ColumnKind::Number, kVelocityField},
    {"流速单位", ColumnKind::Unit, kVelocityField},
    {"正向累计数值", ColumnKind::Number, 7},
    {"正向累计单位", ColumnKind::Unit, 7},
    {"反向累计数值", ColumnKind::Number, 8},
    {"反向累计单位", ColumnKind::Unit, 8},
}};

namespace {

// Longer numbers are not what a display shows, and with these bounds every number read stays
// well inside the range of a double.
constexpr std::size_t kMaxMantissaDigits = 30;
constexpr std::size_t kMaxExponentDigits = 2;

// The end of a run of decimal digits starting at `at`, and how many there are.
std::size_t skipDigits(std::string_view text, std::size_t at, std::size_t& count) {
    while (at < text.size() && text::isDigit(text[at])) {
        ++at;
        ++count;
    }
    return at;
}

// A number of `width` digits at `at`, or -1.
int digitsAt(std::string_view text, std::size_t at, std::size_t width) {
    if (at + width > text.size()) {
        return -1;
    }
    int value = 0;
    for (std::size_t i = at; i < at + width; ++i) {
        if (!text::isDigit(text[i])) {
            return -1;
        }
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

bool leapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysIn(int year, int month) {
    constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && leapYear(year) ? 29 : kDays[month - 1];
}

}  // namespace

SplitValue splitValue(std::string_view text) {
    std::size_t start = 0;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        start = 1;
    }
    std::size_t digits = 0;
    std::size_t end = skipDigits(text, start, digits);
    if (end < text.size() && text[end] == '.') {
        end = skipDigits(text, end + 1, digits);
    }
    if (digits == 0 || digits > kMaxMantissaDigits) {
        return {{}, text};
    }
    if (end < text.size() && (text[end] == 'E' || text[end] == 'e')) {
        std::size_t at = end + 1;
        if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
            ++at;
        }
        std::size_t exponentDigits = 0;
        const std::size_t exponentEnd = skipDigits(text, at, exponentDigits);
        if (exponentDigits > kMaxExponentDigits) {
            return {{}, text};
        }
        if (exponentDigits > 0) {
            end = exponentEnd;
        }
    }
    const std::size_t from = text[0] == '+' ? 1 : 0;
    return {text.substr(from, end - from), text.substr(end)};
}

std::optional<PlainDecimal> plainDecimal(std::string_view number) {
    const auto allDigits = [](std::string_view text) {
        return std::all_of(text.begin(), text.end(), text::isDigit);
    };
    PlainDecimal plain;
    plain.negative = !number.empty() && number.front() == '-';
    plain.whole = number.substr(plain.negative ? 1 : 0);
    if (const std::size_t point = plain.whole.find('.'); point != std::string_view::npos) {
        plain.fraction = plain.whole.substr(point + 1);
        plain.whole = plain.whole.substr(0, point);
    }
    if ((plain.whole.empty() && plain.fraction.empty()) || !allDigits(plain.whole) ||
        !allDigits(plain.fraction)) {
        return std::nullopt;
    }
    while (plain.whole.size() > 1 && plain.whole.front() == '0') {
        plain.whole.remove_prefix(1);
    }
    if (plain.whole.empty()) {
        plain.whole = "0";
    }
    while (!plain.fraction.empty() && plain.fraction.back() == '0') {
        plain.fraction.remove_suffix(1);
    }
    return plain;
}

char* PlainDecimal::put(char* out) const {
    if (negative) {
        *out++ = '-';
    }
    out = records::put(out, whole);
    if (!fraction.empty()) {
        *out++ = '.';
        out = records::put(out, fraction);
    }
    return out;
}

std::string_view unitText(const Column& column, std::string_view field) {
    const SplitValue split = splitValue(field);
    return column.field == kVelocityField && !split.number.empty() ? "m/s" : split.unit;
}

// In eras of 400 years.
std::int64_t daysFromCivil(int year, int month, int day) {
    const std::int64_t y = year - (month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yearOfEra = y - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

std::optional<StoredDateTime> readStoredDate(std::string_view text) {
    // yyyy-MM-dd/H:mm, the hour with one digit or two.
    const std::size_t colon = text.find(':');
    const std::size_t hourWidth = colon == 12 ? 1 : 2;
    if (text.size() != 14 + hourWidth || text[4] != '-' || text[7] != '-' || text[10] != '/' ||
        colon != 11 + hourWidth) {
        return std::nullopt;
    }
    StoredDateTime time;
    time.year = digitsAt(text, 0, 4);
    time.month = digitsAt(text, 5, 2);
    time.day = digitsAt(text, 8, 2);
    time.hour = digitsAt(text, 11, hourWidth);
    time.minute = digitsAt(text, colon + 1, 2);
    if (time.year < 1900 || time.month < 1 || time.month > 12 || time.day < 1 ||
        time.day > daysIn(time.year, time.month) || time.hour < 0 || time.hour > 23 ||
        time.minute < 0 || time.minute > 59) {
        return std::nullopt;
    }
    return time;
}

std::array<char, kIsoDateTimeSize> isoDateTime(const StoredDateTime& time) {
    std::array<char, kIsoDateTimeSize> text{};
    const auto put = [&text](std::size_t at, int value, std::size_t width) {
        for (std::size_t i = width; i-- > 0;) {
            text[at + i] = static_cast<char>('0' + value % 10);
            value /= 10;
        }
    };
    put(0, time.year, 4);
    text[4] = '-';
    put(5, time.month, 2);
    text[7] = '-';
    put(8, time.day, 2);
    text[10] = ' ';
    put(11, time.hour, 2);
    text[13] = ':';
    put(14, time.minute, 2);
    return text;
}

bool readAsFormula(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    switch (text[0]) {
        case '=':
        case '+':
        case '-':
        case '@':
        case '\t':
        case '\r':
            return true;
        default:
            return false;
    }
}

}  // namespace records
