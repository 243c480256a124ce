#include "gateway/register_map.h"

#include <algorithm>
#include <cstring>
#include <variant>

namespace gateway {

namespace {

constexpr std::uint16_t kNoReply = 65535;
constexpr std::int64_t kLongestAge = 65534;
const char* const kDisabled = "禁止";

void putFloat(RegisterBlock& block, std::size_t at, float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    block[at] = static_cast<std::uint16_t>(bits >> 16);
    block[at + 1] = static_cast<std::uint16_t>(bits);
}

void putDouble(RegisterBlock& block, std::size_t at, double value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    for (std::size_t word = 0; word < 4; ++word) {
        block[at + word] = static_cast<std::uint16_t>(bits >> (48 - 16 * word));
    }
}

float signedValue(float value, bool negative) {
    return negative ? -value : value;
}

template <typename Reply>
const Reply* latest(const measurement::StationState& state, measurement::MeterCommand command) {
    const auto& reply = state.latest[static_cast<std::size_t>(command)];
    return reply ? std::get_if<Reply>(&*reply) : nullptr;
}

}  // namespace

bool hasEveryValue(const measurement::StationState& state) {
    return std::all_of(state.latest.begin(), state.latest.end(),
                       [](const auto& reply) { return reply.has_value(); });
}

std::uint16_t shownInteger(const std::string& text) {
    std::uint32_t number = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            break;
        }
        number = std::min<std::uint32_t>(number * 10 + static_cast<std::uint32_t>(c - '0'), 65535);
    }
    return static_cast<std::uint16_t>(number);
}

RegisterBlock valueRegisters(const measurement::StationState& state) {
    using measurement::MeterCommand;
    RegisterBlock block{};
    if (const auto* flow = latest<measurement::FlowReply>(state, MeterCommand::Flow)) {
        putFloat(block, 0, signedValue(flow->value, flow->negative));
        block[2] = flow->unitCode;
    }
    if (const auto* velocity = latest<measurement::VelocityReply>(state, MeterCommand::Velocity)) {
        putFloat(block, 3, signedValue(velocity->value, velocity->negative));
    }
    if (const auto* percent = latest<measurement::PercentReply>(state, MeterCommand::Percent)) {
        putFloat(block, 5, signedValue(percent->value, percent->negative));
        block[7] = percent->rangeRatioCode;
    }
    if (const auto* resistance =
            latest<measurement::ResistanceReply>(state, MeterCommand::Resistance)) {
        putFloat(block, 8, resistance->value);
    }
    if (const auto* forward = latest<measurement::TotalReply>(state, MeterCommand::ForwardTotal)) {
        putDouble(block, 10, forward->value);
        block[14] = forward->unitCode;
    }
    if (const auto* reverse = latest<measurement::TotalReply>(state, MeterCommand::ReverseTotal)) {
        putDouble(block, 15, reverse->value);
        block[19] = reverse->unitCode;
    }
    if (const auto* alarm = latest<measurement::AlarmReply>(state, MeterCommand::AlarmState)) {
        block[20] = alarm->bits;
    }
    const measurement::DisplayTexts& shown = state.texts;
    block[21] = shownInteger(shown.diameter);
    block[22] = shownInteger(shown.failureCount);
    block[23] = shownInteger(shown.failureHours);
    block[24] = shownInteger(shown.failureMinutes);
    const std::string* const flags[] = {&shown.cutoffEnable, &shown.upperEnable, &shown.lowerEnable,
                                        &shown.emptyPipeEnable};
    for (std::size_t bit = 0; bit < 4; ++bit) {
        if (*flags[bit] == kDisabled) {
            block[25] = static_cast<std::uint16_t>(block[25] | (1U << bit));
        }
    }
    return block;
}

std::uint16_t ageRegister(std::optional<std::int64_t> lastReplyMs, std::int64_t nowMs) {
    if (!lastReplyMs) {
        return kNoReply;
    }
    const std::int64_t seconds = std::max<std::int64_t>(0, nowMs - *lastReplyMs) / 1000;
    return static_cast<std::uint16_t>(std::min(seconds, kLongestAge));
}

}  // namespace gateway
