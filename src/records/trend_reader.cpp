#include "records/trend_reader.h"

#include <memory>
#include <utility>

namespace records {

TrendReader::TrendReader(trend::TrendRowsMaker maker, std::unique_ptr<trend::SummaryShelf> shelf,
                         QObject* parent)
    : QObject(parent),
      maker_(std::move(maker)),
      shelf_(std::move(shelf)),
      thread_([this] { run(); }) {}

TrendReader::~TrendReader() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void TrendReader::request(const trend::TrendRequest& request) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_ = request;
    }
    wake_.notify_one();
}

void TrendReader::forget() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_.reset();
        forget_ = true;
    }
    wake_.notify_one();
}

bool TrendReader::waiting() {
    std::lock_guard<std::mutex> lock(mutex_);
    return pending_.has_value();
}

bool TrendReader::askedForOthers(const std::vector<std::int64_t>& stations) {
    std::lock_guard<std::mutex> lock(mutex_);
    return pending_ && pending_->stations != stations;
}

void TrendReader::run() {
    std::unique_ptr<trend::TrendRows> rows;
    std::unique_ptr<trend::TrendCache> cache;
    for (;;) {
        trend::TrendRequest request;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return stop_ || forget_ || pending_; });
            if (stop_) {
                return;
            }
            if (forget_) {
                forget_ = false;
                cache.reset();
                rows.reset();
            }
            if (!pending_) {
                continue;
            }
            request = std::move(*pending_);
            pending_.reset();
        }
        if (!rows) {
            rows = maker_();
            // A long first read is shared with a helper thread that makes a reader of its own.
            cache = std::make_unique<trend::TrendCache>(*rows, trend::TrendCache::Options{}, maker_,
                                                        shelf_.get());
        }
        // Kept after an answer, while the window draws. A request that comes meanwhile (the user
        // zooms at once, or the window refreshes) does not wait for the writing: it is begun again
        // after that request.
        const auto keep = [this, &cache] {
            cache->keep([this] { return !waiting(); });
        };
        // A view asked for again (the window's refresh) of a store that has not changed since is
        // drawn already.
        if (cache->unchanged(request)) {
            keep();
            continue;
        }
        int reported = -1;
        bool superseded = false;
        const auto progress = [this, &reported, &superseded, &request](double done) {
            const int percent = static_cast<int>(done * 100);
            if (percent != reported) {
                reported = percent;
                QMetaObject::invokeMethod(
                    this, [this, percent] { emit progressed(percent); }, Qt::QueuedConnection);
            }
            superseded = superseded || askedForOthers(request.stations);
            return !stop_ && !forget_ && !superseded;
        };
        std::optional<trend::TrendAnswer> read = cache->answer(request, progress);
        if (stop_ || forget_ || superseded) {
            continue;
        }
        if (read) {
            // Handed over whole: the window's thread copies nothing.
            auto answer = std::make_shared<const trend::TrendAnswer>(std::move(*read));
            QMetaObject::invokeMethod(
                this, [this, answer] { emit answered(answer); }, Qt::QueuedConnection);
            keep();
        } else {
            QMetaObject::invokeMethod(
                this, [this] { emit failed(); }, Qt::QueuedConnection);
        }
    }
}

}  // namespace records
