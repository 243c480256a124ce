#include "trend/decimation.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace trend {

void Extent::add(Minute minute, double value) {
    if (!present) {
        *this = {true, value, value, value, value, minute, minute};
        return;
    }
    low = std::min(low, value);
    high = std::max(high, value);
    if (minute < firstMinute) {
        firstMinute = minute;
        first = value;
    }
    if (minute >= lastMinute) {
        lastMinute = minute;
        last = value;
    }
}

void Extent::merge(const Extent& other) {
    if (!other.present) {
        return;
    }
    if (!present) {
        *this = other;
        return;
    }
    low = std::min(low, other.low);
    high = std::max(high, other.high);
    if (other.firstMinute < firstMinute) {
        firstMinute = other.firstMinute;
        first = other.first;
    }
    if (other.lastMinute >= lastMinute) {
        lastMinute = other.lastMinute;
        last = other.last;
    }
}

std::optional<int> TimeGrid::columnOf(double minute, double span) const {
    if (columns <= 0 || !(minute >= from && minute < to)) {
        return std::nullopt;
    }
    const auto column = static_cast<int>(std::floor((minute - from) / span));
    return std::min(column, columns - 1);
}

void ColumnRun::add(int column, Minute minute, double value) {
    if (extents_.empty()) {
        first_ = column;
    } else if (column < first_) {
        extents_.insert(extents_.begin(), static_cast<std::size_t>(first_ - column), Extent{});
        first_ = column;
    }
    const auto at = static_cast<std::size_t>(column - first_);
    if (at >= extents_.size()) {
        extents_.resize(at + 1);
    }
    extents_[at].add(minute, value);
}

void ColumnRun::mergeInto(std::vector<Extent>& columns) const {
    for (std::size_t i = 0; i < extents_.size(); ++i) {
        columns[static_cast<std::size_t>(first_) + i].merge(extents_[i]);
    }
}

std::vector<Extent> columnize(const std::vector<Point>& records, const TimeGrid& grid) {
    std::vector<Extent> columns(static_cast<std::size_t>(std::max(grid.columns, 0)));
    const double span = grid.columnSpan();
    for (const Point& record : records) {
        if (const std::optional<int> column = grid.columnOf(record.minute, span)) {
            columns[static_cast<std::size_t>(*column)].add(static_cast<Minute>(record.minute),
                                                           record.value);
        }
    }
    return columns;
}

std::vector<std::vector<Point>> lineOf(const std::vector<Extent>& columns, Minute gapMinutes) {
    std::vector<std::vector<Point>> pieces;
    const Extent* previous = nullptr;
    for (const Extent& column : columns) {
        if (!column.present) {
            continue;
        }
        if (!previous || column.firstMinute - previous->lastMinute > gapMinutes) {
            pieces.emplace_back();
        }
        previous = &column;
        std::vector<Point>& piece = pieces.back();
        const auto put = [&piece](double minute, double value) {
            if (piece.empty() || piece.back().minute != minute || piece.back().value != value) {
                piece.push_back({minute, value});
            }
        };
        const auto firstMinute = static_cast<double>(column.firstMinute);
        const auto lastMinute = static_cast<double>(column.lastMinute);
        const double middle = (firstMinute + lastMinute) / 2;
        put(firstMinute, column.first);
        // Down to the lowest and up to the highest, or the other way, as the column ends higher
        // or lower than it began.
        if (column.last >= column.first) {
            put(middle, column.low);
            put(middle, column.high);
        } else {
            put(middle, column.high);
            put(middle, column.low);
        }
        put(lastMinute, column.last);
    }
    return pieces;
}

std::pair<std::size_t, std::size_t> drawnPoints(const std::vector<Point>& piece, double from,
                                                double to) {
    if (piece.empty() || piece.back().minute < from || piece.front().minute >= to) {
        return {0, 0};
    }
    const auto before = [](const Point& p, double minute) { return p.minute < minute; };
    const auto first = std::lower_bound(piece.begin(), piece.end(), from, before);
    const auto last = std::lower_bound(first, piece.end(), to, before);
    const auto begin = static_cast<std::size_t>(first - piece.begin());
    const auto end = static_cast<std::size_t>(last - piece.begin());
    return {begin > 0 ? begin - 1 : 0, std::min(end + 1, piece.size())};
}

}  // namespace trend
