#pragma once

#include <memory>

#include "trend/summary_shelf.h"
#include "trend/trend_rows.h"

namespace platform::qt {

// The trend's reader for the program's working directory: of the table on the PostgreSQL server
// that "records.conf" names when that file is there, otherwise of the SQLite file. The reader is
// made when the maker is called, on the thread that calls it, which it puts in the background
// (inBackground); the paths are taken now.
[[nodiscard]] trend::TrendRowsMaker trendRowsForWorkingDirectory();
// Where the trend keeps its summary of the SQLite file between runs (summaryShelfOf); none for a
// table on the server, which other programs may change.
[[nodiscard]] std::unique_ptr<trend::SummaryShelf> trendShelfForWorkingDirectory();

}  // namespace platform::qt
