#pragma once

#include "trend/trend_rows.h"

namespace platform::qt {

// The niceness a thread that reads for the trend takes: the window's thread, which polls the
// meters, gets the processor first whenever both want it; idle processors still read at full
// speed.
inline constexpr int kBackgroundNiceness = 10;

// Makes the readers of `maker` in the background: the thread that calls the maker made here (the
// thread that is going to read) first lowers itself to kBackgroundNiceness, where the system
// lets a thread do so (Linux); elsewhere it stays as it is.
[[nodiscard]] trend::TrendRowsMaker inBackground(trend::TrendRowsMaker maker);

}  // namespace platform::qt
