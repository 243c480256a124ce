#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "measurement/display_texts.h"
#include "measurement/reply_decoder.h"

namespace measurement {

// How a station has answered since the program started.
struct StationCounters {
    static constexpr std::int32_t kSilentAfter = 10;  // requests in a row without any reply

    std::int32_t requests = 0;
    std::int32_t validReplies = 0;
    // Replies refused by the first check they failed: station, command, end marker, check byte.
    std::array<std::int32_t, 4> rejected{};
    std::int32_t unanswered = 0;        // requests the next request followed without any reply
    std::int32_t unansweredInARow = 0;  // since the last reply of any kind

    [[nodiscard]] bool silent() const { return unansweredInARow >= kSilentAfter; }
};

// The latest decoded values of each station, index = station number - 1. Numbers are magnitudes;
// unit and diameter texts are those the displays show.
struct StationMemory {
    static constexpr std::size_t kStations = 16;

    std::array<float, kStations> shunshi{};
    std::array<std::string, kStations> E_liuliang;
    std::array<float, kStations> liusu{};
    std::array<float, kStations> baifenbi{};
    std::array<float, kStations> dianzu{};
    std::array<double, kStations> zongliang_zhengxiang{};
    std::array<std::string, kStations> E_LJ_zheng;
    std::array<double, kStations> zongliang_fanxiang{};
    std::array<std::string, kStations> E_LJ_fan;
    std::array<std::string, kStations> guanjing;

    // The station overview's view of each station: its values as the displays showed them at its
    // replies (signed, with units), its own alarm status, the time of its last valid reply and
    // its counters.
    std::array<std::string, kStations> flowText;
    std::array<std::string, kStations> velocityText;
    std::array<std::string, kStations> percentText;
    std::array<std::string, kStations> forwardText;
    std::array<std::string, kStations> reverseText;
    std::array<std::string, kStations> alarmText;
    std::array<std::string, kStations> lastReplyTime;
    std::array<StationCounters, kStations> counters;
};

// Stores a reply of station `station` once the displays show it; power-failure replies store
// nothing, nor does a station outside 1 to 16.
void storeReply(StationMemory& memory, std::uint8_t station, const DecodedReply& reply,
                const DisplayTexts& texts);

}  // namespace measurement
