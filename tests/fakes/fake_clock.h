#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "platform/clock.h"

namespace fakes {

// A clock that shows what the test sets. `laterTimes` are handed out one per reading before
// falling back to `time`, for tests of code that reads the clock twice.
class FakeClock final : public platform::Clock {
  public:
    std::string time = "10:00:30";
    std::string date = "2007-10-10";
    std::deque<std::string> laterTimes;
    int timeReadings = 0;

    std::string timeText() override {
        ++timeReadings;
        if (!laterTimes.empty()) {
            std::string next = laterTimes.front();
            laterTimes.pop_front();
            return next;
        }
        return time;
    }
    std::string dateText() override { return date; }
    std::int64_t msecs = 1191978030000;  // 2007-10-10 01:00:30 UTC
    std::int64_t msecsSinceEpoch() override { return msecs; }
};

}  // namespace fakes
