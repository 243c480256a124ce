#pragma once

#include <cstdint>
#include <string>

namespace platform {

class Clock {
  public:
    virtual ~Clock() = default;
    // Time of day with ":" between hours, minutes and seconds, e.g. "9:13:45".
    virtual std::string timeText() = 0;
    // Current date, e.g. "2007-10-10".
    virtual std::string dateText() = 0;
    // Milliseconds since 1970-01-01 UTC, for time stamps to the millisecond.
    virtual std::int64_t msecsSinceEpoch() = 0;
};

}  // namespace platform
