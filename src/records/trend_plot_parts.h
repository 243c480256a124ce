#pragma once

// What the two halves of the trend plot (trend_plot.cpp: layout and the mouse;
// trend_plot_paint.cpp: the drawing) share. Not exported.

#include <QString>

#include <cstdint>

#include "records/records_store.h"
#include "trend/bucket_summary.h"

namespace records::plot {

inline constexpr int kMargin = 8;
inline constexpr int kValueLabelSpacing = 28;  // pixels per value axis label at most

inline QString quantityName(trend::Quantity q) {
    return QString::fromStdString(q == trend::kFlow ? kFieldNames[3] : kFieldNames[7]);
}

inline QString stationName(std::int64_t station) {
    return QStringLiteral("%1号").arg(station, 2, 10, QLatin1Char('0'));
}

}  // namespace records::plot
