#pragma once

#include <QTimer>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "gateway/gateway_feed.h"
#include "gateway/mqtt_publisher.h"
#include "gateway/station_board.h"
#include "platform/mqtt_connection.h"
#include "platform/qt/gateway/gateway_setup.h"
#include "platform/qt/gateway/modbus_server.h"
#include "session/polling_listener.h"

namespace platform::qt {

// How the gateway is doing, one text per part that is on.
struct GatewayStatus {
    std::string modbus;  // "Modbus TCP on 127.0.0.1:1502: 2 clients connected"; empty: off
    std::string mqtt;    // "MQTT: connected to broker:1883"; empty: off

    friend bool operator==(const GatewayStatus& a, const GatewayStatus& b) {
        return a.modbus == b.modbus && a.mqtt == b.mqtt;
    }
};

// The stations' values for the plant: a listener of the polling session that feeds the Modbus TCP
// server and the MQTT publisher, each on threads of their own. Lives on the polling thread.
// Publishing starts when the session has found its port, whose name completes the default topic
// prefix.
class Gateway final : public session::PollingListener, private gateway::StationMessages {
  public:
    // Makes the connection to the broker; only the publishing thread uses it.
    using ConnectionMaker = std::function<std::unique_ptr<platform::MqttConnection>()>;

    Gateway(const GatewaySetup& setup, gateway::GatewayTime& time, ConnectionMaker makeConnection,
            ModbusServerLimits limits = {});
    ~Gateway() override;
    Gateway(const Gateway&) = delete;
    Gateway& operator=(const Gateway&) = delete;

    [[nodiscard]] GatewayStatus status() const;
    // Calls `changed` on this thread, within a second, whenever the status changes.
    void watchStatus(std::function<void(const GatewayStatus&)> changed);
    // The port the Modbus server listens on, 0 when it does not.
    [[nodiscard]] std::uint16_t modbusPort() const;

    void portsFound(const std::vector<session::PortEntry>& ports, std::size_t inUse) override;
    void stationAnswered(std::uint8_t station, const measurement::StationState& state) override;
    void stationCycleCompleted(std::uint8_t station,
                               const measurement::StationState& state) override;
    void stationSilent(std::uint8_t station) override;
    void stationBack(std::uint8_t station) override;
    void modeChosen(session::PollingMode mode, std::uint8_t station) override;

  private:
    void offer(std::uint8_t station, std::string json) override;
    void startPublishing(const std::string& bus);
    void publishUntilStopped();

    GatewaySetup setup_;
    gateway::GatewayTime& time_;
    ConnectionMaker makeConnection_;
    gateway::StationBoard board_;
    gateway::GatewayFeed feed_;

    std::unique_ptr<ModbusServer> server_;
    std::string modbusProblem_;

    std::unique_ptr<platform::MqttConnection> connection_;
    std::unique_ptr<gateway::MqttPublisher> publisher_;
    std::mutex stopMutex_;
    std::condition_variable stopped_;
    bool stopping_ = false;
    std::thread publishing_;

    QTimer statusTimer_;
    GatewayStatus reported_;
};

}  // namespace platform::qt
