#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
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

// Everything a session told, in the order told.
struct HeardListener final : session::PollingListener {
    measurement::DisplayTexts display;
    session::Indicators indicators{};
    std::string singleStationText = "00";
    std::vector<session::PortEntry> ports;
    std::size_t portInUse = 0;
    std::vector<std::pair<session::PollingMode, std::uint8_t>> modes;
    std::vector<std::string> messages;
    std::vector<records::StoreHealth> health;
    std::vector<std::uint8_t> silent;
    std::vector<std::uint8_t> back;
    std::vector<std::uint8_t> cycles;
    std::vector<std::uint8_t> answered;
    int displayCalls = 0;
    int indicatorCalls = 0;

    void displayChanged(const measurement::DisplayTexts& texts) override {
        display = texts;
        ++displayCalls;
    }
    void indicatorsChanged(const session::Indicators& shown) override {
        indicators = shown;
        ++indicatorCalls;
    }
    void singleStationTextChanged(const std::string& text) override { singleStationText = text; }
    void portsFound(const std::vector<session::PortEntry>& found, std::size_t inUse) override {
        ports = found;
        portInUse = inUse;
    }
    void modeChosen(session::PollingMode mode, std::uint8_t station) override {
        modes.emplace_back(mode, station);
    }
    void messageRequested(const std::string& text) override { messages.push_back(text); }
    void storeHealthChanged(const records::StoreHealth& now) override { health.push_back(now); }
    void stationSilent(std::uint8_t station) override { silent.push_back(station); }
    void stationBack(std::uint8_t station) override { back.push_back(station); }
    void stationAnswered(std::uint8_t station, const measurement::StationState&) override {
        answered.push_back(station);
    }
    void stationCycleCompleted(std::uint8_t station, const measurement::StationState&) override {
        cycles.push_back(station);
    }
};

// A polling session on fakes; start() is left to the test.
class SessionTest : public ::testing::Test {
  protected:
    void SetUp() override { make(); }

    void make() {
        session = std::make_unique<session::PollingSession>(
            session::PollingServices{port, timer, pacer, clock, files, store, traffic, gate});
        session->addListener(heard);
    }

    // A new session on new fakes, for table-driven tests that need a fresh start per case.
    void renew() {
        session.reset();
        port = fakes::FakeSerialPort{};
        timer = fakes::FakeTimer{};
        pacer = fakes::FakePacer{};
        files = fakes::FakeFileReader{};
        store = fakes::FakeStore{};
        heard = HeardListener{};
        make();
    }

    [[nodiscard]] bool start() {
        bool started = false;
        gate.run([&] { started = session->start(); });
        return started;
    }

    // Runs one timer tick and returns the bytes it wrote.
    Bytes tick() {
        port.written.clear();
        timer.tick();
        return port.written;
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
    HeardListener heard;
    std::unique_ptr<session::PollingSession> session;
};

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

}  // namespace sessiontest
