#include "link/pauses.h"

#include <thread>

namespace seriallink {
namespace {

constexpr LineSettings kSlowestLine{600, Parity::None, 8, StopBits::One};

// The length of one character in half bits, as 1.5 stop bits is a half-bit count.
std::int64_t characterHalfBits(const LineSettings& line) {
    const std::int64_t parityBits = line.parity == Parity::None ? 0 : 1;
    std::int64_t stopHalfBits = 2;
    if (line.stopBits == StopBits::OneAndHalf) {
        stopHalfBits = 3;
    } else if (line.stopBits == StopBits::Two) {
        stopHalfBits = 4;
    }
    return 2 * (1 + line.dataBits + parityBits) + stopHalfBits;
}

}  // namespace

std::chrono::nanoseconds characterTime(const LineSettings& line) {
    constexpr std::int64_t kHalfBitNanosecondsAtOneBaud = 500'000'000;
    const std::int64_t baud = line.baud > 0 ? line.baud : kSlowestLine.baud;
    // Rounded up: the pause never ends before the character has crossed the line.
    return std::chrono::nanoseconds(
        (characterHalfBits(line) * kHalfBitNanosecondsAtOneBaud + baud - 1) / baud);
}

void settlePause(std::int32_t count) {
    for (volatile std::int32_t i = 0; i <= count; i = i + 1) {
    }
}

void pauseBetweenBytes(std::int32_t count, const LineSettings& line) {
    std::this_thread::sleep_for(characterTime(line));
    for (volatile double i = 0.0; i <= count; i = i + 1.0) {
    }
}

void pauseBetweenBytes(std::int32_t count, std::string_view lineSettings) {
    pauseBetweenBytes(count, parseLineSettings(lineSettings).value_or(kSlowestLine));
}

}  // namespace seriallink
