#pragma once

#include <optional>
#include <string_view>

namespace seriallink {

enum class Parity { None, Even, Odd, Mark, Space };

enum class StopBits { One, OneAndHalf, Two };

// One serial line's framing: "speed,parity,data bits,stop bits", e.g. "9600,n,8,1".
struct LineSettings {
    int baud = 9600;
    Parity parity = Parity::None;
    int dataBits = 8;
    StopBits stopBits = StopBits::One;

    friend bool operator==(const LineSettings& a, const LineSettings& b) {
        return a.baud == b.baud && a.parity == b.parity && a.dataBits == b.dataBits &&
               a.stopBits == b.stopBits;
    }
    friend bool operator!=(const LineSettings& a, const LineSettings& b) { return !(a == b); }
};

// Parses "speed,parity,data bits,stop bits". Parity letters n, e, o, m, s (either case); data
// bits 5 to 8; stop bits 1, 1.5 or 2; speed a positive decimal number. Anything else, including
// blanks or extra characters anywhere, gives no result.
[[nodiscard]] std::optional<LineSettings> parseLineSettings(std::string_view text);

}  // namespace seriallink
