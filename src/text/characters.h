#pragma once

#include <string>
#include <string_view>

namespace text {

// A decimal digit "0" to "9"; other digits (full-width ones, say) are not.
[[nodiscard]] constexpr bool isDigit(char32_t c) {
    return c >= U'0' && c <= U'9';
}

// A blank inside a line of a settings file: space, tab, or the CR of a CR LF line end.
[[nodiscard]] constexpr bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// The text without the blanks at its two ends.
[[nodiscard]] constexpr std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// The characters of a UTF-8 text, one element each. A byte that starts no valid sequence stands
// for one character of its own (U+FFFD), so that every byte is accounted for.
[[nodiscard]] std::u32string characters(std::string_view utf8);

// Whether every byte of a text belongs to a valid UTF-8 sequence: characters() then finds no
// byte of its own to stand for.
[[nodiscard]] bool isUtf8(std::string_view text);

// The UTF-8 text of a run of characters.
[[nodiscard]] std::string utf8(std::u32string_view characters);

}  // namespace text
