#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "fakes/fake_serial_port.h"

namespace fakes {

// Meters behind a FakeSerialPort: each hears the four-byte polls written to the port and, when
// it is one of `stations`, answers with a well-formed reply. A reply comes when the test calls
// deliver() after the request has gone out, as a real meter answers; or, with `late`, only once
// the first byte of the next request is being written. With `wrongCommand` the reply names the
// command of the request that follows it (what a late answer would match).
class FakeMeterLine {
  public:
    using Bytes = std::vector<std::uint8_t>;

    explicit FakeMeterLine(FakeSerialPort& port) : port_(port) {
        port_.onWrite = [this](std::uint8_t byte) { hear(byte); };
    }
    ~FakeMeterLine() { port_.onWrite = nullptr; }
    FakeMeterLine(const FakeMeterLine&) = delete;
    FakeMeterLine& operator=(const FakeMeterLine&) = delete;

    std::set<int> stations = {1};
    std::set<std::pair<int, int>> unanswered;  // (station, command) that get no reply
    bool late = false;
    bool wrongCommand = false;
    int replies = 0;  // replies put on the line

    // Data bytes D2 to D7 of station's reply to command: the station number shows in every value.
    static std::array<std::uint8_t, 6> data(int station, int command) {
        const auto bcd = static_cast<std::uint8_t>((station / 10) << 4 | station % 10);
        const auto s = static_cast<std::uint8_t>(station);
        switch (command) {
            case 0:
                return {bcd, 0x34, 0x12, 0x03, 0x02, 0x00};  // +1234.xx m3/h
            case 1:
                return {bcd, 0x01, 0x00, 0x01, 0x02, 0x00};  // +1.xx m/s
            case 2:
                return {bcd, 0x04, 0x02, 0x01, 0x00, 0x00};  // +4x.x %, 1:4
            case 3:
                return {bcd, 0x00, 0x00, 0x00, 0x01, 0x00};  // x.x kOhm
            case 4:
                return {bcd, 0x56, 0x34, 0x12, 0x00, 0x05};  // 123456.xx m3
            case 5:
                return {bcd, 0x00, 0x00, 0x00, 0x00, 0x06};  // x.x m3
            case 6:
                return {0x00, 0x00, 0x00, 0x00, 0x00, 0x00};  // no alarm
            case 7:
                return {s, 0x00, 0x00, 0x00, 0x00, 0x00};  // diameter code = station
            default:
                return {s, 0x00, 0x05, 0x00, 0x3B, 0x00};  // station failures, 5 h 59 min
        }
    }

    static Bytes reply(int station, int command) {
        const auto d = data(station, command);
        Bytes frame = {static_cast<std::uint8_t>(station), static_cast<std::uint8_t>(command)};
        frame.insert(frame.end(), d.begin(), d.end());
        frame.push_back(static_cast<std::uint8_t>(d[0] ^ d[1] ^ d[2] ^ d[3] ^ d[4] ^ d[5]));
        frame.push_back(0xAA);
        return frame;
    }

    // The reply to the request just sent reaches the port, if one is due.
    void deliver() {
        if (!late && due_) {
            send(*due_);
            due_.reset();
        }
    }

  private:
    void hear(std::uint8_t byte) {
        if (byte == 0x2A) {
            if (late && due_) {
                send(*due_);
                due_.reset();
            }
            heard_.clear();
        }
        heard_.push_back(byte);
        if (heard_.size() == 4 && heard_[3] == 0x2E && stations.count(heard_[1]) != 0 &&
            unanswered.count({heard_[1], heard_[2]}) == 0) {
            Bytes answer = reply(heard_[1], heard_[2]);
            if (wrongCommand) {
                // The check byte does not cover the command byte: otherwise well-formed.
                answer[1] = static_cast<std::uint8_t>((heard_[2] + 1) % 9);
            }
            due_ = answer;
        }
    }
    void send(const Bytes& bytes) {
        ++replies;
        port_.arrive(bytes);
    }

    FakeSerialPort& port_;
    Bytes heard_;
    std::optional<Bytes> due_;
};

}  // namespace fakes
