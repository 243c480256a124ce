#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "trend/decimation.h"
#include "trend/trend_cache.h"

namespace trend {

// What lies under the mouse in one quantity's plot: the column of a station nearest to the
// pointer.
struct Hit {
    std::int64_t station = 0;
    Extent column;
};

// The station's column nearest to the pointer at (`minute`, `value`), among the columns of the
// answer's grid within `reach` pixels of it; distances count in pixels, one pixel being
// `minutesPerPixel` across and `valuePerPixel` up. A column that reaches from below the pointer
// to above it is at no distance upwards. None when no column is that near.
[[nodiscard]] std::optional<Hit> nearestColumn(const TrendAnswer& answer, Quantity quantity,
                                               double minute, double value, double minutesPerPixel,
                                               double valuePerPixel, double reach);

// Whether one of the answer's stations has a record of `quantity` in the grid's column of
// `minute`: the pointer may be far from every line at a time that has records.
[[nodiscard]] bool recordedAt(const TrendAnswer& answer, Quantity quantity, double minute);

// The values of a column: "1234.56" for one value, "1200.5 ~ 1589.25" for a range; with 10
// significant digits when the values are exact, with 7 when they come from a summary.
[[nodiscard]] std::string valueText(const Extent& column, bool exact);

// The minutes of a column's records: "2026-03-14 9:58", "2026-03-14 8:00 ~ 15:59" within a day,
// "2026-03-14 8:00 ~ 2026-03-15 7:59" across days.
[[nodiscard]] std::string timeText(const Extent& column);

}  // namespace trend
