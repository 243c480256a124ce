#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "measurement/display_texts.h"
#include "measurement/reply_decoder.h"

namespace measurement {

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
};

// Stores a reply of station `station` once the displays show it; alarm-state and power-failure
// replies store nothing, nor does a station outside 1 to 16.
void storeReply(StationMemory& memory, std::uint8_t station, const DecodedReply& reply,
                const DisplayTexts& texts);

}  // namespace measurement
