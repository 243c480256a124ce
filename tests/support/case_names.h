#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace testsupport {

// The name of a parameterised case made from a text such as "1200,o,5,1.5", as GoogleTest takes
// names: ASCII letters and digits stay, each run of other characters becomes one underscore, and
// none lead or trail ("1200_o_5_1_5").
inline std::string caseName(std::string_view text) {
    const auto kept = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    };
    std::string name;
    bool gap = false;
    for (const char c : text) {
        if (!kept(c)) {
            gap = !name.empty();
            continue;
        }
        if (gap) {
            name += '_';
            gap = false;
        }
        name += c;
    }
    return name;
}

// Counts the cases of `table` up to case `index` that share its key: 1 for the first case of a
// key, 2 for the second, and so on. Numbers cases that a key alone does not tell apart.
template <typename Case, std::size_t N, typename Key>
std::size_t ordinalAmong(const Case (&table)[N], std::size_t index, Key key) {
    std::size_t ordinal = 0;
    for (std::size_t i = 0; i <= index; ++i) {
        ordinal += key(table[i]) == key(table[index]) ? 1 : 0;
    }
    return ordinal;
}

}  // namespace testsupport
