#pragma once

#include <string>
#include <string_view>

namespace text {

// A decimal digit "0" to "9"; other digits (full-width ones, say) are not.
[[nodiscard]] constexpr bool isDigit(char32_t c) {
    return c >= U'0' && c <= U'9';
}

// The characters of a UTF-8 text, one element each. A byte that starts no valid sequence stands
// for one character of its own (U+FFFD), so that every byte is accounted for.
[[nodiscard]] std::u32string characters(std::string_view utf8);

// The UTF-8 text of a run of characters.
[[nodiscard]] std::string utf8(std::u32string_view characters);

}  // namespace text
