#pragma once

#include <optional>
#include <string_view>

namespace text {

// The number at the start of a text, after leading blanks: optional sign, digits with an optional
// point, optional exponent. Reading stops at the first character that does not fit, so "12a" reads
// as 12 and ".5" as 0.5; a text that starts with no number reads as 0. Nothing when the number lies
// beyond the range of a double. The decimal separator is "." whatever the locale.
std::optional<double> leadingNumber(std::string_view text);

}  // namespace text
