#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace parameters {

// A parameter frame from the PC: station, step, six data bytes, the exclusive-or of bytes 0 to 7,
// 0x55. The meter's replies are ten bytes too: acknowledgements carry 6 in byte 2 and end in
// 0xAA, error replies carry 13 in byte 2 and the error code in byte 3.
inline constexpr std::size_t kFrameLength = 10;
using Frame = std::array<std::uint8_t, kFrameLength>;
using StepData = std::array<std::uint8_t, 6>;

inline constexpr std::uint8_t kPasswordStep = 0;
inline constexpr std::uint8_t kLastParameterStep = 13;
inline constexpr std::uint8_t kClosingStep = 15;
inline constexpr std::uint8_t kStartAckStep = 100;  // the acknowledgement of the start command

inline constexpr std::uint8_t kFrameEnd = 0x55;
inline constexpr std::uint8_t kReplyEnd = 0xAA;
inline constexpr std::uint8_t kAckMarker = 6;
inline constexpr std::uint8_t kErrorMarker = 13;
inline constexpr std::uint8_t kErrorWrongPassword = 0x80;
inline constexpr std::uint8_t kErrorTimeLimit = 0x81;
inline constexpr std::uint8_t kErrorTooManyPasswords = 0x82;

// The start command: "*", station, "d", ".".
[[nodiscard]] std::array<std::uint8_t, 4> startCommand(std::uint8_t station);

// The exclusive-or of bytes first to last of a frame.
[[nodiscard]] std::uint8_t xorOf(const Frame& frame, std::size_t first, std::size_t last);

// The frame of a step, with its check byte and end byte.
[[nodiscard]] Frame buildFrame(std::uint8_t station, std::uint8_t step, const StepData& data);

}  // namespace parameters
