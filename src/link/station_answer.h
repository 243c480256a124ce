#pragma once

#include <cstdint>
#include <string_view>

namespace seriallink {

// The station number an operator typed into a prompt: its leading number rounded to the nearest
// whole number (halves away from zero). An answer too large or negative to be a station number,
// empty, non-numeric or cancelled gives 0. The caller checks the range 1 to 16.
std::uint8_t stationFromAnswer(std::string_view answer);

}  // namespace seriallink
