#pragma once

#include <QPointer>

#include <cstdint>
#include <memory>
#include <optional>

#include "commissioning/station_overview.h"
#include "commissioning/traffic_log.h"
#include "commissioning/traffic_monitor.h"
#include "console_dialogs.h"
#include "parameters/form3.h"
#include "parameters/parameter_set.h"
#include "platform/event_gate.h"
#include "platform/qt/qt_clock.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/qt_file_reader.h"
#include "platform/qt/qt_file_writer.h"
#include "platform/qt/qt_program_end.h"
#include "platform/qt/qt_timer.h"
#include "platform/qt/records/records_binding_choice.h"
#include "platform/qt/serial/qt_serial_port.h"
#include "records/form4.h"
#include "records/trend_window.h"
#include "shell/form1.h"
#include "shell/navigation.h"

namespace shell {

// Builds the platform adapters, hands them to the windows and moves between the windows.
class Application final : public Navigation {
  public:
    // Without windows (`headless`) the main window's start-up and polling run all the same, but
    // nothing is shown and messages go to standard error.
    explicit Application(bool headless = false);
    ~Application() override;

    // Runs the main window's start-up and the event loop; the program's exit code. Without a usable
    // port the port table goes to standard error and the code is kNoUsablePortStatus.
    int run();
    // As run(), without windows: polls station 1, every station in turn (`multiStation`) or
    // `station`, and logs, until a termination signal ends the program.
    int runHeadless(bool multiStation, std::optional<std::uint8_t> station);

    void openParameterWindow() override;
    void openDataQuery() override;
    void openStationOverview() override;
    void openTrafficMonitor() override;
    void openTrend() override;

  private:
    platform::EventGate gate_;
    // Which device each COM number opens, found once for both windows' ports.
    seriallink::PortMap portMap_;
    platform::qt::QtSerialPort port_;
    platform::qt::QtTimer timer_;
    // Over the file, or over the server that "records.conf" names.
    std::unique_ptr<platform::RecordsBinding> data1_ =
        platform::qt::recordsBindingForWorkingDirectory();
    std::unique_ptr<platform::RecordsBinding> data2_ =
        platform::qt::recordsBindingForWorkingDirectory();
    platform::qt::QtDialogs windowDialogs_;
    ConsoleDialogs consoleDialogs_;
    platform::Dialogs& dialogs_;
    platform::qt::QtFileReader files_;
    platform::qt::QtClock clock_;
    platform::qt::QtProgramEnd programEnd_;
    platform::qt::QtFileWriter fileWriter_;
    commissioning::TrafficLog traffic_;
    Form1 form1_;
    // The parameter window has a port and a timer of its own; its saved set outlives it.
    platform::qt::QtSerialPort port3_;
    platform::qt::QtTimer timer3_;
    parameters::SavedParameters saved_;
    parameters::Form3 form3_;
    QPointer<records::Form4> form4_;
    // Made at their first opening, so that the start-up does not wait for them.
    std::unique_ptr<commissioning::StationOverview> overview_;
    std::unique_ptr<commissioning::TrafficMonitor> monitor_;
    // Reads the store on a thread of its own, through a reader of its own.
    std::unique_ptr<records::TrendWindow> trend_;
};

}  // namespace shell
