#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frame.h"
#include "meter_line.h"

namespace meter_sim::testing {

using Bytes = std::vector<std::uint8_t>;

inline Bytes bytesOf(const Frame& frame) {
    return Bytes(frame.begin(), frame.end());
}

// Bytes in hex, two digits each and a space between: "2A 01 00 2E".
inline std::string hexOf(const Bytes& bytes) {
    static const char* const kDigits = "0123456789ABCDEF";
    std::string text;
    for (const std::uint8_t b : bytes) {
        if (!text.empty()) {
            text += ' ';
        }
        text += kDigits[b >> 4];
        text += kDigits[b & 0x0F];
    }
    return text;
}

inline Bytes poll(std::uint8_t station, std::uint8_t command) {
    return {0x2A, station, command, 0x2E};
}

// A PC parameter frame: station, step, six data bytes, XOR of bytes 0..7, 0x55.
inline Bytes parameterFrame(std::uint8_t station, std::uint8_t step, const Bytes& data) {
    Bytes frame = data;
    frame.insert(frame.begin(), {station, step});
    std::uint8_t check = 0;
    for (auto b : frame) {
        check = static_cast<std::uint8_t>(check ^ b);
    }
    frame.push_back(check);
    frame.push_back(0x55);
    return frame;
}

// Feeds bytes one millisecond apart, as the PC paces them, and collects the replies.
inline std::vector<Bytes> feed(MeterLine& line, const Bytes& bytes, std::int64_t& nowUs) {
    std::vector<Bytes> replies;
    for (auto b : bytes) {
        nowUs += 1000;
        for (const auto& heard : line.receive(b, nowUs).heard) {
            if (heard.answer) {
                replies.push_back(bytesOf(heard.answer->frame));
            }
        }
    }
    return replies;
}

// Packed BCD, least significant byte first, as the PC reads it.
inline std::uint64_t bcdValue(const Bytes& frame, std::size_t first, std::size_t count) {
    std::uint64_t value = 0;
    for (std::size_t i = first + count; i-- > first;) {
        value = value * 100 + (frame[i] >> 4) * 10 + (frame[i] & 0x0F);
    }
    return value;
}

}  // namespace meter_sim::testing
