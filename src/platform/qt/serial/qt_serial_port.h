#pragma once

#include <QSerialPort>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link/line_settings.h"
#include "link/port_map.h"
#include "link/port_note.h"
#include "platform/serial_port.h"

namespace platform::qt {

// A serial line over QSerialPort. Port numbers are turned into devices by the PortMap given at
// construction. A device that fails under the open port (adapter pulled out) closes the port;
// every later operation fails until it is opened again.
class QtSerialPort final : public SerialPort {
  public:
    explicit QtSerialPort(seriallink::PortMap portMap);
    ~QtSerialPort() override;

    QtSerialPort(const QtSerialPort&) = delete;
    QtSerialPort& operator=(const QtSerialPort&) = delete;

    bool setPortNumber(int number) override;
    [[nodiscard]] bool open() override;
    bool close() override;
    bool isOpen() const override;
    std::string deviceName(int number) const override;

    bool setHandshakingNone() override;
    // Only 0 (no notification when the output drains) is accepted.
    bool setSendThreshold(int bytes) override;
    bool setReceiveThreshold(int bytes) override;
    bool setSettings(const std::string& text) override;
    bool setBinaryInput() override;

    bool discardInput() override;
    bool discardOutput() override;
    bool writeByte(std::uint8_t value) override;
    [[nodiscard]] std::optional<std::vector<std::uint8_t>> readAll() override;

    void setNotificationHandler(NotificationHandler handler) override;

  private:
    bool applySettings(const seriallink::LineSettings& settings);
    bool lockDevice();
    // Passes one byte to the driver, which sends it on to the line; false when it did not take it
    // after a short wait, or the device failed (the port is then closed).
    bool handToDriver(char byte);
    void onReadyRead();
    void onError(QSerialPort::SerialPortError error);

    seriallink::PortMap portMap_;
    QSerialPort port_;
    int portNumber_ = 0;
    seriallink::LineSettings settings_;
    int receiveThreshold_ = 0;
    NotificationHandler handler_;
};

// The port numbers of this machine. On Windows COMn is the device "COMn". Elsewhere the file
// "comports.conf" in the working directory names devices, and the serial devices Qt finds fill the
// numbers it leaves free: USB adapters first, by their names under /dev/serial/by-id, then the
// built-in ports. A missing file counts as empty; so does anything there that is not a regular
// file, which is refused without being waited on (the map's config() says so).
seriallink::PortMap portMapForThisMachine();

// As above with the configuration read from confFilePath (Unix-like systems).
seriallink::PortMap portMapFromFile(const QString& confFilePath);

// The note that pinned ports of `map` have no device while port `usedNumber` is polled, if any
// (see seriallink::missingPinnedPortNote); whether a device exists is asked of the system now.
std::optional<seriallink::PortNote> missingPinnedPortNote(const seriallink::PortMap& map,
                                                          int usedNumber);

}  // namespace platform::qt
