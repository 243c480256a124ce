#pragma once

#include <cstdint>

namespace seriallink {

// Busy pauses that pace the bytes sent to a meter. They count, doing nothing else, from 0 up to
// `limit` in steps of 1 (limit + 1 rounds); their length in time depends on the processor. The
// counters are volatile so that the compiler keeps every round.
void busyCount16(std::int16_t limit);
void busyCountDouble(double limit);

}  // namespace seriallink
