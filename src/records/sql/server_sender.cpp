#include "records/sql/server_sender.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "records/sql/postgres_dialect.h"
#include "records/sql/spool.h"
#include "records/sql/sql_store.h"

namespace records::sql {

namespace {

// Records read from the spool at a time.
constexpr std::size_t kBatch = 64;

}  // namespace

ServerSender::ServerSender(QString settingsFile, QString spoolFile, platform::Clock& clock,
                           Backoff backoff, std::int64_t waiting)
    : settingsFile_(std::move(settingsFile)),
      spoolFile_(std::move(spoolFile)),
      clock_(clock),
      backoff_(backoff),
      breaker_(std::make_shared<ConnectionBreaker>()) {
    state_.waiting = waiting;
    thread_ = std::thread([this] { run(); });
}

ServerSender::~ServerSender() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    breaker_->breakOff();
    thread_.join();
}

void ServerSender::recordAdded() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        added_ = true;
        ++state_.waiting;
    }
    changed_.notify_all();
}

ServerSender::State ServerSender::state() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    State state = state_;
    if (askingSince_ && state.fault.ok()) {
        const auto waited = std::chrono::steady_clock::now() - *askingSince_;
        if (waited >= backoff_.unanswered) {
            const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(waited).count();
            state.fault = {StoreProblem::ServerUnreachable,
                           "no answer from the server for " + std::to_string(seconds) + " s"};
        }
    }
    return state;
}

void ServerSender::asking(bool asking) {
    const std::lock_guard<std::mutex> lock(mutex_);
    askingSince_.reset();
    if (asking) {
        askingSince_ = std::chrono::steady_clock::now();
    }
}

bool ServerSender::stopping() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return stopping_;
}

void ServerSender::rest(std::chrono::milliseconds pause) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait_for(lock, pause, [this] { return stopping_; });
}

void ServerSender::awaitRecords() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return stopping_ || added_; });
    added_ = false;
}

void ServerSender::report(const Fault& fault) {
    const std::lock_guard<std::mutex> lock(mutex_);
    state_.fault = fault.ok() ? Fault{StoreProblem::Other, fault.detail} : fault;
}

void ServerSender::sent(std::optional<std::int64_t> storedMsecs) {
    const std::lock_guard<std::mutex> lock(mutex_);
    state_.waiting = std::max<std::int64_t>(0, state_.waiting - 1);
    if (storedMsecs) {
        state_.lastStoredMsecs = storedMsecs;
    }
    if (state_.waiting == 0) {
        state_.fault = {};
    }
}

void ServerSender::run() {
    Spool spool(spoolFile_);
    SqlStore server(
        std::make_unique<PostgresDialect>(settingsFile_, PostgresDialect::Role::Sending, breaker_),
        clock_);
    std::vector<Spool::Waiting> batch;
    std::chrono::milliseconds pause = backoff_.first;
    bool worked = false;  // the last statement on the server worked
    while (!stopping()) {
        const Fault read = spool.oldest(kBatch, batch);
        if (!read.ok()) {
            report(read);
            rest(pause);
            pause = std::min(pause * 2, backoff_.most);
            continue;
        }
        if (batch.empty()) {
            awaitRecords();
            continue;
        }
        bool failed = false;
        for (const Spool::Waiting& waiting : batch) {
            if (stopping()) {
                return;
            }
            asking(true);
            const bool stored = server.appendWithSite(waiting.record, waiting.site);
            asking(false);
            if (!stored) {
                const StoreHealth health = server.health();
                report({health.problem, health.detail});
                failed = true;
                break;
            }
            worked = true;
            // Should the record stay in the spool after all, it is sent again, and the table's
            // unique key keeps it from being stored twice.
            if (const Fault removed = spool.remove(waiting.id); !removed.ok()) {
                report(removed);
                failed = true;
                break;
            }
            sent(server.health().lastStoredMsecs);
        }
        if (!failed) {
            pause = backoff_.first;
        } else if (worked) {
            worked = false;  // once more at once, on a new connection
        } else {
            rest(pause);
            pause = std::min(pause * 2, backoff_.most);
        }
    }
}

}  // namespace records::sql
