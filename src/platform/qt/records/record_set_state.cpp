#include "platform/qt/records/record_set_state.h"

#include <algorithm>
#include <type_traits>
#include <variant>

namespace platform::qt {

namespace {

QVariant toVariant(const FieldValue& value) {
    return std::visit(
        [](const auto& v) -> QVariant {
            if constexpr (std::is_same_v<std::decay_t<decltype(v)>, std::int64_t>) {
                return QVariant::fromValue<qlonglong>(v);
            } else {
                return QString::fromStdString(v);
            }
        },
        value);
}

}  // namespace

void RecordSetState::forget() {
    newestMember_.reset();
    current_.reset();
    dropRow();
}

void RecordSetState::refreshed(std::optional<std::int64_t> newest) {
    newestMember_ = newest;
    current_ = newest;
}

bool RecordSetState::moveLast(const FindNewestUpTo& findNewestUpTo) {
    if (!newestMember_) {
        return false;  // and there is no current row either
    }
    // Rows up to the newest member may have been deleted meanwhile.
    std::optional<std::int64_t> last;
    if (!findNewestUpTo(*newestMember_, last)) {
        return false;
    }
    current_ = last;
    return current_.has_value();
}

void RecordSetState::appended(std::int64_t key) {
    newestMember_ = newestMember_ ? std::max(*newestMember_, key) : key;
}

void RecordSetState::beginRow() {
    adding_ = true;
    newRow_.clear();
}

void RecordSetState::dropRow() {
    adding_ = false;
    newRow_.clear();
}

bool RecordSetState::setField(const QStringList& columns, const std::string& name,
                              const FieldValue& value) {
    const QString column = QString::fromStdString(name);
    if (!adding_ || !columns.contains(column)) {
        return false;
    }
    const auto same = [&column](const auto& entry) { return entry.first == column; };
    const auto existing = std::find_if(newRow_.begin(), newRow_.end(), same);
    if (existing != newRow_.end()) {
        existing->second = toVariant(value);
    } else {
        newRow_.emplace_back(column, toVariant(value));
    }
    return true;
}

RecordSetState::Row RecordSetState::takeRow() {
    adding_ = false;
    Row row;
    row.swap(newRow_);
    return row;
}

}  // namespace platform::qt
