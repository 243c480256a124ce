#include "measurement/minute_log.h"

namespace measurement {

namespace {

std::int16_t minuteBefore(std::int16_t minute) {
    return minute == 0 ? std::int16_t{59} : static_cast<std::int16_t>(minute - 1);
}

}  // namespace

std::vector<std::uint8_t> MinuteLog::due(std::int16_t minute, StationMemory& memory) {
    const bool round = minute != roundMinute_;
    roundMinute_ = minute;
    const std::int16_t ended = minuteBefore(minute);
    std::vector<std::uint8_t> stations;
    for (std::size_t i = 0; i < memory.stations.size(); ++i) {
        StationState& state = memory.stations[i];
        const bool completed = state.becameComplete;
        state.becameComplete = false;
        if (state.complete() && ((round && state.answeredIn(ended)) || completed)) {
            stations.push_back(static_cast<std::uint8_t>(i + 1));
        }
    }
    return stations;
}

void MinuteLog::forgetOldAnswers(std::int16_t minute, StationMemory& memory) {
    const std::int16_t ended = minuteBefore(minute);
    for (StationState& state : memory.stations) {
        for (std::optional<std::int16_t>& answered : state.answeredMinutes) {
            if (answered && *answered != minute && *answered != ended) {
                answered.reset();
            }
        }
    }
}

void MinuteLog::stored(std::uint8_t station, const std::string& stamp) {
    if (station >= 1 && station <= lastStamp_.size()) {
        lastStamp_[station - 1U] = stamp;
    }
}

bool MinuteLog::isStored(std::uint8_t station, const std::string& stamp) const {
    return station >= 1 && station <= lastStamp_.size() && lastStamp_[station - 1U] == stamp;
}

}  // namespace measurement
