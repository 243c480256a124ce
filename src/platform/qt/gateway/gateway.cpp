#include "platform/qt/gateway/gateway.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace platform::qt {

namespace {

constexpr int kStatusPeriodMs = 1000;
constexpr std::int64_t kLongestPublishingWaitMs = 1000;

}  // namespace

Gateway::Gateway(const GatewaySetup& setup, gateway::GatewayTime& time,
                 ConnectionMaker makeConnection, ModbusServerLimits limits)
    : setup_(setup),
      time_(time),
      makeConnection_(std::move(makeConnection)),
      feed_(board_, time_, this) {
    if (setup_.settings.modbus) {
        server_ = std::make_unique<ModbusServer>(board_, time_, limits);
        if (!server_->listen(*setup_.settings.modbus, modbusProblem_)) {
            server_.reset();
        }
    }
}

Gateway::~Gateway() {
    {
        const std::lock_guard<std::mutex> lock(stopMutex_);
        stopping_ = true;
    }
    stopped_.notify_all();
    if (publishing_.joinable()) {
        publishing_.join();
    }
}

GatewayStatus Gateway::status() const {
    GatewayStatus status;
    if (const auto& modbus = setup_.settings.modbus) {
        if (server_) {
            gateway::ListenAddress bound = *modbus;
            bound.port = server_->port();
            const int clients = server_->clients();
            status.modbus = "Modbus TCP on " + bound.text() + ": " + std::to_string(clients) +
                            (clients == 1 ? " client" : " clients") + " connected";
        } else {
            status.modbus =
                "Modbus TCP: cannot listen on " + modbus->text() + ": " + modbusProblem_;
        }
    }
    if (setup_.settings.mqtt) {
        if (!setup_.mqttRefusal.empty()) {
            status.mqtt = "MQTT: off: " + setup_.mqttRefusal;
        } else if (publisher_) {
            status.mqtt = "MQTT: " + publisher_->status().text;
        } else {
            status.mqtt = "MQTT: waiting for the serial port to name the topics";
        }
    }
    return status;
}

void Gateway::watchStatus(std::function<void(const GatewayStatus&)> changed) {
    reported_ = status();
    changed(reported_);
    QObject::connect(&statusTimer_, &QTimer::timeout, &statusTimer_,
                     [this, changed = std::move(changed)] {
                         GatewayStatus now = status();
                         if (!(now == reported_)) {
                             reported_ = std::move(now);
                             changed(reported_);
                         }
                     });
    statusTimer_.start(kStatusPeriodMs);
}

std::uint16_t Gateway::modbusPort() const {
    return server_ ? server_->port() : 0;
}

void Gateway::portsFound(const std::vector<session::PortEntry>& ports, std::size_t inUse) {
    if (publisher_ || !setup_.settings.mqtt || !setup_.mqttRefusal.empty() ||
        inUse >= ports.size()) {
        return;
    }
    startPublishing(ports[inUse].name);
}

void Gateway::startPublishing(const std::string& bus) {
    const gateway::MqttSettings& mqtt = *setup_.settings.mqtt;
    platform::MqttEndpoint endpoint;
    endpoint.host = mqtt.host;
    endpoint.port = mqtt.port;
    endpoint.user = mqtt.user;
    endpoint.password = setup_.mqttPassword;
    endpoint.cafile = mqtt.cafile;
    connection_ = makeConnection_();
    publisher_ = std::make_unique<gateway::MqttPublisher>(
        *connection_, endpoint, gateway::topicPrefix(mqtt, setup_.site, bus));
    publishing_ = std::thread([this] { publishUntilStopped(); });
}

void Gateway::publishUntilStopped() {
    std::unique_lock<std::mutex> lock(stopMutex_);
    while (!stopping_) {
        lock.unlock();
        const std::int64_t wait = publisher_->turn(time_.steadyMs());
        lock.lock();
        if (wait > 0) {
            stopped_.wait_for(lock,
                              std::chrono::milliseconds(std::min(wait, kLongestPublishingWaitMs)),
                              [this] { return stopping_; });
        }
    }
    lock.unlock();
    publisher_->finish();
}

void Gateway::offer(std::uint8_t station, std::string json) {
    if (publisher_) {
        publisher_->offer(station, std::move(json));
    }
}

void Gateway::stationAnswered(std::uint8_t station, const measurement::StationState& state) {
    feed_.stationAnswered(station, state);
}

void Gateway::stationCycleCompleted(std::uint8_t station, const measurement::StationState& state) {
    feed_.stationCycleCompleted(station, state);
}

void Gateway::stationSilent(std::uint8_t station) {
    feed_.stationSilent(station);
}

void Gateway::stationBack(std::uint8_t station) {
    feed_.stationBack(station);
}

void Gateway::modeChosen(session::PollingMode mode, std::uint8_t station) {
    feed_.modeChosen(mode, station);
}

}  // namespace platform::qt
