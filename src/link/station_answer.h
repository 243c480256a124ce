#pragma once

#include <cstdint>
#include <string_view>

namespace seriallink {

// The number a text spells from its start, read as a decimal number: leading blanks skipped, an
// optional sign, digits, an optional point and digits, an optional exponent. Reading stops at the
// first character that does not fit; a text that does not start with a number gives 0.
double leadingNumber(std::string_view text);

// The station number an operator typed into a prompt: its leading number rounded to the nearest
// whole number (halves away from zero). An answer too large or negative to be a station number,
// empty, non-numeric or cancelled gives 0. The caller checks the range 1 to 16.
std::uint8_t stationFromAnswer(std::string_view answer);

}  // namespace seriallink
