#include "records/csv_export.h"

#include <cstddef>

#include "records/records_store.h"
#include "text/characters.h"

namespace records {

namespace {

// Positions of the shown values among the stored fields, and the unit a velocity is shown in.
constexpr std::size_t kFlow = 3;
constexpr std::size_t kPercent = 4;
constexpr std::size_t kVelocity = 6;
constexpr std::size_t kForward = 7;
constexpr std::size_t kReverse = 8;
const char* const kVelocityUnit = "m/s";

constexpr std::size_t kFlushBytes = 1 << 16;

std::string quoted(const std::string& field) {
    if (field.find_first_of(",\"\r\n") == std::string::npos) {
        return field;
    }
    std::string text = "\"";
    for (const char c : field) {
        text += c;
        if (c == '"') {
            text += '"';
        }
    }
    return text + '"';
}

std::string joined(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            line += ',';
        }
        line += quoted(fields[i]);
    }
    return line + "\r\n";
}

bool isNumberPart(char c) {
    return text::isDigit(c) || c == '.' || c == '+' || c == '-';
}

}  // namespace

std::pair<std::string, std::string> splitNumber(const std::string& text) {
    std::size_t end = 0;
    while (end < text.size() && isNumberPart(text[end])) {
        ++end;
    }
    return {text.substr(0, end), text.substr(end)};
}

std::string csvHeading() {
    std::vector<std::string> names(kFieldNames.begin(), kFieldNames.end());
    for (const char* value : {"瞬时流量", "百分比", "流速", "正向累计", "反向累计"}) {
        names.push_back(std::string(value) + "数值");
        names.push_back(std::string(value) + "单位");
    }
    return "\xEF\xBB\xBF" + joined(names);
}

std::string csvLine(const std::vector<std::string>& texts) {
    std::vector<std::string> fields = texts;
    fields.resize(kFieldNames.size());
    for (const std::size_t i : {kFlow, kPercent, kVelocity, kForward, kReverse}) {
        auto [number, unit] = splitNumber(texts.size() > i ? texts[i] : std::string());
        if (i == kVelocity && !number.empty()) {
            unit = kVelocityUnit;
        }
        fields.push_back(number);
        fields.push_back(unit);
    }
    return joined(fields);
}

ExportResult exportRecords(platform::RecordsBinding& binding, const platform::RowFilter& filter,
                           platform::FileWriter& writer, const std::string& path) {
    ExportResult result;
    if (!writer.begin(path)) {
        return result;
    }
    std::string pending = csvHeading();
    bool appended = true;
    const std::vector<std::string> fields(kFieldNames.begin(), kFieldNames.end());
    const bool walked = binding.forEachRow(
        filter, fields, [&](std::int64_t, const std::vector<std::string>& texts) {
            pending += csvLine(texts);
            ++result.records;
            if (pending.size() >= kFlushBytes) {
                appended = writer.append(pending);
                pending.clear();
            }
            return appended;
        });
    result.written = walked && appended && writer.append(pending) && writer.finish();
    return result;
}

ExportResult exportRecords(Store& store, const RecordFilter& filter, platform::FileWriter& writer,
                           const std::string& path) {
    ExportResult result;
    if (!writer.begin(path)) {
        return result;
    }
    std::string pending = csvHeading();
    bool appended = true;
    std::vector<std::string> texts(kFieldCount);
    const bool walked = store.walk(filter, [&](std::int64_t, const RecordView& fields) {
        texts.assign(fields.begin(), fields.end());
        pending += csvLine(texts);
        ++result.records;
        if (pending.size() >= kFlushBytes) {
            appended = writer.append(pending);
            pending.clear();
        }
        return appended;
    });
    result.written = walked && appended && writer.append(pending) && writer.finish();
    return result;
}

}  // namespace records
