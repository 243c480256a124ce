#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/serial_port.h"

namespace fakes {

// A serial port whose usable numbers, failures and incoming bytes the test decides. Every call
// is written to `log` ("open 3", "write 2A", "settings 9600,n,8,1", ...) so that tests can check
// the order of effects.
class FakeSerialPort final : public platform::SerialPort {
  public:
    std::set<int> usablePorts = {1};
    bool failSettings = false;
    int opensAllowed = -1;  // successful opens left before every open fails; -1 without limit
    std::vector<std::string> log;
    std::vector<std::uint8_t> written;
    std::vector<std::uint8_t> input;
    std::string settings;
    int receiveThreshold = 0;
    std::function<void(std::uint8_t)> onWrite;  // the line behind the port, when a test has one

    bool setPortNumber(int number) override {
        log.push_back("port " + std::to_string(number));
        if (open_) {
            return false;
        }
        number_ = number;
        return true;
    }
    bool open() override {
        log.push_back("open " + std::to_string(number_));
        if (open_ || usablePorts.count(number_) == 0 || opensAllowed == 0) {
            return false;
        }
        if (opensAllowed > 0) {
            --opensAllowed;
        }
        open_ = true;
        return true;
    }
    bool close() override {
        log.push_back("close");
        const bool was = open_;
        open_ = false;
        return was;
    }
    bool isOpen() const override { return open_; }
    std::string deviceName(int number) const override {
        return "/dev/ttyFAKE" + std::to_string(number);
    }
    // The device fails under the open port (an adapter pulled out): the port closes by itself.
    void unplug() { open_ = false; }
    int portNumber() const { return number_; }

    bool setHandshakingNone() override { return record("handshaking none"); }
    bool setSendThreshold(int bytes) override {
        return record("send threshold " + std::to_string(bytes));
    }
    bool setReceiveThreshold(int bytes) override {
        receiveThreshold = bytes;
        return record("receive threshold " + std::to_string(bytes));
    }
    bool setSettings(const std::string& text) override {
        log.push_back("settings " + text);
        if (failSettings) {
            return false;
        }
        settings = text;
        return true;
    }
    bool setBinaryInput() override { return record("binary"); }
    bool discardInput() override {
        input.clear();
        return record("discard input");
    }
    bool discardOutput() override { return record("discard output"); }
    bool writeByte(std::uint8_t value) override {
        static const char* const kHex = "0123456789ABCDEF";
        log.push_back(std::string("write ") + kHex[value >> 4] + kHex[value & 0x0F]);
        if (!open_) {
            return false;
        }
        written.push_back(value);
        if (onWrite) {
            onWrite(value);
        }
        return true;
    }
    std::optional<std::vector<std::uint8_t>> readAll() override {
        log.push_back("read");
        if (!open_) {
            return std::nullopt;
        }
        std::vector<std::uint8_t> block;
        block.swap(input);
        return block;
    }
    void setNotificationHandler(NotificationHandler handler) override {
        handler_ = std::move(handler);
    }

    // Bytes arrive from the line; the receive notification is raised once enough wait.
    void arrive(const std::vector<std::uint8_t>& bytes) {
        input.insert(input.end(), bytes.begin(), bytes.end());
        if (receiveThreshold > 0 && static_cast<int>(input.size()) >= receiveThreshold) {
            notify(platform::kCommEventReceive);
        }
    }
    void notify(int eventCode) {
        if (handler_) {
            handler_(eventCode);
        }
    }

  private:
    bool record(const std::string& entry) {
        log.push_back(entry);
        return open_;
    }

    int number_ = 1;
    bool open_ = false;
    NotificationHandler handler_;
};

}  // namespace fakes
