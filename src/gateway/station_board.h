#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <optional>

#include "gateway/register_map.h"

namespace gateway {

// What the gateway serves of each station, written on the polling thread and read on the
// server's: every call takes a lock for no longer than a copy of one station's registers, so the
// polling thread never waits on a network.
class StationBoard {
  public:
    static constexpr std::uint8_t kStations = 16;

    // The station's registers 0 to 25 after a valid reply at `replyMs`.
    void storeValues(std::uint8_t station, const RegisterBlock& values, std::int64_t replyMs);
    void setSilent(std::uint8_t station, bool silent);
    // Polling goes to `station` alone, or (0) to every station.
    void setPolled(std::uint8_t station);

    // The station's registers at `nowMs`, its age and state filled in; nothing for a station
    // that has no values (never answered every kind, or a number other than 1 to 16).
    [[nodiscard]] std::optional<RegisterBlock> registers(std::uint8_t station,
                                                         std::int64_t nowMs) const;
    [[nodiscard]] StationCondition condition(std::uint8_t station) const;

  private:
    struct Entry {
        bool hasValues = false;
        RegisterBlock values{};
        std::optional<std::int64_t> lastReplyMs;
        bool silent = false;
    };

    [[nodiscard]] StationCondition conditionOf(std::uint8_t station) const;

    mutable std::mutex mutex_;
    std::array<Entry, kStations> entries_{};
    std::uint8_t polledAlone_ = 0;  // 0: every station
};

}  // namespace gateway
