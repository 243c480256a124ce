#include "delivery_queue.h"

#include <algorithm>

namespace meter_sim {

void DeliveryQueue::add(const DeliveryPlan& plan, std::int64_t dueUs, const std::string& label) {
    for (std::size_t i = 0; i < plan.chunks.size(); ++i) {
        std::string chunkLabel = label;
        if (plan.chunks.size() > 1) {
            chunkLabel += " (part " + std::to_string(i + 1) + " of " +
                          std::to_string(plan.chunks.size()) + ")";
        }
        timed_.push_back(
            {dueUs + plan.chunks[i].afterUs, nextOrder_++, {plan.chunks[i].bytes, chunkLabel}});
    }
}

void DeliveryQueue::schedule(const DeliveryPlan& plan, std::int64_t dueUs,
                             const std::string& label) {
    if (plan.dropped) {
        return;
    }
    if (plan.late) {
        late_.push_back({plan, label});
        return;
    }
    add(plan, dueUs, label);
}

void DeliveryQueue::releaseLate(std::int64_t nowUs) {
    for (const auto& held : late_) {
        add(held.plan, nowUs, held.label);
    }
    late_.clear();
}

std::vector<Delivery> DeliveryQueue::takeDue(std::int64_t nowUs) {
    std::vector<Timed> due;
    auto firstLater = std::stable_partition(timed_.begin(), timed_.end(),
                                            [nowUs](const Timed& t) { return t.dueUs <= nowUs; });
    due.assign(std::make_move_iterator(timed_.begin()), std::make_move_iterator(firstLater));
    timed_.erase(timed_.begin(), firstLater);
    std::sort(due.begin(), due.end(), [](const Timed& a, const Timed& b) {
        return a.dueUs != b.dueUs ? a.dueUs < b.dueUs : a.order < b.order;
    });
    std::vector<Delivery> result;
    result.reserve(due.size());
    for (auto& t : due) {
        result.push_back(std::move(t.delivery));
    }
    return result;
}

std::optional<std::int64_t> DeliveryQueue::nextDueUs() const {
    if (timed_.empty()) {
        return std::nullopt;
    }
    return std::min_element(timed_.begin(), timed_.end(),
                            [](const Timed& a, const Timed& b) { return a.dueUs < b.dueUs; })
        ->dueUs;
}

}  // namespace meter_sim
