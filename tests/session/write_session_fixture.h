#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "commissioning/traffic_log.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_dialogs.h"
#include "fakes/fake_pacer.h"
#include "fakes/fake_serial_port.h"
#include "fakes/fake_timer.h"
#include "meter_line.h"
#include "parameters/param_names.h"
#include "platform/event_gate.h"
#include "session/write_session.h"

namespace sessiontest {

using Bytes = std::vector<std::uint8_t>;
using parameters::Param;

// The main window as the write session sees it.
struct FakeMainWindow final : parameters::MainWindowLink {
    std::uint8_t station = 3;
    int portNumber = 1;
    std::string speed = "14400";
    bool first = false;
    int takeBacks = 0;

    std::uint8_t parameterStation() const override { return station; }
    int releasedPortNumber() const override { return portNumber; }
    std::string lineSpeedText() const override { return speed; }
    bool firstParameterSet() const override { return first; }
    void setFirstParameterSet() override { first = true; }
    void takeBack() override { ++takeBacks; }
};

// A front end that holds the nineteen texts and remembers what it was told to show; its message
// and password boxes are the scripted dialogs.
struct FakeView final : session::WriteSessionListener {
    explicit FakeView(fakes::FakeDialogs& boxes) : dialogs(boxes) {}

    parameters::ParameterTexts fieldTexts() const override { return texts; }
    void showFieldText(Param param, const std::string& text) override {
        texts[parameters::indexOf(param)] = text;
        rewritten.push_back(std::string(parameters::nameOf(param)) + "=" + text);
    }
    void showStation(const std::string& text) override { station = text; }
    void showMessage(const std::string& text) override { dialogs.messageBox(text); }
    std::string askPassword(const std::string& prompt, const std::string& title,
                            const std::string& defaultAnswer) override {
        return dialogs.passwordBox(prompt, title, defaultAnswer);
    }
    void setWriteEnabled(bool enabled) override { writeEnabled = enabled; }
    void showWriteHint(const std::string& text) override { hints.push_back(text); }
    void showProgress(const std::string& text) override { progress.push_back(text); }
    void showSecondsLeft(const std::string& text) override { secondsLeft.push_back(text); }
    void leave() override { visible = false; }

    std::string& text(Param param) { return texts[parameters::indexOf(param)]; }
    static std::string last(const std::vector<std::string>& shown) {
        return shown.empty() ? std::string() : shown.back();
    }

    fakes::FakeDialogs& dialogs;
    parameters::ParameterTexts texts{};
    std::vector<std::string> rewritten;  // "RangeValue=00100", in order
    std::string station;
    bool writeEnabled = true;
    bool visible = true;
    std::vector<std::string> hints;  // every change, in order
    std::vector<std::string> progress;
    std::vector<std::string> secondsLeft;
};

// The write session on fakes, its port wired to simulated meters (password 1234): every byte it
// writes reaches the meters at once, and their replies arrive after the handler that sent the
// request has returned, as on a real line. The session's clock and the meters' run together.
class WriteSessionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        port.onWrite = [this](std::uint8_t byte) {
            advance(1000);
            for (const auto& heard : line->receive(byte, now).heard) {
                if (heard.answer) {
                    pending.insert(pending.end(), heard.answer->frame.begin(),
                                   heard.answer->frame.end());
                }
            }
        };
        session.setListener(&view);
    }

    void meters(const char* stations) {
        line = std::make_unique<meter_sim::MeterLine>(*meter_sim::parseStations(stations),
                                                      *meter_sim::parsePassword("1234"), 0);
    }
    void advance(std::int64_t microseconds) {
        now += microseconds;
        clock.msecs = kClockStart + now / 1000;
    }
    // Loaded as the main window hands over, then shown: the view holds the saved set.
    void open() {
        gate.run([this] { session.load(); });
        view.texts = session.savedTexts();
    }
    void deliver() {
        if (!pending.empty()) {
            const Bytes block = std::move(pending);
            pending.clear();
            port.arrive(block);
        }
    }
    void tick() {
        advance(200'000);
        timer.tick();
        deliver();
    }
    void startWrite() {
        gate.run([this] { session.startWrite(); });
        deliver();
    }
    void returnToMainMenu() {
        gate.run([this] { session.returnToMainMenu(); });
    }
    // Ticks until `message` has been shown, at most `limit` ticks.
    bool tickUntilMessage(const std::string& message, int limit = 80) {
        for (int i = 0; i < limit; ++i) {
            if (std::find(dialogs.messages.begin(), dialogs.messages.end(), message) !=
                dialogs.messages.end()) {
                return true;
            }
            tick();
        }
        return false;
    }
    // The step byte of every frame written after the four-byte start command.
    std::vector<int> stepsSent() const {
        std::vector<int> steps;
        for (std::size_t i = 4; i + 10 <= port.written.size(); i += 10) {
            steps.push_back(port.written[i + 1]);
        }
        return steps;
    }
    const meter_sim::MeterSettings& meterSettings() {
        return line->meter(mainWindow.station)->settings();
    }

    static constexpr std::int64_t kClockStart = 1191978030000;
    std::unique_ptr<meter_sim::MeterLine> line = std::make_unique<meter_sim::MeterLine>(
        *meter_sim::parseStations("1-16"), *meter_sim::parsePassword("1234"), 0);
    std::int64_t now = 0;
    Bytes pending;
    fakes::FakeSerialPort port;
    fakes::FakeTimer timer;
    fakes::FakePacer pacer;
    fakes::FakeDialogs dialogs;
    fakes::FakeClock clock;
    commissioning::TrafficLog traffic{clock};
    platform::EventGate gate;
    parameters::SavedParameters saved;
    FakeMainWindow mainWindow;
    FakeView view{dialogs};
    session::WriteSession session{
        session::WriteSessionServices{port, timer, pacer, clock, gate, saved, mainWindow, traffic}};
};

}  // namespace sessiontest
