#pragma once

#include <cstdint>
#include <cstdio>
#include <utility>
#include <vector>

#include "commissioning/traffic_log.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_file_reader.h"
#include "fakes/fake_pacer.h"
#include "fakes/fake_serial_port.h"
#include "fakes/fake_store.h"
#include "fakes/fake_timer.h"
#include "platform/event_gate.h"
#include "session/polling_session.h"

namespace sessiontest {

using Bytes = std::vector<std::uint8_t>;

inline Bytes poll(int station, int command) {
    return {0x2A, static_cast<std::uint8_t>(station), static_cast<std::uint8_t>(command), 0x2E};
}

// A valid reply frame: the check byte is the exclusive-or of bytes 2 to 7.
inline Bytes reply(int station, int command, Bytes data) {
    Bytes frame = std::move(data);
    frame.insert(frame.begin(),
                 {static_cast<std::uint8_t>(station), static_cast<std::uint8_t>(command)});
    std::uint8_t check = 0;
    for (std::size_t i = 2; i < 8; ++i) {
        check ^= frame[i];
    }
    frame.push_back(check);
    frame.push_back(0xAA);
    return frame;
}

// The fakes a polling session runs on, and what a test does with them.
struct PollingFakes {
    session::PollingServices services() {
        return {port, timer, pacer, clock, files, store, traffic, gate};
    }

    // Every fake as new, for table-driven tests that need a fresh start per case; the traffic log
    // and the gate stay as they are.
    void renewFakes() {
        port = fakes::FakeSerialPort{};
        timer = fakes::FakeTimer{};
        pacer = fakes::FakePacer{};
        clock = fakes::FakeClock{};
        files = fakes::FakeFileReader{};
        store = fakes::FakeStore{};
    }

    // Runs one timer tick and returns the bytes it wrote.
    Bytes tick() {
        port.written.clear();
        timer.tick();
        return port.written;
    }

    // Polls once and lets the polled station answer with `data`.
    void answer(const Bytes& data) {
        const Bytes request = tick();
        port.arrive(reply(request[1], request[2], data));
    }

    // The clock at `second` seconds after 10:00:00.
    void clockAt(int second) {
        char text[16];
        std::snprintf(text, sizeof text, "%d:%02d:%02d", 10 + second / 3600, second / 60 % 60,
                      second % 60);
        clock.time = text;
    }

    fakes::FakeSerialPort port;
    fakes::FakeTimer timer;
    fakes::FakePacer pacer;
    fakes::FakeClock clock;
    fakes::FakeFileReader files;
    fakes::FakeStore store;
    commissioning::TrafficLog traffic{clock};
    platform::EventGate gate;
};

}  // namespace sessiontest
