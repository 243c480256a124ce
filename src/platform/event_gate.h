#pragma once

#include <deque>
#include <functional>

namespace platform {

// The one door through which every handler of every window is entered, so that handlers never
// overlap, not even while a handler waits in a modal dialog's nested event loop:
// - a tick, click or focus event that arrives while a handler runs is dropped;
// - a deferred event (port notification, window activation) is kept and run once the running
//   handler has returned; a second one from the same source is folded into the pending one.
class EventGate {
  public:
    void run(const std::function<void()>& handler);
    void runDeferred(const void* source, std::function<void()> handler);
    // Forgets a deferred event of `source` that has not run yet.
    void dropPending(const void* source);

    bool busy() const { return busy_; }

  private:
    struct Pending {
        const void* source;
        std::function<void()> handler;
    };

    void runNow(const std::function<void()>& handler);
    void drainPending();

    bool busy_ = false;
    std::deque<Pending> pending_;
};

}  // namespace platform
