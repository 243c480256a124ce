#include "link/line_settings.h"

#include <array>
#include <cstddef>

#include "text/characters.h"

namespace seriallink {
namespace {

constexpr std::size_t kFieldCount = 4;
constexpr long kMaxBaud = 100'000'000;

std::optional<std::array<std::string_view, kFieldCount>> splitFields(std::string_view text) {
    std::array<std::string_view, kFieldCount> fields;
    std::size_t count = 0;
    while (true) {
        const std::size_t comma = text.find(',');
        if (count == kFieldCount) {
            return std::nullopt;
        }
        fields[count++] = text.substr(0, comma);
        if (comma == std::string_view::npos) {
            break;
        }
        text.remove_prefix(comma + 1);
    }
    if (count != kFieldCount) {
        return std::nullopt;
    }
    return fields;
}

std::optional<int> parseBaud(std::string_view field) {
    if (field.empty()) {
        return std::nullopt;
    }
    long value = 0;
    for (const char c : field) {
        if (!text::isDigit(c)) {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
        if (value > kMaxBaud) {
            return std::nullopt;
        }
    }
    if (value == 0) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

std::optional<Parity> parseParity(std::string_view field) {
    if (field.size() != 1) {
        return std::nullopt;
    }
    switch (field[0]) {
        case 'n':
        case 'N':
            return Parity::None;
        case 'e':
        case 'E':
            return Parity::Even;
        case 'o':
        case 'O':
            return Parity::Odd;
        case 'm':
        case 'M':
            return Parity::Mark;
        case 's':
        case 'S':
            return Parity::Space;
        default:
            return std::nullopt;
    }
}

std::optional<int> parseDataBits(std::string_view field) {
    if (field.size() != 1 || field[0] < '5' || field[0] > '8') {
        return std::nullopt;
    }
    return field[0] - '0';
}

std::optional<StopBits> parseStopBits(std::string_view field) {
    if (field == "1") {
        return StopBits::One;
    }
    if (field == "1.5") {
        return StopBits::OneAndHalf;
    }
    if (field == "2") {
        return StopBits::Two;
    }
    return std::nullopt;
}

}  // namespace

std::optional<LineSettings> parseLineSettings(std::string_view text) {
    const auto fields = splitFields(text);
    if (!fields) {
        return std::nullopt;
    }
    const auto baud = parseBaud((*fields)[0]);
    const auto parity = parseParity((*fields)[1]);
    const auto dataBits = parseDataBits((*fields)[2]);
    const auto stopBits = parseStopBits((*fields)[3]);
    if (!baud || !parity || !dataBits || !stopBits) {
        return std::nullopt;
    }
    return LineSettings{*baud, *parity, *dataBits, *stopBits};
}

}  // namespace seriallink
