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
#include "fakes/fake_pacer.h"
#include "fakes/fake_program_end.h"
#include "fakes/fake_serial_port.h"
#include "fakes/fake_timer.h"
#include "meter_line.h"
#include "parameters/form3.h"
#include "platform/event_gate.h"
#include "session/write_session.h"

namespace paramtest {

using Bytes = std::vector<std::uint8_t>;

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

// The parameter window over a write session on fakes, its port wired to simulated meters: every
// byte the session writes reaches the meters at once, and their replies arrive after the handler
// that sent the request has returned, as on a real line.
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
        form = std::make_unique<parameters::Form3>(
            parameters::ParameterWindowServices{session, dialogs, programEnd, gate});
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
    std::string text(parameters::Param param) const { return form->fieldText(param).toStdString(); }
    std::unique_ptr<meter_sim::MeterLine> line = std::make_unique<meter_sim::MeterLine>(
        *meter_sim::parseStations("1-16"), *meter_sim::parsePassword("1234"), 0);
    std::int64_t now = 0;
    Bytes pending;
    fakes::FakeSerialPort port;
    fakes::FakeTimer timer;
    fakes::FakePacer pacer;
    fakes::FakeDialogs dialogs;
    fakes::FakeProgramEnd programEnd;
    fakes::FakeClock clock;
    commissioning::TrafficLog traffic{clock};
    platform::EventGate gate;
    parameters::SavedParameters saved;
    FakeMainWindow mainWindow;
    session::WriteSession session{
        session::WriteSessionServices{port, timer, pacer, clock, gate, saved, mainWindow, traffic}};
    std::unique_ptr<parameters::Form3> form;
};

}  // namespace paramtest
