#include "text/command_option.h"

#include <algorithm>

namespace text {

CommandOption readCommandOption(const std::vector<std::string>& arguments, std::size_t& at,
                                std::initializer_list<std::string_view> valued) {
    CommandOption option{arguments[at], std::nullopt, {}};
    if (const auto equals = option.name.find('=');
        option.name.rfind("--", 0) == 0 && equals != std::string::npos) {
        option.value = option.name.substr(equals + 1);
        option.name.erase(equals);
    }
    const bool takesValue = std::find(valued.begin(), valued.end(), option.name) != valued.end();
    if (takesValue && !option.value) {
        if (at + 1 >= arguments.size()) {
            option.refusal = "option '" + option.name + "' needs a value";
        } else {
            option.value = arguments[++at];
        }
    } else if (!takesValue && option.value) {
        option.refusal = "unrecognized option '" + arguments[at] + "'";
    }
    return option;
}

}  // namespace text
