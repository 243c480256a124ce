#include "gateway/station_board.h"

namespace gateway {

namespace {

bool isStation(std::uint8_t station) {
    return station >= 1 && station <= StationBoard::kStations;
}

}  // namespace

void StationBoard::storeValues(std::uint8_t station, const RegisterBlock& values,
                               std::int64_t replyMs) {
    if (!isStation(station)) {
        return;
    }
    const std::lock_guard<std::mutex> lock(mutex_);
    Entry& entry = entries_[station - 1U];
    entry.hasValues = true;
    entry.values = values;
    entry.lastReplyMs = replyMs;
}

void StationBoard::setSilent(std::uint8_t station, bool silent) {
    if (!isStation(station)) {
        return;
    }
    const std::lock_guard<std::mutex> lock(mutex_);
    entries_[station - 1U].silent = silent;
}

void StationBoard::setPolled(std::uint8_t station) {
    const std::lock_guard<std::mutex> lock(mutex_);
    polledAlone_ = isStation(station) ? station : 0;
}

StationCondition StationBoard::conditionOf(std::uint8_t station) const {
    if (polledAlone_ != 0 && station != polledAlone_) {
        return StationCondition::NotPolled;
    }
    return entries_[station - 1U].silent ? StationCondition::Silent : StationCondition::Answering;
}

std::optional<RegisterBlock> StationBoard::registers(std::uint8_t station,
                                                     std::int64_t nowMs) const {
    if (!isStation(station)) {
        return std::nullopt;
    }
    const std::lock_guard<std::mutex> lock(mutex_);
    const Entry& entry = entries_[station - 1U];
    if (!entry.hasValues) {
        return std::nullopt;
    }
    RegisterBlock block = entry.values;
    block[kAgeRegister] = ageRegister(entry.lastReplyMs, nowMs);
    block[kStateRegister] = static_cast<std::uint16_t>(conditionOf(station));
    return block;
}

StationCondition StationBoard::condition(std::uint8_t station) const {
    if (!isStation(station)) {
        return StationCondition::NotPolled;
    }
    const std::lock_guard<std::mutex> lock(mutex_);
    return conditionOf(station);
}

}  // namespace gateway
