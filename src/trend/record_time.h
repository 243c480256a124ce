#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace trend {

// Times on a trend are whole minutes of the wall clock that wrote the records, counted from
// 1970-01-01 0:00 of that clock. No time zone is applied: a record stands where its "日期" says.
using Minute = std::int64_t;

struct CivilTime {
    int year = 1970;
    int month = 1;  // 1 to 12
    int day = 1;    // 1 to 31
    int hour = 0;
    int minute = 0;
};

// The minute a record's "日期" names: "yyyy-MM-dd/H:mm" (the hour with one or two digits).
// None for any other text, and for a date or time that does not exist (2026-02-30, 24:00).
[[nodiscard]] std::optional<Minute> recordMinute(std::string_view date);

// Reads the dates of records that come one after the other: a date the same as the one before
// is not read again, and one of the same hour only for its minute.
class DateReader {
  public:
    [[nodiscard]] std::optional<Minute> minuteOf(std::string_view date);

  private:
    static constexpr std::size_t kLongest = 16;  // "yyyy-MM-dd/HH:mm"
    std::array<char, kLongest> last_{};
    std::size_t length_ = 0;  // of the date in last_; 0: none
    std::optional<Minute> minute_;
};

[[nodiscard]] Minute minuteOf(const CivilTime& time);
[[nodiscard]] CivilTime civilOf(Minute minute);
[[nodiscard]] int daysInMonth(int year, int month);

}  // namespace trend
