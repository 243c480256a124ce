#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "session/polling_fakes.h"
#include "session/polling_session.h"

namespace sessiontest {

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
class SessionTest : public ::testing::Test, public PollingFakes {
  protected:
    void SetUp() override { make(); }

    void make() {
        session = std::make_unique<session::PollingSession>(services());
        session->addListener(heard);
    }

    // A new session on new fakes, for table-driven tests that need a fresh start per case.
    void renew() {
        session.reset();
        renewFakes();
        heard = HeardListener{};
        make();
    }

    [[nodiscard]] bool start() {
        bool started = false;
        gate.run([&] { started = session->start(); });
        return started;
    }

    HeardListener heard;
    std::unique_ptr<session::PollingSession> session;
};

}  // namespace sessiontest
