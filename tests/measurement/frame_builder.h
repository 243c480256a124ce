#pragma once

#include <cstdint>
#include <vector>

#include "measurement/reply_frame.h"

namespace measurement_test {

// A well-formed reply with its check byte and end marker.
inline measurement::ReplyFrame replyFrame(std::uint8_t station, std::uint8_t command,
                                          std::uint8_t d2, std::uint8_t d3, std::uint8_t d4,
                                          std::uint8_t d5, std::uint8_t d6, std::uint8_t d7) {
    const auto check = static_cast<std::uint8_t>(d2 ^ d3 ^ d4 ^ d5 ^ d6 ^ d7);
    return {station, command, d2, d3, d4, d5, d6, d7, check, 0xAA};
}

// The same as a received block.
inline std::vector<std::uint8_t> replyBlock(std::uint8_t station, std::uint8_t command,
                                            std::uint8_t d2, std::uint8_t d3, std::uint8_t d4,
                                            std::uint8_t d5, std::uint8_t d6, std::uint8_t d7) {
    const measurement::ReplyFrame frame = replyFrame(station, command, d2, d3, d4, d5, d6, d7);
    return {frame.begin(), frame.end()};
}

}  // namespace measurement_test
