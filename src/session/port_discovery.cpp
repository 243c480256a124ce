#include "session/port_discovery.h"

#include <string>

namespace session {

namespace {

constexpr int kFirstPort = 1;
constexpr int kLastPort = 10;

}  // namespace

std::vector<PortEntry> discoverPorts(platform::SerialPort& port) {
    std::vector<PortEntry> found;
    for (int number = kFirstPort; number <= kLastPort; ++number) {
        if (!port.setPortNumber(number) || !port.open()) {
            continue;
        }
        port.close();
        found.push_back({number, "COM" + std::to_string(number), port.deviceName(number)});
    }
    return found;
}

std::size_t chosenPort(const std::optional<std::vector<std::uint8_t>>& config, std::size_t count) {
    const std::size_t wanted = config && !config->empty() ? config->front() : 0;
    return wanted + 1 > count ? count - 1 : wanted;
}

}  // namespace session
