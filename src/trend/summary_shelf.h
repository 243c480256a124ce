#pragma once

#include <functional>

#include "trend/summary_bytes.h"

namespace trend {

// Where the summary of a records store is kept between runs of the program, so that a trend opens
// without reading every record again.
class SummaryShelf {
  public:
    virtual ~SummaryShelf() = default;

    // Gives the kept bytes to `read`; false when none are kept, they cannot be read, or `read`
    // refused them.
    [[nodiscard]] virtual bool load(const std::function<bool(const ByteSource&)>& read) = 0;
    // Keeps what `write` gives in place of what was kept, all or nothing: the old bytes stay when
    // `write` fails.
    [[nodiscard]] virtual bool save(const std::function<bool(const ByteSink&)>& write) = 0;
};

}  // namespace trend
