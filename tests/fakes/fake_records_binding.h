#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/records_binding.h"
#include "records/records_store.h"

namespace fakes {

// An in-memory records binding with the cursor rules of the real one: rows in append order, the
// position goes to the last row on refresh, moving back from the first row leaves it before the
// first row. Every call is logged by operation name ("setField" calls as "setField <name>").
//
// Switches: `storePresent = false` makes every operation fail as with a missing file;
// `failing` names operations that fail ("update", "setField 日期", "newestRows", ...).
class FakeRecordsBinding : public platform::RecordsBinding {
  public:
    using Row = std::map<std::string, platform::FieldValue>;

    explicit FakeRecordsBinding(std::vector<std::string> columns = {records::kFieldNames.begin(),
                                                                    records::kFieldNames.end()})
        : columns(std::move(columns)) {}

    // A record whose fields hold the field name followed by `tag` ("仪表编号" holds `tag`).
    static Row sampleRow(int tag) {
        Row row;
        for (const std::string& name : records::kFieldNames) {
            row[name] = name == records::kFieldNames[0]
                            ? platform::FieldValue{std::int64_t{tag}}
                            : platform::FieldValue{name + std::to_string(tag)};
        }
        return row;
    }
    void addSampleRows(int count) {
        for (int i = 1; i <= count; ++i) {
            rows.push_back(sampleRow(i));
        }
    }

    bool setDatabaseName(const std::string& fileName) override {
        databaseName = fileName;
        return succeeds("setDatabaseName");
    }
    bool setRecordSource(const std::string& table) override {
        recordSource = table;
        return succeeds("setRecordSource");
    }
    bool refresh() override {
        adding = false;
        if (!succeeds("refresh")) {
            return false;
        }
        position = rows.empty() ? std::nullopt : std::optional<std::size_t>(rows.size() - 1);
        return true;
    }
    std::optional<bool> beforeFirst() override {
        if (!succeeds("beforeFirst")) {
            return std::nullopt;
        }
        return !position.has_value();
    }
    bool moveLast() override {
        if (!succeeds("moveLast")) {
            return false;
        }
        position = rows.empty() ? std::nullopt : std::optional<std::size_t>(rows.size() - 1);
        return position.has_value();
    }
    bool movePrevious() override {
        if (!succeeds("movePrevious") || !position) {
            return false;
        }
        position = *position == 0 ? std::nullopt : std::optional<std::size_t>(*position - 1);
        return true;
    }
    std::optional<std::int64_t> recordCount() override {
        if (!succeeds("recordCount")) {
            return std::nullopt;
        }
        return static_cast<std::int64_t>(rows.size());
    }
    bool addNew() override {
        if (!succeeds("addNew")) {
            return false;
        }
        adding = true;
        newRow.clear();
        return true;
    }
    bool setField(const std::string& name, const platform::FieldValue& value) override {
        if (!succeeds("setField " + name) || !adding || !hasColumn(name)) {
            return false;
        }
        newRow[name] = value;
        return true;
    }
    bool update() override {
        const bool wasAdding = std::exchange(adding, false);
        if (!succeeds("update") || !wasAdding) {
            return false;
        }
        rows.push_back(newRow);
        return true;
    }
    std::optional<std::string> fieldText(const std::string& name) override {
        if (!succeeds("fieldText") || !position || !hasColumn(name)) {
            return std::nullopt;
        }
        return textOf(rows[*position], name);
    }
    bool deleteCurrent() override {
        if (!succeeds("deleteCurrent") || !position) {
            return false;
        }
        rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(*position));
        position.reset();
        return true;
    }
    std::optional<std::vector<std::vector<std::string>>> newestRows(
        const std::vector<std::string>& fields, std::size_t limit) override {
        if (!succeeds("newestRows")) {
            return std::nullopt;
        }
        std::vector<std::vector<std::string>> result;
        const std::size_t first = rows.size() > limit ? rows.size() - limit : 0;
        for (std::size_t i = first; i < rows.size(); ++i) {
            std::vector<std::string>& texts = result.emplace_back();
            for (const std::string& field : fields) {
                texts.push_back(textOf(rows[i], field));
            }
        }
        return result;
    }
    bool deleteAll() override {
        if (!succeeds("deleteAll")) {
            return false;
        }
        rows.clear();
        position.reset();
        return true;
    }

    static std::string textOf(const Row& row, const std::string& name) {
        const auto field = row.find(name);
        if (field == row.end()) {
            return {};
        }
        if (const auto* number = std::get_if<std::int64_t>(&field->second)) {
            return std::to_string(*number);
        }
        return std::get<std::string>(field->second);
    }

    std::size_t calls(const std::string& operation) const {
        return static_cast<std::size_t>(std::count(log.begin(), log.end(), operation));
    }

    std::vector<std::string> columns;
    std::vector<Row> rows;
    std::optional<std::size_t> position;  // none: before the first row
    bool storePresent = true;
    std::set<std::string> failing;
    std::vector<std::string> log;
    std::string databaseName;
    std::string recordSource;

  private:
    bool succeeds(const std::string& operation) {
        log.push_back(operation);
        return storePresent && failing.count(operation) == 0;
    }
    bool hasColumn(const std::string& name) const {
        return std::find(columns.begin(), columns.end(), name) != columns.end();
    }

    bool adding = false;
    Row newRow;
};

}  // namespace fakes
