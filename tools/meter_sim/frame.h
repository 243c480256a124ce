#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace meter_sim {

// Every reply of a meter and every parameter frame of the PC is ten bytes long.
constexpr std::size_t kFrameSize = 10;
using Frame = std::array<std::uint8_t, kFrameSize>;

constexpr std::uint8_t kRequestStart = 0x2A;       // "*"
constexpr std::uint8_t kRequestEnd = 0x2E;         // "."
constexpr std::uint8_t kStartWriteCommand = 0x64;  // "d"
constexpr std::uint8_t kReplyEnd = 0xAA;
constexpr std::uint8_t kParameterFrameEnd = 0x55;

// Exclusive-or of the bytes first..last (inclusive).
[[nodiscard]] std::uint8_t xorOf(const Frame& frame, std::size_t first, std::size_t last);

// Writes value as packed BCD into byteCount bytes starting at position, least significant
// byte first, high digit in the high nibble. Digits beyond the field are dropped.
void putBcd(Frame& frame, std::size_t position, std::uint64_t value, std::size_t byteCount);

// Writes a 16-bit binary number, low byte first.
void putWord(Frame& frame, std::size_t position, std::uint16_t value);

}  // namespace meter_sim
