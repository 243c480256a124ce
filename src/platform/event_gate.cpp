#include "platform/event_gate.h"

#include <algorithm>
#include <utility>

namespace platform {

void EventGate::run(const std::function<void()>& handler) {
    if (busy_) {
        return;
    }
    runNow(handler);
    drainPending();
}

void EventGate::runDeferred(const void* source, std::function<void()> handler) {
    if (busy_) {
        const bool known = std::any_of(pending_.begin(), pending_.end(),
                                       [source](const Pending& p) { return p.source == source; });
        if (!known) {
            pending_.push_back({source, std::move(handler)});
        }
        return;
    }
    runNow(handler);
    drainPending();
}

void EventGate::dropPending(const void* source) {
    pending_.erase(std::remove_if(pending_.begin(), pending_.end(),
                                  [source](const Pending& p) { return p.source == source; }),
                   pending_.end());
}

void EventGate::runNow(const std::function<void()>& handler) {
    busy_ = true;
    // A handler never lets an exception escape to the event loop; if one does, the gate still
    // opens again so that the program keeps working.
    try {
        handler();
    } catch (...) {
    }
    busy_ = false;
}

void EventGate::drainPending() {
    while (!pending_.empty()) {
        Pending next = std::move(pending_.front());
        pending_.pop_front();
        runNow(next.handler);
    }
}

}  // namespace platform
