#pragma once

#include <QPointer>

#include <memory>

#include "commissioning/station_overview.h"
#include "commissioning/traffic_log.h"
#include "commissioning/traffic_monitor.h"
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
#include "shell/form1.h"
#include "shell/navigation.h"

namespace shell {

// Builds the platform adapters, hands them to the windows and moves between the windows.
class Application final : public Navigation {
  public:
    Application();
    ~Application() override;

    // Runs the main window's start-up and the event loop; the program's exit code.
    int run();

    void openParameterWindow() override;
    void openDataQuery() override;
    void openStationOverview() override;
    void openTrafficMonitor() override;

  private:
    platform::EventGate gate_;
    platform::qt::QtSerialPort port_;
    platform::qt::QtTimer timer_;
    // Over the file, or over the server that "records.conf" names.
    std::unique_ptr<platform::RecordsBinding> data1_ =
        platform::qt::recordsBindingForWorkingDirectory();
    std::unique_ptr<platform::RecordsBinding> data2_ =
        platform::qt::recordsBindingForWorkingDirectory();
    platform::qt::QtDialogs dialogs_;
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
    commissioning::StationOverview overview_;
    commissioning::TrafficMonitor monitor_;
};

}  // namespace shell
