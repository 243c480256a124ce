#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "measurement/display_texts.h"
#include "records/records_store.h"

namespace measurement {

// The minute of the hour in a time-of-day text: everything up to and including the first ":" is
// dropped; of the rest, the first (length - q) characters are kept, q being the 1-based position
// of its last ":" (0 when there is none); their leading digits are read (0 when there are none).
// "9:13:45", "09:13:45 PM" and "下午 9:13:45" all give 13. Nothing when the digits do not fit in
// 16 bits.
std::optional<std::int16_t> minuteOfHour(const std::string& timeText);

// The time text cut before its last ":", which leaves hours and minutes ("9:13:45" -> "9:13").
// A text without ":" is kept whole.
std::string hoursAndMinutes(const std::string& timeText);

// The record of the displays as they stand; "日期" is the date, "/", then the time.
records::MeasurementRecord composeRecord(const DisplayTexts& texts, std::uint8_t station,
                                         const std::string& alarmText, const std::string& date,
                                         const std::string& time);

}  // namespace measurement
