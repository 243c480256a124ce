#pragma once

#include <optional>
#include <string_view>

namespace trend {

// A value of a record as the trend draws it: none for an empty text (the display was blank),
// otherwise the number at its start as text::leadingNumber reads it ("+1234.56m3/h" is 1234.56,
// a text without a number 0). The plain form of the displays (sign, up to fifteen digits and a
// point) is read here directly, with the same result.
[[nodiscard]] std::optional<double> recordValue(std::string_view text);

}  // namespace trend
