#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace platform {

using FieldValue = std::variant<std::int64_t, std::string>;

// Which rows a walk through the whole table takes.
struct RowFilter {
    std::optional<std::int64_t> station;  // "仪表编号"
    std::optional<std::string> fromDate;  // "yyyy-MM-dd": rows whose "日期" begins on it or later
    std::optional<std::string> toDate;    // ... on it or earlier
    std::int64_t afterKey = 0;            // only rows appended after the row of this key
};

// Gets each row of a walk: its key (growing with the order of appending) and the texts of the
// fields asked for. Returns false to stop the walk.
using RowSink = std::function<bool(std::int64_t key, const std::vector<std::string>& texts)>;

// A record-set cursor over one table of the records store, in the order the rows were appended.
// Every operation reports failure (file or table missing, file locked, field missing) through its
// result. The binding never creates the store file.
class RecordsBinding {
  public:
    virtual ~RecordsBinding() = default;

    [[nodiscard]] virtual bool setDatabaseName(const std::string& fileName) = 0;
    [[nodiscard]] virtual bool setRecordSource(const std::string& table) = 0;
    // Re-reads the table; the position goes back to the last row (before-first when empty).
    [[nodiscard]] virtual bool refresh() = 0;

    // True before the first row, and for an empty record set.
    [[nodiscard]] virtual std::optional<bool> beforeFirst() = 0;
    [[nodiscard]] virtual bool moveLast() = 0;

    // Starts a new row; setField fills it and update appends it to the table as one transaction.
    [[nodiscard]] virtual bool addNew() = 0;
    [[nodiscard]] virtual bool setField(const std::string& name, const FieldValue& value) = 0;
    [[nodiscard]] virtual bool update() = 0;

    // Set-based work for large tables. newestRows returns up to `limit` rows, oldest first, each
    // as the texts of `fields` in that order; deleteAll empties the table in one transaction.
    [[nodiscard]] virtual std::optional<std::vector<std::vector<std::string>>> newestRows(
        const std::vector<std::string>& fields, std::size_t limit) = 0;
    [[nodiscard]] virtual bool deleteAll() = 0;
    // Every row that matches, oldest first, one at a time, so that any number of rows passes
    // through in little memory. False when the walk could not be made.
    [[nodiscard]] virtual bool forEachRow(const RowFilter& filter,
                                          const std::vector<std::string>& fields,
                                          const RowSink& sink) = 0;
};

}  // namespace platform
