#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

#include "records/store.h"

namespace records {

// The columns of an exported record, the same in a CSV file and a workbook: the ten stored
// fields in their order, the time of "日期" in ISO 8601 right after it, then flow, percentage,
// velocity and the two totals once more, each as a number and a unit.
enum class ColumnKind {
    Stored,    // a stored field as it is
    DateTime,  // "日期" as "yyyy-MM-dd HH:mm"
    Number,    // the number at the start of a stored value
    Unit,      // what follows that number
};

struct Column {
    const char* heading;
    ColumnKind kind;
    std::size_t field;  // the stored field the column is made of
};

inline constexpr std::size_t kStationField = 0;
inline constexpr std::size_t kDateField = 1;
inline constexpr std::size_t kDiameterField = 2;
inline constexpr std::size_t kRangeRatioField = 5;
inline constexpr std::size_t kVelocityField = 6;
inline constexpr std::size_t kAlarmField = 9;

extern const std::array<Column, 21> kExportColumns;

// A shown value cut into its number and its unit: "+1234.56m3/h" gives "1234.56" and "m3/h",
// "1.5E+07m3" gives "1.5E+07" and "m3", "-.5%" gives "-.5" and "%". The number is a decimal
// number, its exponent kept whole and a "+" in front dropped; it is empty when the text does not
// begin with one, and the unit is then the whole text.
struct SplitValue {
    std::string_view number;
    std::string_view unit;
};
[[nodiscard]] SplitValue splitValue(std::string_view text);

// A plain decimal number ("-0012.50", ".5", "7.") in the parts of the plain text that names the
// same number with fewest digits ("-12.5", "0.5", "7"); nothing when the text is not of that form
// (it has an exponent, say).
struct PlainDecimal {
    bool negative = false;
    std::string_view whole;     // "0" when the number has no whole part
    std::string_view fraction;  // without trailing zeros; empty for a whole number

    // Writes the number's text and gives its end: at most as many bytes as it was read from, and
    // one more.
    char* put(char* out) const;
};
[[nodiscard]] std::optional<PlainDecimal> plainDecimal(std::string_view number);

// What a Unit column shows: the split's unit, and for a velocity, which is shown without its
// unit, "m/s" beside a number.
[[nodiscard]] std::string_view unitText(const Column& column, std::string_view field);

// The date and time a stored "日期" text names ("2026-12-08/9:58"); nothing when the text is not
// of that form or names no real day or time.
struct StoredDateTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
};
[[nodiscard]] std::optional<StoredDateTime> readStoredDate(std::string_view text);

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
[[nodiscard]] std::int64_t daysFromCivil(int year, int month, int day);

// Copies a text to `out` and gives the end of the copy: the formats write their lines this way
// into a buffer with room enough.
inline char* put(char* out, std::string_view text) {
    // An empty view may have no data at all, which memcpy must not be given.
    if (!text.empty()) {
        std::memcpy(out, text.data(), text.size());
    }
    return out + text.size();
}

inline constexpr std::size_t kIsoDateTimeSize = 16;
// "2026-12-08 09:58".
[[nodiscard]] std::array<char, kIsoDateTimeSize> isoDateTime(const StoredDateTime& time);

// A text that a spreadsheet would take for a formula when it meets it in a CSV file: one that
// begins with "=", "+", "-" or "@", or with a tab or a carriage return before one.
[[nodiscard]] bool readAsFormula(std::string_view text);

}  // namespace records
