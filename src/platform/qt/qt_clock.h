#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <string>

#include "platform/clock.h"

namespace platform::qt {

// The system clock. The time reads "H:mm:ss" and the date "yyyy-MM-dd" whatever the locale, so
// that hours, minutes and seconds are always separated by ":" and records sort by date.
//
// The texts change once a second while polling asks for them several times a request: they are
// made once for each second and kept until the clock shows another one. Local time changes its
// offset to UTC only at a whole second, so the second since 1970 decides alone.
class QtClock final : public Clock {
  public:
    // Reads the system clock.
    QtClock();
    // Reads `now`, milliseconds since 1970-01-01 UTC.
    explicit QtClock(std::function<std::int64_t()> now);

    std::string timeText() override;
    std::string dateText() override;
    std::int64_t msecsSinceEpoch() override;

  private:
    // The texts of the second the clock shows now.
    void takeSecond();

    std::function<std::int64_t()> now_;
    std::int64_t second_ = std::numeric_limits<std::int64_t>::min();
    std::string time_;
    std::string date_;
};

}  // namespace platform::qt
