#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace measurement {

// A meter's measurement reply: station, command index, data bytes D2 to D7, check byte, end marker.
inline constexpr std::size_t kReplyLength = 10;
inline constexpr std::uint8_t kReplyEndMarker = 0xAA;

// Kept between notifications: a short block overwrites only the positions it covers, and the
// decoder converts some data bytes in place.
using ReplyFrame = std::array<std::uint8_t, kReplyLength>;

// Copies the first bytes of a received block into the frame. Bytes beyond the tenth are dropped;
// positions a short block does not reach keep what they held.
void copyBlock(ReplyFrame& frame, const std::vector<std::uint8_t>& block);

// The bitwise exclusive-or of the data bytes 2 to 7; station and command bytes are not covered.
[[nodiscard]] std::uint8_t checkByteOf(const ReplyFrame& frame);

// The first test a frame failed, in the order the tests are made.
enum class FrameCheck {
    Valid,
    WrongStation,    // byte 0 is not the station last polled
    WrongCommand,    // byte 1 is not the command index last sent
    WrongEndMarker,  // byte 9 is not 0xAA
    WrongCheckByte,  // byte 8 is not the exclusive-or of bytes 2 to 7
};

[[nodiscard]] FrameCheck checkFrame(const ReplyFrame& frame, std::uint8_t stationNo,
                                    std::uint8_t lastCmd);

}  // namespace measurement
