#pragma once

#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

#include "trend/record_time.h"

namespace trend {

// Records more than this many minutes apart are not joined by a line: the bus logs every minute,
// so a longer step means minutes without a record.
inline constexpr Minute kGapMinutes = 2;

struct Point {
    double minute = 0;
    double value = 0;
};

// What one column of a trend holds of one quantity: its lowest and highest value, and the first
// and the last value in time with their minutes. Records of the same minute count in the order
// they are added: the first of them stays first, the last of them becomes last.
struct Extent {
    bool present = false;
    double low = 0;
    double high = 0;
    double first = 0;
    double last = 0;
    Minute firstMinute = 0;
    Minute lastMinute = 0;

    void add(Minute minute, double value);
    // Takes in the records of `other`, as if added after those already here.
    void merge(const Extent& other);
};

// The time span [from, to) cut into `columns` columns of equal span, one per pixel column.
struct TimeGrid {
    double from = 0;
    double to = 0;
    int columns = 0;

    [[nodiscard]] double columnSpan() const { return (to - from) / columns; }
    // The column that holds `minute`; none outside the span.
    [[nodiscard]] std::optional<int> columnOf(double minute) const {
        return columnOf(minute, columnSpan());
    }
    // The same, given columnSpan() worked out before.
    [[nodiscard]] std::optional<int> columnOf(double minute, double span) const;
};

// Columns in a row from the first one a record reaches to the last, each as Extent::add makes
// it: what the records of a short key range reach of a grid, in little more memory than the
// columns they reach.
class ColumnRun {
  public:
    void add(int column, Minute minute, double value);
    // Takes the run into `columns` (one per column of the grid), as if its records were added
    // after those already there.
    void mergeInto(std::vector<Extent>& columns) const;

  private:
    int first_ = 0;  // the column of extents_[0]
    std::vector<Extent> extents_;
};

// The records of one quantity, in any order, gathered into the grid's columns. Records outside
// the grid's span are left out.
[[nodiscard]] std::vector<Extent> columnize(const std::vector<Point>& records,
                                            const TimeGrid& grid);

// The line that draws the columns: in each column its first, lowest, highest and last value
// (a value equal to the one before it is left out), so that a pixel column shows every value its
// records reach. The line is cut into pieces where two records that follow each other lie more
// than `gapMinutes` apart.
[[nodiscard]] std::vector<std::vector<Point>> lineOf(const std::vector<Extent>& columns,
                                                     Minute gapMinutes = kGapMinutes);

// The points of a piece of a line (minutes in order) that draw its part within [from, to): those
// within and one on either side, so that a segment across an edge is drawn. Empty when the piece
// lies wholly outside.
[[nodiscard]] std::pair<std::size_t, std::size_t> drawnPoints(const std::vector<Point>& piece,
                                                              double from, double to);

}  // namespace trend
