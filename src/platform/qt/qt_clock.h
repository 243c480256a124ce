#pragma once

#include "platform/clock.h"

namespace platform::qt {

// The system clock. The time reads "H:mm:ss" and the date "yyyy-MM-dd" whatever the locale, so
// that hours, minutes and seconds are always separated by ":" and records sort by date.
class QtClock final : public Clock {
  public:
    std::string timeText() override;
    std::string dateText() override;
    std::int64_t msecsSinceEpoch() override;
};

}  // namespace platform::qt
