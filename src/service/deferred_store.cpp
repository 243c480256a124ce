#include "service/deferred_store.h"

#include <utility>

namespace service {

DeferredStore::DeferredStore(Opener open) : open_(std::move(open)) {}

const OpenedStore& DeferredStore::opened() const {
    if (open_) {
        opened_ = open_();
        open_ = nullptr;
    }
    return opened_;
}

bool DeferredStore::append(const records::MeasurementRecord& record) {
    return opened().store->append(record);
}

std::vector<bool> DeferredStore::appendAll(const std::vector<records::MeasurementRecord>& records) {
    return opened().store->appendAll(records);
}

std::optional<std::vector<records::StoredRecord>> DeferredStore::newest(
    const records::RecordFilter& filter, std::size_t limit) {
    return opened().store->newest(filter, limit);
}

std::optional<std::int64_t> DeferredStore::count(const records::RecordFilter& filter) {
    return opened().store->count(filter);
}

bool DeferredStore::walk(const records::RecordFilter& filter, const records::RecordSink& sink) {
    return opened().store->walk(filter, sink);
}

bool DeferredStore::clear() {
    return opened().store->clear();
}

records::StoreHealth DeferredStore::health() const {
    return opened().store->health();
}

}  // namespace service
