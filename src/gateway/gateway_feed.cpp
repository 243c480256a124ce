#include "gateway/gateway_feed.h"

#include "gateway/station_json.h"

namespace gateway {

void GatewayFeed::stationAnswered(std::uint8_t station, const measurement::StationState& state) {
    if (station < 1 || station > StationBoard::kStations || !hasEveryValue(state)) {
        return;
    }
    const std::int64_t now = time_.steadyMs();
    known_[station - 1U] = Known{state, now};
    board_.storeValues(station, valueRegisters(state), now);
}

void GatewayFeed::stationCycleCompleted(std::uint8_t station,
                                        const measurement::StationState& /*state*/) {
    // The reply that completed the cycle has been taken by stationAnswered.
    offer(station);
}

void GatewayFeed::stationSilent(std::uint8_t station) {
    board_.setSilent(station, true);
    offer(station);
}

void GatewayFeed::stationBack(std::uint8_t station) {
    board_.setSilent(station, false);
    offer(station);
}

void GatewayFeed::modeChosen(session::PollingMode mode, std::uint8_t station) {
    std::array<StationCondition, StationBoard::kStations> before{};
    for (std::uint8_t n = 1; n <= StationBoard::kStations; ++n) {
        before[n - 1U] = board_.condition(n);
    }
    board_.setPolled(mode == session::PollingMode::SingleStation ? station : 0);
    for (std::uint8_t n = 1; n <= StationBoard::kStations; ++n) {
        if (board_.condition(n) != before[n - 1U]) {
            offer(n);
        }
    }
}

void GatewayFeed::offer(std::uint8_t station) {
    if (messages_ == nullptr || station < 1 || station > StationBoard::kStations ||
        !known_[station - 1U]) {
        return;
    }
    const Known& known = *known_[station - 1U];
    const std::int64_t now = time_.steadyMs();
    messages_->offer(station, stationJson(station, known.state, board_.condition(station),
                                          ageRegister(known.replyMs, now), time_.isoTimeNow()));
}

}  // namespace gateway
