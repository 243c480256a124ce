#include "records/export.h"

#include <cstddef>
#include <limits>

#include "records/background_format.h"
#include "records/csv_export.h"
#include "records/record_format.h"
#include "records/xlsx_export.h"

namespace records {

namespace {

constexpr std::int64_t kNoLimit = std::numeric_limits<std::int64_t>::max();

ExportResult tooMany(std::int64_t records) {
    ExportResult result;
    result.records = records;
    result.problem = ExportProblem::TooManyRecords;
    return result;
}

ExportResult unreadable() {
    ExportResult result;
    result.problem = ExportProblem::Store;
    return result;
}

}  // namespace

bool isWorkbookName(std::string_view path) {
    constexpr std::string_view kExtension = ".xlsx";
    if (path.size() < kExtension.size()) {
        return false;
    }
    const std::string_view end = path.substr(path.size() - kExtension.size());
    for (std::size_t i = 0; i < end.size(); ++i) {
        const char c =
            end[i] >= 'A' && end[i] <= 'Z' ? static_cast<char>(end[i] - 'A' + 'a') : end[i];
        if (c != kExtension[i]) {
            return false;
        }
    }
    return true;
}

ExportResult writeRecords(RecordFormat& format, const std::string& path, const RecordWalk& walk,
                          std::int64_t limit) {
    ExportResult result;
    if (!format.begin(path)) {
        format.abandon();
        result.problem = ExportProblem::Destination;
        return result;
    }
    bool added = true;
    bool beyondLimit = false;
    const bool walked = walk([&](std::int64_t, const RecordView& fields) {
        if (result.records == limit) {
            beyondLimit = true;
            return false;
        }
        added = format.add(fields);
        result.records += added ? 1 : 0;
        return added;
    });
    if (beyondLimit) {
        format.abandon();
        return tooMany(limit + 1);
    }
    if (!added || !walked) {
        format.abandon();
        result.problem = added ? ExportProblem::Store : ExportProblem::Destination;
        return result;
    }
    result.written = format.finish();
    result.problem = result.written ? ExportProblem::None : ExportProblem::Destination;
    return result;
}

ExportResult exportWorkbook(Store& store, const RecordFilter& filter, platform::FileWriter& writer,
                            const std::string& path, std::int64_t limit) {
    const std::optional<std::int64_t> count = store.count(filter);
    if (!count) {
        return unreadable();
    }
    if (*count > limit) {
        return tooMany(*count);
    }
    // The workbook's rows take longer to make than the store takes to read: they are made on a
    // thread of their own while the walk reads on.
    WorkbookFile workbook(writer);
    BackgroundFormat background(workbook);
    return writeRecords(
        background, path, [&](const RecordSink& sink) { return store.walk(filter, sink); }, limit);
}

ExportResult exportRecords(Store& store, const RecordFilter& filter, platform::FileWriter& writer,
                           const std::string& path) {
    if (isWorkbookName(path)) {
        return exportWorkbook(store, filter, writer, path);
    }
    CsvFile csv(writer);
    return writeRecords(
        csv, path, [&](const RecordSink& sink) { return store.walk(filter, sink); }, kNoLimit);
}

}  // namespace records
