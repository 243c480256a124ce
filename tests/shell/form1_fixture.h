#pragma once

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "commissioning/traffic_log.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_dialogs.h"
#include "fakes/fake_file_reader.h"
#include "fakes/fake_pacer.h"
#include "fakes/fake_program_end.h"
#include "fakes/fake_serial_port.h"
#include "fakes/fake_store.h"
#include "fakes/fake_timer.h"
#include "platform/event_gate.h"
#include "session/polling_session.h"
#include "shell/fake_port_advice.h"
#include "shell/form1.h"
#include "shell/operator_messages.h"

namespace shelltest {

using Bytes = std::vector<std::uint8_t>;

struct RecordingNavigation final : shell::Navigation {
    int parameterOpenings = 0;
    std::vector<std::size_t> windowOpenings;
    std::function<void()> onParameterWindow;

    void openParameterWindow() override {
        ++parameterOpenings;
        if (onParameterWindow) {
            onParameterWindow();
        }
    }
    void openWindow(std::size_t index) override { windowOpenings.push_back(index); }
};

// The main window on a polling session over fakes, the session's messages shown as the program
// shows them; Form_Load is left to the test.
class Form1Test : public ::testing::Test {
  protected:
    void SetUp() override {
        session = std::make_unique<session::PollingSession>(
            session::PollingServices{port, timer, pacer, clock, files, store, traffic, gate});
        session->addListener(messages);
        buildWindow();
    }
    void TearDown() override {
        form.reset();
        session.reset();
    }

    void buildWindow() {
        form = std::make_unique<shell::Form1>(shell::MainWindowServices{
            *session, dialogs, programEnd, gate, clock, navigation, windows, portAdvice});
    }

    // A new window on new fakes, for table-driven tests that need a fresh start per case.
    void restart() {
        TearDown();
        port = fakes::FakeSerialPort{};
        timer = fakes::FakeTimer{};
        store = fakes::FakeStore{};
        dialogs = fakes::FakeDialogs{};
        files = fakes::FakeFileReader{};
        clock = fakes::FakeClock{};
        programEnd = fakes::FakeProgramEnd{};
        navigation = RecordingNavigation{};
        portAdvice = FakePortAdvice{};
        SetUp();
    }

    [[nodiscard]] bool load() {
        bool loaded = false;
        gate.run([&] { loaded = form->Form_Load(); });
        return loaded;
    }

    // Runs one timer tick and returns the bytes it wrote.
    Bytes tick() {
        port.written.clear();
        timer.tick();
        return port.written;
    }

    // The text of the control named `name` on the window ("Label29").
    std::string text(const char* name) const {
        const auto* label = form->findChild<QLabel*>(QString::fromUtf8(name));
        EXPECT_NE(label, nullptr) << name;
        return label ? label->text().toStdString() : std::string();
    }

    int enabledIndicators() const {
        int count = 0;
        for (QCheckBox* box : form->Check1) {
            count += box->isEnabled() ? 1 : 0;
        }
        return count;
    }

    fakes::FakeSerialPort port;
    fakes::FakeTimer timer;
    fakes::FakePacer pacer;
    fakes::FakeStore store;
    fakes::FakeDialogs dialogs;
    fakes::FakeFileReader files;
    fakes::FakeClock clock;
    commissioning::TrafficLog traffic{clock};
    fakes::FakeProgramEnd programEnd;
    platform::EventGate gate;
    RecordingNavigation navigation;
    FakePortAdvice portAdvice;
    shell::OperatorMessages messages{dialogs, portAdvice};
    shell::WindowList windows = {{"Command3", "数据查询", nullptr},
                                 {"stationOverviewButton", "站点总览", nullptr},
                                 {"trendButton", "历史趋势", nullptr}};
    std::unique_ptr<session::PollingSession> session;
    std::unique_ptr<shell::Form1> form;
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

}  // namespace shelltest
