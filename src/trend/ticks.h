#pragma once

#include <string>
#include <vector>

#include "trend/record_time.h"

namespace trend {

// A mark on the time axis. `label` names it at the zoom's precision: "2026" for years,
// "2026-03" for months, "03-14" for days, "9:05" for hours and minutes. `context` is what the
// label leaves out ("2026" above days, "2026-03-14" above hours), given at the first mark and
// wherever it changes, empty elsewhere.
struct TimeTick {
    Minute minute = 0;
    std::string label;
    std::string context;
};

// Marks at round times in [from, to], at most `maxTicks` of them, at the finest of these steps
// that keeps to that number: 1, 2, 5, 10, 15 and 30 minutes; 1, 2, 3, 6 and 12 hours; 1, 2, 5,
// 10 and 15 days of the month (counted from the 1st); 1, 2, 3 and 6 months; 1, 2, 5, 10... years.
[[nodiscard]] std::vector<TimeTick> timeTicks(double from, double to, int maxTicks);

// A minute as the records write it, with a blank for the slash: "2026-03-14 9:05".
[[nodiscard]] std::string minuteText(Minute minute);

struct ValueTick {
    double value = 0;
    std::string label;
};

// Marks at round values (1, 2, 2.5 or 5 times a power of ten apart) in [low, high], at most
// `maxTicks` of them, labelled with as many decimals as their step needs. None unless low < high.
[[nodiscard]] std::vector<ValueTick> valueTicks(double low, double high, int maxTicks);

}  // namespace trend
