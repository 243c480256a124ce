#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/records_binding.h"

namespace platform::qt {

// What a records binding keeps between calls, whatever holds the table: the record set (the key of
// its newest member and the current row; keys grow as rows are appended) and the row being added.
class RecordSetState {
  public:
    using Row = std::vector<std::pair<QString, QVariant>>;
    // Finds the newest key at most `bound` still in the table (none when there is no such row) in
    // `found`; false when the store cannot say.
    using FindNewestUpTo = std::function<bool(std::int64_t bound, std::optional<std::int64_t>&)>;

    // No record set and no row being added.
    void forget();
    // The record set now ends at `newest` (none: empty), which becomes the current row.
    void refreshed(std::optional<std::int64_t> newest);
    [[nodiscard]] bool beforeFirst() const { return !current_.has_value(); }
    // Moves to the newest row of the record set that is still in the table; false when there is
    // none or the store cannot say.
    [[nodiscard]] bool moveLast(const FindNewestUpTo& findNewestUpTo);
    [[nodiscard]] std::optional<std::int64_t> newestMember() const { return newestMember_; }
    // A row appended through this binding joins the record set at once.
    void appended(std::int64_t key);

    // Starts a new row with no values.
    void beginRow();
    // Drops the row being added, if any.
    void dropRow();
    [[nodiscard]] bool adding() const { return adding_; }
    // Gives a column of the new row its value, the last one given counting; false when no row is
    // being added or the table has no such column.
    [[nodiscard]] bool setField(const QStringList& columns, const std::string& name,
                                const FieldValue& value);
    // Ends the new row and hands over its values in the order their columns were first given.
    [[nodiscard]] Row takeRow();

  private:
    std::optional<std::int64_t> newestMember_;  // none when the record set is empty
    std::optional<std::int64_t> current_;       // none: before the first row
    bool adding_ = false;
    Row newRow_;
};

}  // namespace platform::qt
