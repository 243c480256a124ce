#include "trend/record_time.h"

#include <cstddef>
#include <cstring>

#include "records/export_fields.h"

namespace trend {

namespace {

constexpr Minute kMinutesPerDay = 24 * 60;

// Reads exactly `count` decimal digits at `at`; none when one of them is not a digit.
std::optional<int> digits(std::string_view text, std::size_t at, std::size_t count) {
    if (at + count > text.size()) {
        return std::nullopt;
    }
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return std::nullopt;
        }
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

}  // namespace

int daysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

std::optional<Minute> recordMinute(std::string_view date) {
    // yyyy-MM-dd/H:mm or yyyy-MM-dd/HH:mm
    if (date.size() != 15 && date.size() != 16) {
        return std::nullopt;
    }
    const std::size_t hourDigits = date.size() - 14;
    if (date[4] != '-' || date[7] != '-' || date[10] != '/' || date[11 + hourDigits] != ':') {
        return std::nullopt;
    }
    const auto year = digits(date, 0, 4);
    const auto month = digits(date, 5, 2);
    const auto day = digits(date, 8, 2);
    const auto hour = digits(date, 11, hourDigits);
    const auto minute = digits(date, 12 + hourDigits, 2);
    if (!year || !month || !day || !hour || !minute || *month < 1 || *month > 12 || *day < 1 ||
        *day > daysInMonth(*year, *month) || *hour > 23 || *minute > 59) {
        return std::nullopt;
    }
    return minuteOf({*year, *month, *day, *hour, *minute});
}

std::optional<Minute> DateReader::minuteOf(std::string_view date) {
    if (date.size() > kLongest) {
        return std::nullopt;  // no date of a record is that long
    }
    if (date.size() == length_ && length_ >= 2) {
        const std::size_t hour = length_ - 2;  // the minute's two digits follow
        const std::string_view last(last_.data(), length_);
        if (date.compare(0, hour, last, 0, hour) == 0) {
            if (date.compare(hour, 2, last, hour, 2) == 0) {
                return minute_;
            }
            const std::optional<int> minute = digits(date, hour, 2);
            if (minute_ && minute && *minute <= 59) {
                *minute_ += *minute - *digits(last, hour, 2);
                std::memcpy(last_.data() + hour, date.data() + hour, 2);
                return minute_;
            }
        }
    }
    std::memcpy(last_.data(), date.data(), date.size());
    length_ = date.size();
    minute_ = recordMinute(date);
    return minute_;
}

Minute minuteOf(const CivilTime& time) {
    return records::daysFromCivil(time.year, time.month, time.day) * kMinutesPerDay +
           time.hour * 60 + time.minute;
}

CivilTime civilOf(Minute minute) {
    const std::int64_t days =
        (minute >= 0 ? minute : minute - (kMinutesPerDay - 1)) / kMinutesPerDay;
    const Minute ofDay = minute - days * kMinutesPerDay;
    // The inverse of daysFromCivil.
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t dayOfEra = z - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t mp = (5 * dayOfYear + 2) / 153;
    CivilTime time;
    time.day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    time.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    time.year = static_cast<int>(yearOfEra + era * 400 + (time.month <= 2 ? 1 : 0));
    time.hour = static_cast<int>(ofDay / 60);
    time.minute = static_cast<int>(ofDay % 60);
    return time;
}

}  // namespace trend
