#pragma once

#include <cstdint>
#include <optional>

#include "measurement/station_memory.h"

namespace measurement {

// Where a station stands, for everything that shows or passes on the stations' states.
enum class StationCondition : std::uint8_t {
    Answering = 0,  // polled now, and its valid replies keep coming
    Silent = 1,     // polled now, and ten requests in a row went without a valid reply
    NotPolled = 2,  // not among the stations polled now, or not asked since its polling began
};

// The condition of a station; `polledNow`: the session polls it in the mode in force.
[[nodiscard]] StationCondition stationCondition(const StationState& state, bool polledNow);

// Milliseconds from the station's last valid reply to `nowMsecs` (both since 1970-01-01 UTC),
// never below 0 (a clock set back); nothing before its first valid reply.
[[nodiscard]] std::optional<std::int64_t> replyAgeMsecs(const StationState& state,
                                                        std::int64_t nowMsecs);

}  // namespace measurement
