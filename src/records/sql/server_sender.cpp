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
    // The spool was just found empty. Unless a record has been added since, none waits: a record
    // the sender took before its appender had counted it leaves the count one too high.
    if (!added_) {
        state_.waiting = 0;
    }
    changed_.wait(lock, [this] { return stopping_ || added_; });
    added_ = false;
}

void ServerSender::report(const Fault& fault) {
    const std::lock_guard<std::mutex> lock(mutex_);
    state_.fault = fault.ok() ? Fault{StoreProblem::Other, fault.detail} : fault;
}

void ServerSender::sent(std::int64_t records, std::optional<std::int64_t> storedMsecs,
                        Spool& spool) {
    bool last = false;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        last = state_.waiting <= records;
    }
    // Near the end the spool itself tells how many wait: records another program of this
    // directory put there count too.
    std::optional<std::int64_t> left;
    if (std::int64_t counted = 0; last && spool.count(counted).ok()) {
        left = counted;
    }
    const std::lock_guard<std::mutex> lock(mutex_);
    state_.waiting = left ? *left : std::max<std::int64_t>(0, state_.waiting - records);
    if (storedMsecs) {
        state_.lastStoredMsecs = storedMsecs;
    }
    if (state_.waiting == 0) {
        state_.fault = {};
    }
}

void ServerSender::run() {
    Spool spool(spoolFile_, Spool::Use::Send);
    auto dialect =
        std::make_unique<PostgresDialect>(settingsFile_, PostgresDialect::Role::Sending, breaker_);
    const PostgresDialect& table = *dialect;
    SqlStore server(std::move(dialect), clock_);
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
        Fault fault;
        std::int64_t sentUpTo = 0;  // the last record the server has, not yet removed
        std::int64_t unremoved = 0;
        for (const Spool::Waiting& waiting : batch) {
            if (stopping()) {
                break;
            }
            asking(true);
            const bool stored = server.appendWithSite(waiting.record, waiting.site);
            asking(false);
            if (!stored) {
                const StoreHealth health = server.health();
                fault = {health.problem, health.detail};
                break;
            }
            worked = true;
            sentUpTo = waiting.id;
            ++unremoved;
            if (!table.keyed()) {
                fault = spool.remove(waiting.id);
                if (!fault.ok()) {
                    break;
                }
                unremoved = 0;
                sent(1, server.health().lastStoredMsecs, spool);
            }
        }
        if (unremoved > 0) {
            if (const Fault removed = spool.removeUpTo(sentUpTo); !removed.ok()) {
                fault = removed;
            } else {
                sent(unremoved, server.health().lastStoredMsecs, spool);
            }
        }
        if (fault.ok()) {
            pause = backoff_.first;
            continue;
        }
        report(fault);
        if (worked) {
            worked = false;  // once more at once, on a new connection
        } else {
            rest(pause);
            pause = std::min(pause * 2, backoff_.most);
        }
    }
}

}  // namespace records::sql
