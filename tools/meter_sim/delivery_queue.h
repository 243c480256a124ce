#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fault_injector.h"

namespace meter_sim {

// Bytes due on the line, with the description the log gives them.
struct Delivery {
    std::vector<std::uint8_t> bytes;
    std::string label;
};

// Holds replies until they are due: after the reply delay, after the gap of a split, or (for a
// late reply) once the next poll has begun.
class DeliveryQueue {
  public:
    // Queues the chunks of plan, the first due at dueUs. A late plan waits for releaseLate().
    void schedule(const DeliveryPlan& plan, std::int64_t dueUs, const std::string& label);

    // The next poll has begun: late replies become due now.
    void releaseLate(std::int64_t nowUs);

    // Removes and returns the deliveries due at nowUs, in the order they fall due.
    [[nodiscard]] std::vector<Delivery> takeDue(std::int64_t nowUs);

    [[nodiscard]] std::optional<std::int64_t> nextDueUs() const;
    [[nodiscard]] bool empty() const { return timed_.empty() && late_.empty(); }

  private:
    struct Timed {
        std::int64_t dueUs;
        std::uint64_t order;
        Delivery delivery;
    };
    struct Held {
        DeliveryPlan plan;
        std::string label;
    };

    void add(const DeliveryPlan& plan, std::int64_t dueUs, const std::string& label);

    std::vector<Timed> timed_;
    std::vector<Held> late_;
    std::uint64_t nextOrder_ = 0;
};

}  // namespace meter_sim
