#pragma once

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fakes/fake_clock.h"
#include "fakes/fake_dialogs.h"
#include "fakes/fake_program_end.h"
#include "fakes/fake_serial_port.h"
#include "fakes/fake_timer.h"
#include "meter_line.h"
#include "parameters/form3.h"
#include "platform/event_gate.h"

namespace paramtest {

using Bytes = std::vector<std::uint8_t>;

// The main window as the parameter window sees it.
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

// The parameter window on fakes, its port wired to simulated meters: every byte the window
// writes reaches the meters at once, and their replies arrive after the handler that sent the
// request has returned, as on a real line.
class Form3Test : public ::testing::Test {
  protected:
    void SetUp() override {
        port.onWrite = [this](std::uint8_t byte) {
            now += 1000;
            for (const auto& heard : line->receive(byte, now).heard) {
                if (heard.answer) {
                    pending.insert(pending.end(), heard.answer->frame.begin(),
                                   heard.answer->frame.end());
                }
            }
        };
        form = std::make_unique<parameters::Form3>(parameters::ParameterWindowServices{
            port, timer, dialogs, programEnd, gate, saved, mainWindow, traffic});
    }

    // Meters present on the line, password 1234.
    void meters(const char* stations) {
        line = std::make_unique<meter_sim::MeterLine>(*meter_sim::parseStations(stations),
                                                      *meter_sim::parsePassword("1234"), 0);
    }

    // Opened as the main window opens it: load and show inside the main window's handler.
    void open() {
        gate.run([this] {
            form->Form_Load();
            form->show();
        });
    }

    void deliver() {
        if (!pending.empty()) {
            const Bytes block = std::move(pending);
            pending.clear();
            port.arrive(block);
        }
    }
    void tick() {
        now += 200'000;
        timer.tick();
        deliver();
    }
    void startWrite() {
        form->Command3->click();
        deliver();
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
    std::string text(parameters::Param param) const { return form->fieldText(param).toStdString(); }
    const meter_sim::MeterSettings& meterSettings() {
        return line->meter(mainWindow.station)->settings();
    }

    std::unique_ptr<meter_sim::MeterLine> line = std::make_unique<meter_sim::MeterLine>(
        *meter_sim::parseStations("1-16"), *meter_sim::parsePassword("1234"), 0);
    std::int64_t now = 0;
    Bytes pending;
    fakes::FakeSerialPort port;
    fakes::FakeTimer timer;
    fakes::FakeDialogs dialogs;
    fakes::FakeProgramEnd programEnd;
    fakes::FakeClock clock;
    commissioning::TrafficLog traffic{clock};
    platform::EventGate gate;
    parameters::SavedParameters saved;
    FakeMainWindow mainWindow;
    std::unique_ptr<parameters::Form3> form;
};

}  // namespace paramtest
