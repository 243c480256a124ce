#pragma once

#include <QString>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/clock.h"
#include "records/sql/store_fault.h"

namespace records::sql {

class ConnectionBreaker;
class Spool;

// How long the sender waits before it tries the server again after a failure: `first`, twice
// that after each further failure, `most` at most. A record the server has not answered for
// `unanswered` shows as the server not answering while the sender goes on waiting for it.
struct Backoff {
    std::chrono::milliseconds first{1000};
    std::chrono::milliseconds most{30000};
    std::chrono::milliseconds unanswered{10000};
};

// Sends the records waiting in the spool to the server, oldest first, on a thread of its own with
// its own connections to the spool and the server. A record leaves the spool only once the
// server has it (stored now, or found there already): each one as soon as it is sent to a table
// without the unique key, so that a stop in between sends at most that one again; the sent
// records of a batch together when the key keeps a record sent again once. After a failure it
// waits (see Backoff), except that a connection that had worked is tried once more at once, with
// a new connection: servers drop idle connections.
class ServerSender {
  public:
    // What the sender knows: the server's problem, when it last took a record, how many wait.
    struct State {
        Fault fault;
        std::optional<std::int64_t> lastStoredMsecs;
        std::int64_t waiting = 0;
    };

    ServerSender(QString settingsFile, QString spoolFile, platform::Clock& clock, Backoff backoff,
                 std::int64_t waiting);
    // Stops the thread; a statement waiting on a server that does not answer is broken off.
    ~ServerSender();
    ServerSender(const ServerSender&) = delete;
    ServerSender& operator=(const ServerSender&) = delete;

    // One more record waits in the spool.
    void recordAdded();
    [[nodiscard]] State state() const;

  private:
    void run();
    bool stopping() const;
    // Waits `pause`, or until the sender stops.
    void rest(std::chrono::milliseconds pause);
    // Waits until a record is added or the sender stops.
    void awaitRecords();
    void report(const Fault& fault);
    void asking(bool asking);
    void sent(std::int64_t records, std::optional<std::int64_t> storedMsecs, Spool& spool);

    const QString settingsFile_;
    const QString spoolFile_;
    platform::Clock& clock_;
    const Backoff backoff_;
    std::shared_ptr<ConnectionBreaker> breaker_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool stopping_ = false;
    bool added_ = false;
    State state_;
    std::optional<std::chrono::steady_clock::time_point> askingSince_;

    std::thread thread_;
};

}  // namespace records::sql
