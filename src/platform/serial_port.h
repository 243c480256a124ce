#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Event code of the receive notification: at least the receive threshold of bytes wait.
constexpr int kCommEventReceive = 2;

// One serial line to the meters. Every operation reports failure (no such port, port busy, port
// closed, malformed settings) through its result; none throws.
class SerialPort {
  public:
    using NotificationHandler = std::function<void(int eventCode)>;

    virtual ~SerialPort() = default;

    // Selects the device (COM1 to COM10) used by the next open. Fails while the port is open.
    virtual bool setPortNumber(int number) = 0;
    [[nodiscard]] virtual bool open() = 0;
    virtual bool close() = 0;
    virtual bool isOpen() const = 0;
    // The device that port number `number` stands for ("/dev/ttyUSB0"); empty for none.
    virtual std::string deviceName(int number) const = 0;

    virtual bool setHandshakingNone() = 0;
    virtual bool setSendThreshold(int bytes) = 0;
    // A notification with kCommEventReceive is raised once at least this many bytes wait; 0 never.
    virtual bool setReceiveThreshold(int bytes) = 0;
    // "speed,parity,data bits,stop bits", e.g. "9600,n,8,1" or "14400,s,8,1". Applied at once to an
    // open port, kept for the next open otherwise. A malformed text is refused and changes nothing.
    virtual bool setSettings(const std::string& text) = 0;
    virtual bool setBinaryInput() = 0;

    virtual bool discardInput() = 0;
    virtual bool discardOutput() = 0;
    // The byte has been handed to the line when this returns: the driver's output queue has
    // drained, or a few character times have passed without it (a stalled device never blocks the
    // caller). A pause after it really separates it from the next byte on the line.
    virtual bool writeByte(std::uint8_t value) = 0;
    // Every waiting byte as one block; the input buffer is empty afterwards.
    [[nodiscard]] virtual std::optional<std::vector<std::uint8_t>> readAll() = 0;

    // Called on the user-interface thread with the event code.
    virtual void setNotificationHandler(NotificationHandler handler) = 0;
};

}  // namespace platform
