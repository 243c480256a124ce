#pragma once

#include <cstddef>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace text {

// One option read off a command line; "--name=value" and "--name value" read alike.
struct CommandOption {
    std::string name;
    std::optional<std::string> value;
    std::string refusal;  // why the option cannot be taken; empty when it can
};

// Reads the option `arguments[at]`. An option named in `valued` takes a value: the text after
// its "=", or else the next argument, and then `at` moves on to that argument. Any other option
// given with "=" is refused.
[[nodiscard]] CommandOption readCommandOption(const std::vector<std::string>& arguments,
                                              std::size_t& at,
                                              std::initializer_list<std::string_view> valued);

}  // namespace text
