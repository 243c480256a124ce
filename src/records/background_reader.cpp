#include "records/background_reader.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <utility>

namespace records {

struct BackgroundReader::Shared {
    StoreMaker makeStore;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Read> reads;  // guarded by mutex
    Deliver deliver;         // guarded by mutex; emptied when the reader goes
    bool reading = false;    // guarded by mutex
    std::atomic<bool> stopping{false};
};

BackgroundReader::BackgroundReader(StoreMaker makeStore, Deliver deliver)
    : shared_(std::make_shared<Shared>()) {
    shared_->makeStore = std::move(makeStore);
    shared_->deliver = std::move(deliver);
    thread_ = std::thread(&BackgroundReader::serve, shared_);
}

BackgroundReader::~BackgroundReader() {
    bool idle = false;
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        shared_->stopping = true;
        shared_->reads.clear();
        shared_->deliver = nullptr;
        idle = !shared_->reading;
    }
    shared_->wake.notify_all();
    // An idle thread ends at once; a read under way may wait on its store for long, so its
    // thread is left to end by itself. It keeps what it uses through its share of `shared_`.
    if (idle) {
        thread_.join();
    } else {
        thread_.detach();
    }
}

void BackgroundReader::submit(Read read) {
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        shared_->reads.push_back(std::move(read));
    }
    shared_->wake.notify_all();
}

void BackgroundReader::serve(const std::shared_ptr<Shared>& shared) {
    std::unique_ptr<Store> store;
    for (;;) {
        Read read;
        {
            std::unique_lock<std::mutex> lock(shared->mutex);
            shared->wake.wait(lock, [&] { return shared->stopping || !shared->reads.empty(); });
            if (shared->stopping) {
                break;
            }
            read = std::move(shared->reads.front());
            shared->reads.pop_front();
            shared->reading = true;
        }
        Outcome outcome;
        // Nothing thrown by a store or a read may end the program; it counts as a failed store.
        try {
            if (!store && shared->makeStore) {
                store = shared->makeStore();
            }
            outcome = read(store.get(), shared->stopping);
        } catch (...) {
            outcome = Outcome{};
            outcome.storeFailed = true;
        }
        if (outcome.storeFailed) {
            store.reset();
        }
        std::lock_guard<std::mutex> lock(shared->mutex);
        shared->reading = false;
        if (shared->deliver && outcome.delivery) {
            shared->deliver(std::move(outcome.delivery));
        }
    }
    store.reset();
}

}  // namespace records
