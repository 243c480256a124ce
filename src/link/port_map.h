#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace seriallink {

// A serial device the system reports.
struct SystemDevice {
    std::string path;  // "/dev/ttyUSB0"
    // Its name under /dev/serial/by-id, made of the adapter's maker, model and serial number: it
    // stays the same in every USB socket. Empty for a port built into the machine.
    std::string stableName;
    bool adapter = false;  // plugged in (USB), not built into the machine
};

// Which device each port number COM1 to COM10 opens.
class PortMap {
  public:
    static constexpr int kFirstPort = 1;
    static constexpr int kLastPort = 10;

    // No port number is mapped.
    PortMap() = default;

    // Builds the map from the text of "comports.conf" and the serial devices the system reports.
    // Lines "COMn=device" (n 1 to 10, "com" in any case, blanks around the parts, CRLF or LF,
    // "#" starting a comment) name devices explicitly; a later line for the same number replaces
    // an earlier one; malformed lines are ignored. The numbers not named get the system devices
    // not named in the file, lowest free number first: the adapters in natural order of their
    // stable names (a path stands in for a missing name), then the built-in ports in natural order
    // of their paths (ttyS2 before ttyS10). Devices beyond the last free number stay unmapped.
    static PortMap fromConfig(std::string_view confText, std::vector<SystemDevice> systemDevices);

    // COMn opens the device "COMn" itself (Windows).
    static PortMap identity();

    // The device of port number comNumber; nothing for an unmapped number or one outside 1..10.
    std::optional<std::string> device(int comNumber) const;

  private:
    std::array<std::optional<std::string>, kLastPort> devices_;
};

}  // namespace seriallink
