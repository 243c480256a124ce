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

#include "fakes/fake_dialogs.h"
#include "fakes/fake_program_end.h"
#include "session/polling_fakes.h"
#include "session/polling_session.h"
#include "shell/fake_port_advice.h"
#include "shell/form1.h"
#include "shell/operator_messages.h"

namespace shelltest {

using sessiontest::Bytes;
using sessiontest::poll;
using sessiontest::reply;

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
class Form1Test : public ::testing::Test, public sessiontest::PollingFakes {
  protected:
    void SetUp() override {
        session = std::make_unique<session::PollingSession>(services());
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
        renewFakes();
        dialogs = fakes::FakeDialogs{};
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

    fakes::FakeDialogs dialogs;
    fakes::FakeProgramEnd programEnd;
    RecordingNavigation navigation;
    FakePortAdvice portAdvice;
    shell::OperatorMessages messages{dialogs, portAdvice};
    shell::WindowList windows = {{"Command3", "数据查询", nullptr},
                                 {"stationOverviewButton", "站点总览", nullptr},
                                 {"trendButton", "历史趋势", nullptr}};
    std::unique_ptr<session::PollingSession> session;
    std::unique_ptr<shell::Form1> form;
};

}  // namespace shelltest
