#include "frame.h"

namespace meter_sim {

std::uint8_t xorOf(const Frame& frame, std::size_t first, std::size_t last) {
    std::uint8_t result = 0;
    for (std::size_t i = first; i <= last; ++i) {
        result = static_cast<std::uint8_t>(result ^ frame[i]);
    }
    return result;
}

void putBcd(Frame& frame, std::size_t position, std::uint64_t value, std::size_t byteCount) {
    for (std::size_t i = 0; i < byteCount; ++i) {
        const auto low = static_cast<std::uint8_t>(value % 10);
        const auto high = static_cast<std::uint8_t>((value / 10) % 10);
        frame[position + i] = static_cast<std::uint8_t>((high << 4) | low);
        value /= 100;
    }
}

void putWord(Frame& frame, std::size_t position, std::uint16_t value) {
    frame[position] = static_cast<std::uint8_t>(value & 0xFF);
    frame[position + 1] = static_cast<std::uint8_t>(value >> 8);
}

}  // namespace meter_sim
