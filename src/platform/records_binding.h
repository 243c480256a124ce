#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace platform {

using FieldValue = std::variant<std::int64_t, std::string>;

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
};

}  // namespace platform
