#include "gateway/mqtt_publisher.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace gateway {

namespace {

using Link = platform::MqttConnection::Link;

const char* const kOnline = "online";
const char* const kOffline = "offline";
constexpr int kFinishWaitMs = 1000;

}  // namespace

MqttPublisher::MqttPublisher(platform::MqttConnection& connection,
                             const platform::MqttEndpoint& endpoint, std::string prefix)
    : connection_(connection), endpoint_(endpoint), prefix_(std::move(prefix)) {
    status_.text = "connecting to " + brokerName();
}

std::string MqttPublisher::brokerName() const {
    return endpoint_.host + ":" + std::to_string(endpoint_.port);
}

void MqttPublisher::offer(std::uint8_t station, std::string json) {
    if (station < 1 || station > kStations) {
        return;
    }
    const std::lock_guard<std::mutex> lock(mutex_);
    Slot& slot = slots_[station - 1U];
    slot.json = std::move(json);
    slot.pending = true;
}

std::int64_t MqttPublisher::turn(std::int64_t nowMs) {
    if (link_ == Link::Down) {
        if (nowMs < nextAttemptMs_) {
            return nextAttemptMs_ - nowMs;
        }
        attempt(nowMs);
        return 0;
    }
    const platform::MqttConnection::State state = connection_.service(kServiceMs);
    if (state.link == Link::Down) {
        failed(state.reason, nowMs);
        return 0;
    }
    if (state.link == Link::Connecting) {
        if (nowMs - attemptMs_ >= kConnectDeadlineMs) {
            connection_.disconnect(0);
            failed("no answer from the broker", nowMs);
        }
        return 0;
    }
    if (link_ != Link::Up) {
        link_ = Link::Up;
        if (!connection_.publish({prefix_ + "/status", kOnline, 1, true})) {
            connection_.disconnect(0);
            failed("the connection took no message", nowMs);
            return 0;
        }
        retryMs_ = kFirstRetryMs;
        const std::lock_guard<std::mutex> lock(mutex_);
        for (Slot& slot : slots_) {
            slot.pending = slot.pending || !slot.json.empty();
        }
    }
    setStatus(true, "connected to " + brokerName());
    publishDue(nowMs);
    return 0;
}

void MqttPublisher::attempt(std::int64_t nowMs) {
    attemptMs_ = nowMs;
    std::string reason;
    if (!connection_.connect(endpoint_, {prefix_ + "/status", kOffline, 1, true}, reason)) {
        failed(reason, nowMs);
        return;
    }
    link_ = Link::Connecting;
}

void MqttPublisher::failed(const std::string& reason, std::int64_t nowMs) {
    link_ = Link::Down;
    nextAttemptMs_ = nowMs + retryMs_;
    retryMs_ = std::min(retryMs_ * 2, kLongestRetryMs);
    setStatus(false, "not connected to " + brokerName() + ": " + reason);
}

void MqttPublisher::publishDue(std::int64_t nowMs) {
    std::vector<std::pair<std::size_t, std::string>> due;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        for (std::size_t i = 0; i < slots_.size(); ++i) {
            const Slot& slot = slots_[i];
            if (slot.pending && (!slot.sentMs || nowMs - *slot.sentMs >= kStationPeriodMs)) {
                due.emplace_back(i, slot.json);
            }
        }
    }
    for (auto& [index, json] : due) {
        const std::string topic = prefix_ + "/station/" + std::to_string(index + 1);
        if (!connection_.publish({topic, json, 1, true})) {
            return;
        }
        const std::lock_guard<std::mutex> lock(mutex_);
        Slot& slot = slots_[index];
        // A newer message offered meanwhile stays pending.
        slot.pending = slot.json != json;
        slot.sentMs = nowMs;
        ++published_;
    }
}

void MqttPublisher::finish() {
    if (link_ == Link::Up) {
        [[maybe_unused]] const bool queued =
            connection_.publish({prefix_ + "/status", kOffline, 1, true});
    }
    if (link_ != Link::Down) {
        connection_.disconnect(kFinishWaitMs);
    }
    link_ = Link::Down;
    setStatus(false, "disconnected from " + brokerName());
}

void MqttPublisher::setStatus(bool connected, std::string text) {
    const std::lock_guard<std::mutex> lock(mutex_);
    status_.connected = connected;
    status_.text = std::move(text);
}

MqttStatus MqttPublisher::status() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return status_;
}

std::uint64_t MqttPublisher::published() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return published_;
}

}  // namespace gateway
