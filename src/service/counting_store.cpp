#include "service/counting_store.h"

#include <algorithm>

namespace service {

bool CountingStore::append(const records::MeasurementRecord& record) {
    const bool stored = store_->append(record);
    stored_ += stored ? 1 : 0;
    return stored;
}

std::vector<bool> CountingStore::appendAll(const std::vector<records::MeasurementRecord>& records) {
    std::vector<bool> stored = store_->appendAll(records);
    stored_ += std::count(stored.begin(), stored.end(), true);
    return stored;
}

std::optional<std::vector<records::StoredRecord>> CountingStore::newest(
    const records::RecordFilter& filter, std::size_t limit) {
    return store_->newest(filter, limit);
}

std::optional<std::int64_t> CountingStore::count(const records::RecordFilter& filter) {
    return store_->count(filter);
}

bool CountingStore::walk(const records::RecordFilter& filter, const records::RecordSink& sink) {
    return store_->walk(filter, sink);
}

bool CountingStore::clear() {
    return store_->clear();
}

records::StoreHealth CountingStore::health() const {
    return store_->health();
}

}  // namespace service
