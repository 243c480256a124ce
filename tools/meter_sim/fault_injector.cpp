#include "fault_injector.h"

#include "reply_encoder.h"

namespace meter_sim {
namespace {

std::uint64_t splitMix(std::uint64_t& x) {
    std::uint64_t z = (x += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

std::uint64_t rotateLeft(std::uint64_t x, int k) {
    return (x << k) | (x >> (64 - k));
}

constexpr std::int64_t kSplitGapMinUs = 5'000;
constexpr std::uint32_t kSplitGapSpanUs = 15'001;

}  // namespace

Rng::Rng(std::uint64_t seed) {
    for (auto& word : state_) {
        word = splitMix(seed);
    }
}

std::uint64_t Rng::next() {
    const std::uint64_t result = rotateLeft(state_[1] * 5, 7) * 9;
    const std::uint64_t t = state_[1] << 17;
    state_[2] ^= state_[0];
    state_[3] ^= state_[1];
    state_[1] ^= state_[2];
    state_[0] ^= state_[3];
    state_[2] ^= t;
    state_[3] = rotateLeft(state_[3], 45);
    return result;
}

double Rng::uniform() {
    return static_cast<double>(next() >> 11) * 0x1.0p-53;
}

std::uint32_t Rng::below(std::uint32_t bound) {
    return static_cast<std::uint32_t>(next() % bound);
}

FaultInjector::FaultInjector(const FaultRates& rates, std::uint64_t seed)
    : rates_(rates), rng_(seed) {}

std::vector<std::uint8_t> FaultInjector::randomBytes(std::uint32_t minimum, std::uint32_t maximum) {
    std::vector<std::uint8_t> bytes(minimum + rng_.below(maximum - minimum + 1));
    for (auto& b : bytes) {
        b = static_cast<std::uint8_t>(rng_.below(256));
    }
    return bytes;
}

DeliveryPlan plainDelivery(const Frame& reply) {
    DeliveryPlan plan;
    plan.chunks.push_back({std::vector<std::uint8_t>(reply.begin(), reply.end()), 0});
    return plan;
}

DeliveryPlan FaultInjector::apply(const Frame& reply) {
    DeliveryPlan plan;
    if (hits(rates_.noReply)) {
        plan.dropped = true;
        plan.faults.emplace_back("no-reply");
        return plan;
    }
    Frame frame = reply;
    if (hits(rates_.badCheck)) {
        frame[8] = static_cast<std::uint8_t>(frame[8] ^ (1 + rng_.below(255)));
        plan.faults.emplace_back("bad-check");
    }
    if (hits(rates_.wrongStation)) {
        frame[0] = static_cast<std::uint8_t>(frame[0] % 16 + 1);
        plan.faults.emplace_back("wrong-station");
    }
    if (hits(rates_.wrongCommand)) {
        // Measurement replies get another command 0..8; write replies another step.
        frame[1] = frame[1] < kCommandCount
                       ? static_cast<std::uint8_t>((frame[1] + 1 + rng_.below(8)) % kCommandCount)
                       : static_cast<std::uint8_t>(frame[1] ^ 0x01);
        plan.faults.emplace_back("wrong-command");
    }
    if (hits(rates_.badEnd)) {
        frame[9] = kParameterFrameEnd;
        plan.faults.emplace_back("bad-end");
    }
    plan.late = hits(rates_.late);
    if (plan.late) {
        plan.faults.emplace_back("late");
    }
    std::vector<std::uint8_t> bytes(frame.begin(), frame.end());
    if (hits(rates_.extraBytes)) {
        const auto extra = randomBytes(1, 3);
        bytes.insert(bytes.end(), extra.begin(), extra.end());
        plan.faults.emplace_back("extra-bytes");
    }
    const bool split = hits(rates_.split);
    if (hits(rates_.noise)) {
        const auto noise = randomBytes(1, 4);
        bytes.insert(bytes.begin(), noise.begin(), noise.end());
        plan.faults.emplace_back("noise");
    }
    if (split) {
        const auto cut = static_cast<std::ptrdiff_t>(
            1 + rng_.below(static_cast<std::uint32_t>(bytes.size() - 1)));
        const std::int64_t gap = kSplitGapMinUs + rng_.below(kSplitGapSpanUs);
        plan.chunks.push_back({std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + cut), 0});
        plan.chunks.push_back({std::vector<std::uint8_t>(bytes.begin() + cut, bytes.end()), gap});
        plan.faults.emplace_back("split");
    } else {
        plan.chunks.push_back({std::move(bytes), 0});
    }
    return plan;
}

}  // namespace meter_sim
