#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "gateway/gateway_time.h"
#include "gateway/station_board.h"
#include "gateway/station_messages.h"
#include "measurement/station_memory.h"
#include "session/polling_listener.h"

namespace gateway {

// Passes what the polling session says on to the gateway, on the polling thread and at the cost
// of a copy: each valid reply of a station that has sent every kind of value refreshes its
// registers; a completed cycle, and a change of its state (silent, answering again, no longer or
// again polled) of a station with values, offers its message to the broker.
class GatewayFeed final : public session::PollingListener {
  public:
    // `messages` may be null: nothing is published.
    GatewayFeed(StationBoard& board, GatewayTime& time, StationMessages* messages)
        : board_(board), time_(time), messages_(messages) {}

    void stationAnswered(std::uint8_t station, const measurement::StationState& state) override;
    void stationCycleCompleted(std::uint8_t station,
                               const measurement::StationState& state) override;
    void stationSilent(std::uint8_t station) override;
    void stationBack(std::uint8_t station) override;
    void modeChosen(session::PollingMode mode, std::uint8_t station) override;

  private:
    struct Known {
        measurement::StationState state;
        std::int64_t replyMs = 0;
    };

    void offer(std::uint8_t station);

    StationBoard& board_;
    GatewayTime& time_;
    StationMessages* messages_;
    std::array<std::optional<Known>, StationBoard::kStations> known_;
};

}  // namespace gateway
