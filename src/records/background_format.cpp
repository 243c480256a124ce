#include "records/background_format.h"

#include <system_error>
#include <utility>

namespace records {

namespace {

// Records to a batch, and the batches that may wait for the thread: enough to keep it busy
// while the store is read, few enough to keep the memory small.
constexpr std::size_t kBatchRecords = 1024;
constexpr std::size_t kMostWaiting = 4;

}  // namespace

BackgroundFormat::BackgroundFormat(RecordFormat& format) : format_(format) {}

BackgroundFormat::~BackgroundFormat() {
    stop(false);
}

bool BackgroundFormat::begin(const std::string& path) {
    stop(false);
    filling_.bytes.clear();
    filling_.ends.clear();
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        waiting_.clear();
        stopping_ = false;
        dropping_ = false;
        refused_ = false;
    }
    if (!format_.begin(path)) {
        return false;
    }
    try {
        thread_ = std::thread([this] { format(); });
    } catch (const std::system_error&) {
        // The records are formatted on the caller's thread instead.
    }
    return true;
}

bool BackgroundFormat::add(const RecordView& fields) {
    if (!thread_.joinable()) {
        return format_.add(fields);
    }
    for (const std::string_view field : fields) {
        filling_.bytes.append(field);
        filling_.ends.push_back(filling_.bytes.size());
    }
    return filling_.ends.size() < kBatchRecords * kFieldCount || handOver();
}

bool BackgroundFormat::finish() {
    if (thread_.joinable() && !handOver()) {
        abandon();
        return false;
    }
    stop(true);
    bool refused = false;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        refused = refused_;
    }
    if (refused) {
        format_.abandon();
        return false;
    }
    return format_.finish();
}

void BackgroundFormat::abandon() {
    stop(false);
    format_.abandon();
}

bool BackgroundFormat::handOver() {
    std::unique_lock<std::mutex> lock(mutex_);
    taken_.wait(lock, [this] { return waiting_.size() < kMostWaiting || refused_; });
    if (refused_) {
        return false;
    }
    waiting_.push_back(std::move(filling_));
    if (spare_.empty()) {
        filling_ = {};
    } else {
        filling_ = std::move(spare_.back());
        spare_.pop_back();
    }
    lock.unlock();
    toFormat_.notify_one();
    return true;
}

void BackgroundFormat::stop(bool formatWaiting) {
    if (!thread_.joinable()) {
        return;
    }
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        dropping_ = !formatWaiting;
    }
    toFormat_.notify_one();
    thread_.join();
}

void BackgroundFormat::format() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        toFormat_.wait(lock, [this] { return !waiting_.empty() || stopping_; });
        if (waiting_.empty() || dropping_ || refused_) {
            return;
        }
        Batch batch = std::move(waiting_.front());
        waiting_.pop_front();
        lock.unlock();
        taken_.notify_one();
        bool added = true;
        RecordView fields;
        std::size_t start = 0;
        for (std::size_t i = 0; i < batch.ends.size() && added; i += kFieldCount) {
            for (std::size_t field = 0; field < kFieldCount; ++field) {
                const std::size_t end = batch.ends[i + field];
                fields[field] = std::string_view(batch.bytes).substr(start, end - start);
                start = end;
            }
            added = format_.add(fields);
        }
        batch.bytes.clear();
        batch.ends.clear();
        lock.lock();
        spare_.push_back(std::move(batch));
        if (!added) {
            refused_ = true;
            taken_.notify_all();
        }
    }
}

}  // namespace records
