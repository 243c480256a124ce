#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>

#include <functional>
#include <memory>
#include <string>

#include "fakes/fake_clock.h"
#include "fakes/fake_dialogs.h"
#include "fakes/fake_program_end.h"
#include "link/pauses.h"
#include "platform/event_gate.h"
#include "platform/qt/qt_file_reader.h"
#include "platform/qt/qt_timer.h"
#include "platform/qt/serial/qt_serial_port.h"
#include "records/sql/store_factory.h"
#include "records/store_dir.h"
#include "session/polling_session.h"
#include "shell/fake_port_advice.h"
#include "shell/form1.h"
#include "shell/operator_messages.h"

namespace e2e {

struct StayingNavigation final : shell::Navigation {
    std::function<void()> onParameterWindow;
    void openParameterWindow() override {
        if (onParameterWindow) {
            onParameterWindow();
        }
    }
    void openWindow(std::size_t) override {}
};

// A store that passes every call on to another and notes, at each append, what `shown` gives.
class WatchedStore final : public records::Store {
  public:
    WatchedStore(records::Store& store, std::function<void()> atAppend)
        : store_(store), atAppend_(std::move(atAppend)) {}
    bool append(const records::MeasurementRecord& record) override {
        atAppend_();
        return store_.append(record);
    }
    std::optional<std::vector<records::StoredRecord>> newest(const records::RecordFilter& filter,
                                                             std::size_t limit) override {
        return store_.newest(filter, limit);
    }
    std::optional<std::int64_t> count(const records::RecordFilter& filter) override {
        return store_.count(filter);
    }
    bool walk(const records::RecordFilter& filter, const records::RecordSink& sink) override {
        return store_.walk(filter, sink);
    }
    bool clear() override { return store_.clear(); }
    records::StoreHealth health() const override { return store_.health(); }

  private:
    records::Store& store_;
    std::function<void()> atAppend_;
};

// The whole main window on real adapters: the Qt serial port on a pseudo-terminal served by the
// meter simulator, a real SQLite store in a temporary working directory, the real timer and
// pacing. Only the dialogs (scripted) and the clock (set by the test) are fakes; the store is
// watched, so that the test sees what the window showed at the moment a record is stored.
class MeterLineTest : public ::testing::Test {
  protected:
    void TearDown() override {
        form.reset();
        session.reset();
        watchedStore.reset();
        logging.store.reset();
        stopSimulator();
    }

    // Starts the simulator with `options` and the main window on it. False when that fails;
    // `skipReason` says so when the machine has no pseudo-terminal to give.
    bool start(const QStringList& options) {
        if (!store.createStore()) {
            ADD_FAILURE() << "cannot create the records store";
            return false;
        }
        const QString link = QString::fromStdString(store.path("ttyMETER"));
        simulator.setProgram(QStringLiteral(TUSKO_METER_SIM_PATH));
        simulator.setArguments(QStringList{"--link", link, "--seed", "11"} + options);
        if (!startSimulator()) {
            skipReason = "the meter simulator could not open a pseudo-terminal";
            return false;
        }
        portConfig = "COM1=" + link.toStdString() + "\n";
        port = std::make_unique<platform::qt::QtSerialPort>(
            seriallink::PortMap::fromConfig(portConfig, {}));
        logging = records::sql::openLoggingStore(clock);
        watchedStore = std::make_unique<WatchedStore>(
            *logging.store, [this] { shownAtAppend = shownRecordTexts(); });
        session = std::make_unique<session::PollingSession>(session::PollingServices{
            *port, timer, pacer, clock, files, *watchedStore, traffic, gate});
        session->addListener(messages);
        form = std::make_unique<shell::Form1>(shell::MainWindowServices{
            *session, dialogs, programEnd, gate, clock, navigation, windows, portAdvice});
        bool loaded = false;
        gate.run([&] { loaded = form->Form_Load(); });
        EXPECT_TRUE(loaded);
        return loaded;
    }

    // Starts the simulator with the arguments it was given last; true once its line is there.
    bool startSimulator() {
        simulator.start();
        return simulator.waitForStarted(5000) && simulator.waitForReadyRead(5000) &&
               simulator.readLine().startsWith("device:");
    }

    void stopSimulator() {
        if (simulator.state() != QProcess::NotRunning) {
            simulator.terminate();
            simulator.waitForFinished(3000);
        }
    }

    // Lets the event loop run until `done` holds or `ms` have passed.
    bool waitFor(const std::function<bool()>& done, int ms) {
        QElapsedTimer elapsed;
        elapsed.start();
        while (!done()) {
            if (elapsed.elapsed() > ms) {
                return false;
            }
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            QThread::msleep(2);
        }
        return true;
    }

    std::string text(int labelNumber) const {
        const auto* label = form->findChild<QLabel*>(QStringLiteral("Label%1").arg(labelNumber));
        return label ? label->text().toStdString()
                     : "(no Label" + std::to_string(labelNumber) + ")";
    }
    const measurement::StationState& station(int number) const {
        return session->stations().stations[static_cast<std::size_t>(number - 1)];
    }

    // The record fields as the displays show them now.
    std::vector<std::string> shownRecordTexts() const {
        return {text(33), text(29) + text(30), text(31),           text(40),
                text(34), text(35) + text(36), text(37) + text(38)};
    }

    bool everyValueShown() const {
        for (int number : {29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 40, 51, 52, 59, 60, 61}) {
            if (text(number).empty()) {
                return false;
            }
        }
        return true;
    }

    records_test::StoreDir store;
    QProcess simulator;
    std::unique_ptr<platform::qt::QtSerialPort> port;
    platform::qt::QtTimer timer;
    seriallink::BusyPacer pacer;
    fakes::FakeDialogs dialogs;
    platform::qt::QtFileReader files;
    fakes::FakeClock clock;
    records::sql::LoggingStore logging;  // the file of the working directory
    std::unique_ptr<WatchedStore> watchedStore;
    commissioning::TrafficLog traffic{clock};
    fakes::FakeProgramEnd programEnd;
    platform::EventGate gate;
    StayingNavigation navigation;
    shell::WindowList windows = {{"Command3", "数据查询", nullptr}};
    shelltest::FakePortAdvice portAdvice;
    shell::OperatorMessages messages{dialogs, portAdvice};
    std::unique_ptr<session::PollingSession> session;
    std::unique_ptr<shell::Form1> form;
    std::vector<std::string> shownAtAppend;
    std::string skipReason;
    std::string portConfig;  // "comports.conf" of the test: COM1 is the simulator
};

// Starts the simulator and the window, or ends the test: skipped without a pseudo-terminal,
// failed otherwise.
#define START_METER_LINE(...)                         \
    do {                                              \
        if (!start(__VA_ARGS__)) {                    \
            if (!skipReason.empty()) {                \
                GTEST_SKIP() << skipReason;           \
            }                                         \
            FAIL() << "the meter line did not start"; \
        }                                             \
    } while (false)

}  // namespace e2e
