#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "gateway/gateway_settings.h"
#include "gateway/gateway_time.h"
#include "gateway/station_board.h"

namespace platform::qt {

struct ModbusServerLimits {
    int connections = 32;              // more are closed as soon as they are accepted
    int idleMs = 60000;                // a client that sends nothing for this long is dropped
    int partialMs = 5000;              // ... and one whose request stays incomplete for this long
    std::int64_t unreadBytes = 65536;  // ... and one that leaves this many answer bytes unread
};

// A Modbus TCP server of the stations' registers, on a thread of its own with its own event loop:
// the polling thread only writes the board. Units 1 to 16 are the stations. A client that sends
// something other than Modbus TCP is dropped at once.
class ModbusServer final {
  public:
    ModbusServer(const gateway::StationBoard& board, gateway::GatewayTime& time,
                 ModbusServerLimits limits = {});
    ~ModbusServer();
    ModbusServer(const ModbusServer&) = delete;
    ModbusServer& operator=(const ModbusServer&) = delete;

    // Starts the thread and listens; false, with the reason, when the address cannot be had.
    // Waits for the thread to start listening, not for any client.
    [[nodiscard]] bool listen(const gateway::ListenAddress& address, std::string& reason);

    [[nodiscard]] int clients() const { return clients_.load(); }
    [[nodiscard]] std::uint64_t requests() const { return requests_.load(); }
    // The port listened on (the one chosen by the system for port 0).
    [[nodiscard]] std::uint16_t port() const { return port_.load(); }

  private:
    class Thread;
    friend class Thread;

    const gateway::StationBoard& board_;
    gateway::GatewayTime& time_;
    ModbusServerLimits limits_;
    std::atomic<int> clients_{0};
    std::atomic<std::uint64_t> requests_{0};
    std::atomic<std::uint16_t> port_{0};
    std::unique_ptr<Thread> thread_;
};

}  // namespace platform::qt
