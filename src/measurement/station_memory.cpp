#include "measurement/station_memory.h"

#include "measurement/logging.h"

namespace measurement {

void StationState::pollingBegins() {
    kindsSincePollingBegan = 0;
    kindsOfCycle = 0;
    answeredMinutes = {};
    becameComplete = false;
    askedSincePollingBegan = false;
}

bool StationState::takeReply(std::uint8_t command, const DecodedReply& reply,
                             const std::string& timeText, std::int64_t msecs) {
    if (command >= kMeterCommandCount) {
        return false;
    }
    const bool wasComplete = complete();
    const auto kind = static_cast<std::uint16_t>(1U << command);
    latest[command] = reply;
    lastReplyTime = timeText;
    lastReplyMsecs = msecs;
    ++counters.validReplies;
    counters.withoutValidReplyInARow = 0;
    const std::optional<std::int16_t> minute = minuteOfHour(timeText);
    if (minute && answeredMinutes[0] != minute) {
        answeredMinutes = {minute, answeredMinutes[0]};
    }
    kindsSincePollingBegan |= kind;
    kindsOfCycle |= kind;
    if (!wasComplete && complete()) {
        becameComplete = true;
    }
    if (kindsOfCycle != kEveryKind) {
        return false;
    }
    kindsOfCycle = 0;
    return true;
}

StationState* StationMemory::find(std::uint8_t station) {
    if (station < 1 || station > kStations) {
        return nullptr;
    }
    return &stations[station - 1U];
}

const StationState* StationMemory::find(std::uint8_t station) const {
    if (station < 1 || station > kStations) {
        return nullptr;
    }
    return &stations[station - 1U];
}

}  // namespace measurement
