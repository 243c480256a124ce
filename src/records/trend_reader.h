#pragma once

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "trend/trend_cache.h"
#include "trend/trend_rows.h"

namespace records {

// Reads the records store for the trend window on a thread of its own, with a reader of the store
// made on that thread, so that the window's thread (which polls the meters) only draws. Requests
// are taken up one at a time; a request that waits is replaced by a newer one. A long read for
// stations no longer asked for (a box ticked or cleared meanwhile) stops at its next pause, and
// the newer request is taken up instead. Answers and progress come back as signals on the thread
// that made the reader.
class TrendReader final : public QObject {
    Q_OBJECT

  public:
    // With a shelf, the summary is kept there between runs (see TrendCache).
    explicit TrendReader(trend::TrendRowsMaker maker,
                         std::unique_ptr<trend::SummaryShelf> shelf = nullptr,
                         QObject* parent = nullptr);
    // Stops a read under way at its next pause and waits for the thread.
    ~TrendReader() override;
    TrendReader(const TrendReader&) = delete;
    TrendReader& operator=(const TrendReader&) = delete;

    void request(const trend::TrendRequest& request);
    // Lets go of the summary and of the store: a read under way stops, and the next request
    // reads the store anew.
    void forget();

  signals:
    void answered(std::shared_ptr<const trend::TrendAnswer> answer);
    void failed();
    // How much of a long read is done, in whole percent.
    void progressed(int percent);

  private:
    void run();
    // Whether a request waits.
    bool waiting();
    // Whether a request waits for other stations than these.
    bool askedForOthers(const std::vector<std::int64_t>& stations);

    const trend::TrendRowsMaker maker_;
    const std::unique_ptr<trend::SummaryShelf> shelf_;  // used on the reader's thread only
    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<trend::TrendRequest> pending_;  // guarded by mutex_
    std::atomic<bool> forget_{false};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace records
