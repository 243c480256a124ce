#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "records/store.h"

namespace records {

// Runs reads of the records store one after another on a thread of its own, so that a store that
// is slow to answer (a server that has gone away) never holds up the thread that asks. The store
// is made on the reading thread at the first read, and made again for the read after one that
// found it failing, so that a store that comes back is read again.
class BackgroundReader {
  public:
    // What a read leaves to be done on the asking thread.
    using Delivery = std::function<void()>;
    // Carries a delivery over to the asking thread; called on the reading thread.
    using Deliver = std::function<void(Delivery)>;

    struct Outcome {
        Delivery delivery;
        bool storeFailed = false;  // the store is made anew for the next read
    };
    // A read gets the store (none when none could be made) and a flag that is set once the reader
    // is being destroyed, at which a long read may stop early.
    using Read = std::function<Outcome(Store* store, const std::atomic<bool>& stopping)>;

    BackgroundReader(StoreMaker makeStore, Deliver deliver);
    // Drops the reads not yet begun and never waits for one that runs: that one ends on its
    // thread, its delivery dropped, and the store is destroyed there.
    ~BackgroundReader();

    BackgroundReader(const BackgroundReader&) = delete;
    BackgroundReader& operator=(const BackgroundReader&) = delete;

    void submit(Read read);

  private:
    struct Shared;
    static void serve(const std::shared_ptr<Shared>& shared);

    std::shared_ptr<Shared> shared_;
    std::thread thread_;
};

}  // namespace records
