#include "trend/hover.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "trend/ticks.h"

namespace trend {

namespace {

std::string number(double value, bool exact) {
    char text[48];
    std::snprintf(text, sizeof text, "%.*g", exact ? 10 : 7, value);
    return text;
}

}  // namespace

std::optional<Hit> nearestColumn(const TrendAnswer& answer, Quantity quantity, double minute,
                                 double value, double minutesPerPixel, double valuePerPixel,
                                 double reach) {
    const TimeGrid& grid = answer.grid;
    if (grid.columns <= 0 || !(minutesPerPixel > 0) || !(valuePerPixel > 0)) {
        return std::nullopt;
    }
    const double columnsPerPixel = minutesPerPixel / grid.columnSpan();
    const auto center =
        static_cast<long long>(std::floor((minute - grid.from) / grid.columnSpan()));
    const auto around = static_cast<long long>(std::ceil(reach * columnsPerPixel)) + 1;
    std::optional<Hit> best;
    double bestDistance = reach;
    for (const StationTrend& station : answer.stations) {
        const std::vector<Extent>& columns = station.curves[quantity].columns;
        const auto last = static_cast<long long>(columns.size()) - 1;
        for (long long c = std::max(center - around, 0LL); c <= std::min(center + around, last);
             ++c) {
            const Extent& column = columns[static_cast<std::size_t>(c)];
            if (!column.present) {
                continue;
            }
            const double middle =
                (static_cast<double>(column.firstMinute) + static_cast<double>(column.lastMinute)) /
                2;
            const double across = std::abs(middle - minute) / minutesPerPixel;
            const double up = value < column.low
                                  ? column.low - value
                                  : (value > column.high ? value - column.high : 0.0);
            const double distance = std::hypot(across, up / valuePerPixel);
            if (distance <= bestDistance) {
                bestDistance = distance;
                best = Hit{station.station, column};
            }
        }
    }
    return best;
}

bool recordedAt(const TrendAnswer& answer, Quantity quantity, double minute) {
    const std::optional<int> column = answer.grid.columnOf(minute);
    return column && std::any_of(answer.stations.begin(), answer.stations.end(),
                                 [&](const StationTrend& station) {
                                     const std::vector<Extent>& columns =
                                         station.curves[quantity].columns;
                                     const auto at = static_cast<std::size_t>(*column);
                                     return at < columns.size() && columns[at].present;
                                 });
}

std::string valueText(const Extent& column, bool exact) {
    if (column.low == column.high) {
        return number(column.low, exact);
    }
    return number(column.low, exact) + " ~ " + number(column.high, exact);
}

std::string timeText(const Extent& column) {
    const std::string first = minuteText(column.firstMinute);
    if (column.lastMinute == column.firstMinute) {
        return first;
    }
    const std::string last = minuteText(column.lastMinute);
    const bool sameDay = first.compare(0, 10, last, 0, 10) == 0;
    return first + " ~ " + (sameDay ? last.substr(11) : last);
}

}  // namespace trend
