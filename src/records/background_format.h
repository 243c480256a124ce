#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "records/record_format.h"

namespace records {

// A record format that formats on a thread of its own, so that reading the store and formatting
// run side by side: add() only copies the record's fields into a batch, and the thread hands the
// batches' records on to the wrapped format in their order. The wrapped format is used by one
// thread at a time: begin, finish and abandon on the caller's, add on the formatting thread in
// between. A record the wrapped format refuses fails a later add(), or finish(). Without a
// thread to be had, records go to the wrapped format at once.
class BackgroundFormat final : public RecordFormat {
  public:
    explicit BackgroundFormat(RecordFormat& format);
    // Drops what was not yet formatted and stops the thread.
    ~BackgroundFormat() override;
    BackgroundFormat(const BackgroundFormat&) = delete;
    BackgroundFormat& operator=(const BackgroundFormat&) = delete;

    bool begin(const std::string& path) override;
    bool add(const RecordView& fields) override;
    // Waits for every record to be formatted, then finishes the wrapped format.
    bool finish() override;
    void abandon() override;

  private:
    struct Batch {
        std::string bytes;              // the fields' texts one after the other
        std::vector<std::size_t> ends;  // where each field ends, kFieldCount to a record
    };

    void format();
    // Hands the batch in hand to the thread; waits while enough are waiting. False once the
    // wrapped format has refused a record.
    [[nodiscard]] bool handOver();
    // Stops the thread: after the batches waiting, or dropping them.
    void stop(bool formatWaiting);

    RecordFormat& format_;
    Batch filling_;
    std::mutex mutex_;
    std::condition_variable toFormat_;
    std::condition_variable taken_;
    std::deque<Batch> waiting_;  // guarded by mutex_, the oldest first
    std::vector<Batch> spare_;   // guarded by mutex_: emptied batches whose memory is reused
    bool stopping_ = false;      // guarded by mutex_
    bool dropping_ = false;      // guarded by mutex_
    bool refused_ = false;       // guarded by mutex_
    std::thread thread_;
};

}  // namespace records
