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

    virtual bool setDatabaseName(const std::string& fileName) = 0;
    virtual bool setRecordSource(const std::string& table) = 0;
    // Re-reads the table; the position goes back to the last row (before-first when empty).
    virtual bool refresh() = 0;

    // True before the first row, and for an empty record set.
    virtual std::optional<bool> beforeFirst() = 0;
    virtual bool moveLast() = 0;

    // Starts a new row; setField fills it and update appends it to the table as one transaction.
    virtual bool addNew() = 0;
    virtual bool setField(const std::string& name, const FieldValue& value) = 0;
    virtual bool update() = 0;

    // Set-based work for large tables. newestRows returns up to `limit` rows, oldest first, each
    // as the texts of `fields` in that order; deleteAll empties the table in one transaction.
    virtual std::optional<std::vector<std::vector<std::string>>> newestRows(
        const std::vector<std::string>& fields, std::size_t limit) = 0;
    virtual bool deleteAll() = 0;
};

}  // namespace platform
