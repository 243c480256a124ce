#include "text/key_value_lines.h"

#include <algorithm>

#include "text/characters.h"

namespace text {

std::optional<std::string> readKeyValueLines(std::string_view text, const KeyValueAssign& assign,
                                             std::vector<std::string>* keys) {
    std::vector<std::string> seen;
    int lineNumber = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = trimBlanks(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNumber;
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const auto fail = [lineNumber](const std::string& why) {
            return "line " + std::to_string(lineNumber) + ": " + why;
        };
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            return fail("not key=value");
        }
        const std::string key(trimBlanks(line.substr(0, equals)));
        const std::string_view value = trimBlanks(line.substr(equals + 1));
        if (value.empty()) {
            return fail("no value for \"" + key + "\"");
        }
        if (std::find(seen.begin(), seen.end(), key) != seen.end()) {
            return fail("\"" + key + "\" given twice");
        }
        seen.push_back(key);
        if (const std::optional<std::string> problem = assign(key, value)) {
            return fail(*problem);
        }
    }
    if (keys != nullptr) {
        *keys = std::move(seen);
    }
    return std::nullopt;
}

}  // namespace text
