#include "measurement/station_condition.h"

#include <algorithm>

namespace measurement {

StationCondition stationCondition(const StationState& state, bool polledNow) {
    if (!polledNow || !state.askedSincePollingBegan) {
        return StationCondition::NotPolled;
    }
    return state.counters.validRepliesStopped() ? StationCondition::Silent
                                                : StationCondition::Answering;
}

std::optional<std::int64_t> replyAgeMsecs(const StationState& state, std::int64_t nowMsecs) {
    if (!state.lastReplyMsecs) {
        return std::nullopt;
    }
    return std::max<std::int64_t>(0, nowMsecs - *state.lastReplyMsecs);
}

}  // namespace measurement
