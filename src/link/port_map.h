#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace seriallink {

// A line of "comports.conf" that names no device, and why.
struct UnreadLine {
    int number = 0;    // counted from 1
    std::string text;  // the line as written, without its line end
    std::string why;
};

// What "comports.conf" says: the device each COM number is pinned to and the lines not understood.
struct PortConfig {
    static constexpr int kPorts = 10;
    std::array<std::optional<std::string>, kPorts> pinned;  // COM1 first
    std::vector<UnreadLine> unread;
    std::string refusal;  // set when the file itself was not read, and why
};

// The number of the port name "COMn" ("com" in any case; "COM04" is COM4) when n is 1 to 10; `why`
// says what is wrong otherwise.
std::optional<int> parsePortName(std::string_view name, std::string& why);

// Reads the text of "comports.conf": lines "COMn=device" (n 1 to 10, "com" in any case, blanks
// around the parts, CRLF or LF, "#" starting a comment, a UTF-8 byte order mark before the first
// line). A later line for the same number replaces an earlier one. Every other line that is not
// blank or a comment is kept in `unread` with its number.
PortConfig readPortConfig(std::string_view text);

// One line per line not understood, and the refusal of the file, each ended by a newline:
// "comports.conf line 3: \"COM0=/dev/ttyUSB0\" not understood: ...". Empty when all was read.
std::string configComplaints(const PortConfig& config, std::string_view fileName);

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

    // Builds the map from "comports.conf" and the serial devices the system reports. The numbers
    // the file pins keep their devices; the others get the system devices not named in the file,
    // lowest free number first: the adapters in natural order of their stable names (a path
    // stands in for a missing name), then the built-in ports in natural order of their paths
    // (ttyS2 before ttyS10). Devices beyond the last free number stay unmapped.
    static PortMap fromConfig(PortConfig config, std::vector<SystemDevice> systemDevices);
    // As above from the file's text (see readPortConfig).
    static PortMap fromConfig(std::string_view confText, std::vector<SystemDevice> systemDevices);

    // COMn opens the device "COMn" itself (Windows).
    static PortMap identity();

    // The device of port number comNumber; nothing for an unmapped number or one outside 1..10.
    std::optional<std::string> device(int comNumber) const;

    // Whether "comports.conf" pins comNumber to its device.
    bool pinned(int comNumber) const;

    // What the file said, lines not understood included.
    const PortConfig& config() const { return config_; }

  private:
    std::array<std::optional<std::string>, kLastPort> devices_;
    PortConfig config_;
};

}  // namespace seriallink
