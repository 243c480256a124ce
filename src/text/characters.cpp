#include "text/characters.h"

#include <cstddef>
#include <cstdint>

namespace text {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Length of the sequence a lead byte starts, 0 when it starts none.
std::size_t sequenceLength(std::uint8_t lead) {
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    return 0;
}

// The character of the sequence at `at` and the sequence's length; U+FFFD and 1 when no valid
// sequence starts there.
struct Decoded {
    char32_t character;
    std::size_t length;
};

Decoded decodeAt(std::string_view utf8, std::size_t at) {
    const auto lead = static_cast<std::uint8_t>(utf8[at]);
    const std::size_t length = sequenceLength(lead);
    if (length == 0 || at + length > utf8.size()) {
        return {kReplacement, 1};
    }
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    bool valid = true;
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<std::uint8_t>(utf8[at + k]);
        valid = valid && (next & 0xC0) == 0x80;
        c = (c << 6) | (next & 0x3F);
    }
    const bool overlong = (length == 3 && c < 0x800) || (length == 4 && c < 0x10000);
    if (!valid || overlong || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        return {kReplacement, 1};
    }
    return {c, length};
}

}  // namespace

std::u32string characters(std::string_view utf8) {
    std::u32string result;
    result.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const Decoded decoded = decodeAt(utf8, i);
        result.push_back(decoded.character);
        i += decoded.length;
    }
    return result;
}

bool isUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const Decoded decoded = decodeAt(text, i);
        if (decoded.character == kReplacement && decoded.length == 1) {
            return false;
        }
        i += decoded.length;
    }
    return true;
}

std::string utf8(std::u32string_view characters) {
    std::string result;
    result.reserve(characters.size());
    for (const char32_t c : characters) {
        if (c < 0x80) {
            result.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            result.push_back(static_cast<char>(0xC0 | (c >> 6)));
            result.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            result.push_back(static_cast<char>(0xE0 | (c >> 12)));
            result.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            result.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            result.push_back(static_cast<char>(0xF0 | (c >> 18)));
            result.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            result.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            result.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return result;
}

}  // namespace text
