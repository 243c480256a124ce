#pragma once

#include <cstdint>

#include "measurement/reply_frame.h"

namespace measurement_test {

// A well-formed reply with its check byte and end marker.
inline measurement::ReplyFrame replyFrame(std::uint8_t station, std::uint8_t command,
                                          std::uint8_t d2, std::uint8_t d3, std::uint8_t d4,
                                          std::uint8_t d5, std::uint8_t d6, std::uint8_t d7) {
    const auto check = static_cast<std::uint8_t>(d2 ^ d3 ^ d4 ^ d5 ^ d6 ^ d7);
    return {station, command, d2, d3, d4, d5, d6, d7, check, 0xAA};
}

}  // namespace measurement_test
