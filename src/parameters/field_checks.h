#pragma once

#include <optional>
#include <string>

#include "parameters/parameter_set.h"

namespace parameters {

// What a field's check makes of its text.
struct FieldCheck {
    std::string text;                    // the field's text afterwards: empty when rejected
    std::optional<std::string> message;  // the message shown when the entry is rejected
    std::optional<bool> fieldValid;      // whether a write may start; none when the check leaves it
};

// The check a field runs when it loses the focus.
//
// A selection field keeps a text that is exactly one of its options and is emptied otherwise.
// A numeric field accepts its range and form only; the six decimal fields are rewritten in their
// fixed format ("00.0", "000.0", "0.000", "0.0000") and decide whether a write may start (no write
// starts while the decimal field checked last was rejected); the range and frequency fields are
// left as typed and decide nothing. An empty numeric field stays empty and
// passes, except a coefficient, which is rejected.
[[nodiscard]] FieldCheck checkField(Param param, const std::string& text);

}  // namespace parameters
