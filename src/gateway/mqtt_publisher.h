#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "gateway/station_messages.h"
#include "platform/mqtt_connection.h"

namespace gateway {

// Where the MQTT connection stands, for the overview and the journal.
struct MqttStatus {
    bool connected = false;
    std::string text;  // "connected to broker:1883", "not connected: not authorised"

    friend bool operator==(const MqttStatus& a, const MqttStatus& b) {
        return a.connected == b.connected && a.text == b.text;
    }
    friend bool operator!=(const MqttStatus& a, const MqttStatus& b) { return !(a == b); }
};

// Publishes each station's latest message retained with QoS 1 to "<prefix>/station/<n>", at most
// once a second per station, and "online" to "<prefix>/status" while connected ("offline" is the
// last will). A lost or refused connection is tried again after 1 s, then after twice the wait
// before, up to 30 s; once connected again, every station's latest message goes out again.
// offer() and status() may be called from any thread; turn() and finish() run on the publishing
// thread alone.
class MqttPublisher final : public StationMessages {
  public:
    static constexpr int kStations = 16;
    static constexpr std::int64_t kStationPeriodMs = 1000;
    static constexpr std::int64_t kFirstRetryMs = 1000;
    static constexpr std::int64_t kLongestRetryMs = 30000;
    static constexpr std::int64_t kConnectDeadlineMs = 15000;
    static constexpr int kServiceMs = 100;

    MqttPublisher(platform::MqttConnection& connection, const platform::MqttEndpoint& endpoint,
                  std::string prefix);

    void offer(std::uint8_t station, std::string json) override;

    // One turn of the publishing thread at `nowMs`: connects when it is time to, publishes what is
    // due and lets the connection work for up to kServiceMs. How long the thread may wait before
    // the next turn.
    [[nodiscard]] std::int64_t turn(std::int64_t nowMs);
    // Says "offline" and disconnects.
    void finish();

    [[nodiscard]] MqttStatus status() const;
    // Messages handed to the connection since the start, "online" and "offline" not counted.
    [[nodiscard]] std::uint64_t published() const;
    [[nodiscard]] const std::string& prefix() const { return prefix_; }

  private:
    struct Slot {
        std::string json;
        bool pending = false;
        std::optional<std::int64_t> sentMs;
    };

    void attempt(std::int64_t nowMs);
    void failed(const std::string& reason, std::int64_t nowMs);
    void publishDue(std::int64_t nowMs);
    void setStatus(bool connected, std::string text);
    [[nodiscard]] std::string brokerName() const;

    platform::MqttConnection& connection_;
    platform::MqttEndpoint endpoint_;
    std::string prefix_;

    // The publishing thread's own.
    platform::MqttConnection::Link link_ = platform::MqttConnection::Link::Down;
    std::int64_t nextAttemptMs_ = 0;
    std::int64_t attemptMs_ = 0;
    std::int64_t retryMs_ = kFirstRetryMs;

    mutable std::mutex mutex_;  // guards what follows
    std::array<Slot, kStations> slots_;
    MqttStatus status_;
    std::uint64_t published_ = 0;
};

}  // namespace gateway
