#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace text {

// What `assign` says of one key and its value: nothing when taken, otherwise why not.
using KeyValueAssign =
    std::function<std::optional<std::string>(const std::string& key, std::string_view value)>;

// Reads a settings file of "key=value" lines: blank lines and lines starting with '#' are
// skipped, blanks around the key and the value dropped; every key needs a value and may come
// once. Each pair goes to `assign` in the file's order. Returns the first problem as
// "line N: why", or nothing; `keys`, when given, receives the keys read.
[[nodiscard]] std::optional<std::string> readKeyValueLines(
    std::string_view text, const KeyValueAssign& assign, std::vector<std::string>* keys = nullptr);

}  // namespace text
