#pragma once

#include <string>

#include "frame.h"
#include "meter_settings.h"

namespace meter_sim {

// Applies the data bytes 2..7 of a parameter step 1 to 13 (byte 1) to settings. A field whose
// digits or code are out of range keeps its value; the result names the fields kept, empty
// when everything was taken.
[[nodiscard]] std::string applyStep(const Frame& frame, MeterSettings& settings);

}  // namespace meter_sim
