#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace measurement {

// A meter's measurement reply: station, command index, data bytes D2 to D7, check byte, end marker.
inline constexpr std::size_t kReplyLength = 10;
inline constexpr std::uint8_t kReplyEndMarker = 0xAA;

// The decoder converts some data bytes in place.
using ReplyFrame = std::array<std::uint8_t, kReplyLength>;

// The frame of a received block: its first ten bytes; bytes beyond the tenth are dropped. A block
// of fewer than ten bytes holds no frame: its bytes are never joined to those of another block.
[[nodiscard]] std::optional<ReplyFrame> frameOf(const std::vector<std::uint8_t>& block);

// The bitwise exclusive-or of the data bytes 2 to 7; station and command bytes are not covered.
[[nodiscard]] std::uint8_t checkByteOf(const ReplyFrame& frame);

// The first test a reply failed, in the order the tests are made.
enum class FrameCheck {
    Valid,
    WrongStation,    // byte 0 is not the station last polled
    WrongCommand,    // byte 1 is not the command index last sent
    WrongEndMarker,  // byte 9 is not 0xAA
    WrongCheckByte,  // byte 8 is not the exclusive-or of bytes 2 to 7
    ShortBlock,      // fewer than ten bytes came: no frame to check
};

// Whether `frame` answers the request of `command` to `station`.
[[nodiscard]] FrameCheck checkFrame(const ReplyFrame& frame, std::uint8_t station,
                                    std::uint8_t command);

}  // namespace measurement
