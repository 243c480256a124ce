#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "records/export.h"
#include "records/store.h"

namespace records {

// One way of writing records to a file: a heading, the records, the end.
class RecordFormat {
  public:
    virtual ~RecordFormat() = default;
    // Starts the file at `path` and writes the heading.
    [[nodiscard]] virtual bool begin(const std::string& path) = 0;
    [[nodiscard]] virtual bool add(const RecordView& fields) = 0;
    // Completes the file, which then takes the place of one of the same name.
    [[nodiscard]] virtual bool finish() = 0;
    // Drops the file begun: what was at the path stays.
    virtual void abandon() = 0;
};

// Walks the records to a sink; false when the walk could not be made or broke off.
using RecordWalk = std::function<bool(const RecordSink& sink)>;

// Writes what the walk hands over, at most `limit` records: more are TooManyRecords, and the
// file is dropped.
[[nodiscard]] ExportResult writeRecords(RecordFormat& format, const std::string& path,
                                        const RecordWalk& walk, std::int64_t limit);

}  // namespace records
