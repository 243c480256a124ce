#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
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
// position goes to the last row on refresh. Every call is logged by operation name ("setField"
// calls as "setField <name>") and announced to `onCall` before it runs.
//
// Switches: `storePresent = false` makes every operation fail as with a missing file;
// `failing` names operations that fail ("update", "setField 日期", "newestRows", ...).
// With `forwardTo` set, a call that no switch fails is passed on to that binding instead of
// working on the in-memory rows, so that a test can watch the program on a real store.
class FakeRecordsBinding : public platform::RecordsBinding {
  public:
    using Row = std::map<std::string, platform::FieldValue>;
    using Rows = std::vector<std::vector<std::string>>;
    using Binding = platform::RecordsBinding;

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

    [[nodiscard]] bool setDatabaseName(const std::string& fileName) override {
        databaseName = fileName;
        return answer(
            "setDatabaseName", [] { return true; }, &Binding::setDatabaseName, fileName);
    }
    [[nodiscard]] bool setRecordSource(const std::string& table) override {
        recordSource = table;
        return answer(
            "setRecordSource", [] { return true; }, &Binding::setRecordSource, table);
    }
    [[nodiscard]] bool refresh() override {
        adding = false;
        const auto own = [this] {
            position = lastRow();
            return true;
        };
        return answer("refresh", own, &Binding::refresh);
    }
    [[nodiscard]] std::optional<bool> beforeFirst() override {
        const auto own = [this] { return std::optional<bool>(!position.has_value()); };
        return answer("beforeFirst", own, &Binding::beforeFirst);
    }
    [[nodiscard]] bool moveLast() override {
        const auto own = [this] {
            position = lastRow();
            return position.has_value();
        };
        return answer("moveLast", own, &Binding::moveLast);
    }
    [[nodiscard]] bool addNew() override {
        const auto own = [this] {
            adding = true;
            newRow.clear();
            return true;
        };
        return answer("addNew", own, &Binding::addNew);
    }
    [[nodiscard]] bool setField(const std::string& name,
                                const platform::FieldValue& value) override {
        const auto own = [&] {
            if (!adding || !hasColumn(name)) {
                return false;
            }
            newRow[name] = value;
            return true;
        };
        return answer("setField " + name, own, &Binding::setField, name, value);
    }
    [[nodiscard]] bool update() override {
        const bool wasAdding = std::exchange(adding, false);
        const auto own = [&] {
            if (wasAdding) {
                rows.push_back(newRow);
            }
            return wasAdding;
        };
        return answer("update", own, &Binding::update);
    }
    [[nodiscard]] std::optional<Rows> newestRows(const std::vector<std::string>& fields,
                                                 std::size_t limit) override {
        const auto own = [&] {
            Rows result;
            const std::size_t first = rows.size() > limit ? rows.size() - limit : 0;
            for (std::size_t i = first; i < rows.size(); ++i) {
                std::vector<std::string>& texts = result.emplace_back();
                for (const std::string& field : fields) {
                    texts.push_back(textOf(rows[i], field));
                }
            }
            return std::optional<Rows>(std::move(result));
        };
        return answer("newestRows", own, &Binding::newestRows, fields, limit);
    }
    [[nodiscard]] bool deleteAll() override {
        const auto own = [this] {
            rows.clear();
            position.reset();
            return true;
        };
        return answer("deleteAll", own, &Binding::deleteAll);
    }
    [[nodiscard]] bool forEachRow(const platform::RowFilter& filter,
                                  const std::vector<std::string>& fields,
                                  const platform::RowSink& sink) override {
        const auto own = [&] {
            // A row's key is its place in the table, counted from 1.
            for (std::size_t i =
                     static_cast<std::size_t>(std::max<std::int64_t>(filter.afterKey, 0));
                 i < rows.size(); ++i) {
                const std::string day = textOf(rows[i], "日期").substr(0, 10);
                if ((filter.station &&
                     textOf(rows[i], "仪表编号") != std::to_string(*filter.station)) ||
                    (filter.fromDate && day < *filter.fromDate) ||
                    (filter.toDate && day > *filter.toDate)) {
                    continue;
                }
                std::vector<std::string> texts;
                for (const std::string& field : fields) {
                    texts.push_back(textOf(rows[i], field));
                }
                if (!sink(static_cast<std::int64_t>(i) + 1, texts)) {
                    break;
                }
            }
            return true;
        };
        return answer("forEachRow", own, &Binding::forEachRow, filter, fields, sink);
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
    std::function<void(const std::string& operation)> onCall;
    Binding* forwardTo = nullptr;
    std::string databaseName;
    std::string recordSource;

  private:
    // Logs the call, then fails it by the switches, passes it on to `forwardTo`, or runs `own`.
    template <typename Own, typename Operation, typename... Args>
    auto answer(const std::string& operation, const Own& own, Operation forwarded,
                const Args&... args) -> decltype(own()) {
        log.push_back(operation);
        if (onCall) {
            onCall(operation);
        }
        if (!storePresent || failing.count(operation) != 0) {
            return {};
        }
        return forwardTo ? (forwardTo->*forwarded)(args...) : own();
    }
    std::optional<std::size_t> lastRow() const {
        return rows.empty() ? std::nullopt : std::optional<std::size_t>(rows.size() - 1);
    }
    bool hasColumn(const std::string& name) const {
        return std::find(columns.begin(), columns.end(), name) != columns.end();
    }

    bool adding = false;
    Row newRow;
};

}  // namespace fakes
