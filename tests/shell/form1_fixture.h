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

#include "fakes/fake_clock.h"
#include "fakes/fake_dialogs.h"
#include "fakes/fake_file_reader.h"
#include "fakes/fake_program_end.h"
#include "fakes/fake_records_binding.h"
#include "fakes/fake_serial_port.h"
#include "fakes/fake_timer.h"
#include "platform/event_gate.h"
#include "shell/form1.h"

namespace shelltest {

using Bytes = std::vector<std::uint8_t>;

struct RecordingNavigation final : shell::Navigation {
    int parameterOpenings = 0;
    int dataQueryOpenings = 0;
    std::function<void()> onParameterWindow;

    void openParameterWindow() override {
        ++parameterOpenings;
        if (onParameterWindow) {
            onParameterWindow();
        }
    }
    void openDataQuery() override { ++dataQueryOpenings; }
    void openStationOverview() override { ++overviewOpenings; }
    void openTrafficMonitor() override { ++monitorOpenings; }
    void openTrend() override { ++trendOpenings; }
    int trendOpenings = 0;
    int overviewOpenings = 0;
    int monitorOpenings = 0;
};

// The main window wired to fakes; Form_Load is left to the test.
class Form1Test : public ::testing::Test {
  protected:
    void SetUp() override {
        form = std::make_unique<shell::Form1>(shell::MainWindowServices{
            port, timer, records, dialogs, files, clock, programEnd, gate, navigation, traffic});
    }

    // A new window on new fakes, for table-driven tests that need a fresh start per case.
    void restart() {
        form.reset();
        port = fakes::FakeSerialPort{};
        timer = fakes::FakeTimer{};
        records = fakes::FakeRecordsBinding{};
        dialogs = fakes::FakeDialogs{};
        files = fakes::FakeFileReader{};
        clock = fakes::FakeClock{};
        programEnd = fakes::FakeProgramEnd{};
        navigation = RecordingNavigation{};
        SetUp();
    }

    // Runs one timer tick and returns the bytes it wrote.
    Bytes tick() {
        port.written.clear();
        timer.tick();
        return port.written;
    }

    std::string text(int labelNumber) const {
        return form->label(labelNumber)->text().toStdString();
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
    fakes::FakeRecordsBinding records;
    fakes::FakeDialogs dialogs;
    fakes::FakeFileReader files;
    fakes::FakeClock clock;
    commissioning::TrafficLog traffic{clock};
    fakes::FakeProgramEnd programEnd;
    platform::EventGate gate;
    RecordingNavigation navigation;
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
