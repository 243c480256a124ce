#include "link/busy_wait.h"

#include <thread>

namespace seriallink {

namespace {

// The pause keeps the thread busy, but offers the processor to the system now and then, so that
// the driver can pass the byte just written on to the line while the pause runs.
constexpr std::int32_t kRoundsPerYield = 1000;

}  // namespace

void busyCount16(std::int16_t limit) {
    for (volatile std::int32_t i = 0; i <= limit; i = i + 1) {
    }
}

void busyCountDouble(double limit) {
    std::int32_t sinceYield = 0;
    for (volatile double i = 0.0; i <= limit; i = i + 1.0) {
        if (++sinceYield == kRoundsPerYield) {
            sinceYield = 0;
            std::this_thread::yield();
        }
    }
}

}  // namespace seriallink
