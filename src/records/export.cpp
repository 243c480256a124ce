#include "records/export.h"

#include <cstddef>
#include <limits>
#include <vector>

#include "records/csv_export.h"
#include "records/record_format.h"
#include "records/records_store.h"
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

// A binding's walk, handing over each row as the views of a store's walk.
RecordWalk bindingWalk(platform::RecordsBinding& binding, const platform::RowFilter& filter) {
    return [&binding, filter](const RecordSink& sink) {
        const std::vector<std::string> fields(kFieldNames.begin(), kFieldNames.end());
        RecordView view;
        return binding.forEachRow(
            filter, fields, [&](std::int64_t key, const std::vector<std::string>& texts) {
                for (std::size_t i = 0; i < view.size(); ++i) {
                    view[i] = i < texts.size() ? std::string_view(texts[i]) : std::string_view();
                }
                return sink(key, view);
            });
    };
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
    WorkbookFile workbook(writer);
    return writeRecords(
        workbook, path, [&](const RecordSink& sink) { return store.walk(filter, sink); }, limit);
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

ExportResult exportRecords(platform::RecordsBinding& binding, const platform::RowFilter& filter,
                           platform::FileWriter& writer, const std::string& path) {
    const RecordWalk walk = bindingWalk(binding, filter);
    if (!isWorkbookName(path)) {
        CsvFile csv(writer);
        return writeRecords(csv, path, walk, kNoLimit);
    }
    // A binding counts by walking; the count stops once it is known to be too many.
    std::int64_t count = 0;
    const bool counted =
        walk([&count](std::int64_t, const RecordView&) { return ++count <= kWorkbookRecordLimit; });
    if (count > kWorkbookRecordLimit) {
        return tooMany(count);
    }
    if (!counted) {
        return unreadable();
    }
    WorkbookFile workbook(writer);
    return writeRecords(workbook, path, walk, kWorkbookRecordLimit);
}

}  // namespace records
