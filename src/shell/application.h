#pragma once

#include <QPointer>
#include <QWidget>

#include <cstddef>
#include <memory>
#include <vector>

#include "link/pauses.h"
#include "parameters/form3.h"
#include "parameters/parameter_set.h"
#include "platform/event_gate.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/qt_file_writer.h"
#include "platform/qt/qt_program_end.h"
#include "platform/qt/qt_timer.h"
#include "platform/qt/serial/qt_serial_port.h"
#include "service/console_report.h"
#include "service/machine_session.h"
#include "session/polling_listener.h"
#include "session/write_session.h"
#include "shell/form1.h"
#include "shell/navigation.h"
#include "shell/window_list.h"

namespace shell {

// The program with its windows: builds the polling session and the platform adapters, hands them
// to the windows and moves between the windows.
class Application final : public Navigation {
  public:
    Application();
    ~Application() override;

    // Runs the main window's start-up and the event loop; the program's exit code. Without a usable
    // port the port table goes to standard error and the code is kNoUsablePortStatus.
    int run();

    void openParameterWindow() override;
    void openWindow(std::size_t index) override;

  private:
    // Keeps the main window's note on a pinned port whose device is missing up to date with the
    // port in use.
    class PortNoteKeeper final : public session::PollingListener {
      public:
        PortNoteKeeper(const seriallink::PortMap& portMap, StatusLine& statusLine)
            : portMap_(portMap), statusLine_(statusLine) {}
        void portsFound(const std::vector<session::PortEntry>& ports, std::size_t inUse) override;

      private:
        const seriallink::PortMap& portMap_;
        StatusLine& statusLine_;
    };

    WindowList windowList();

    platform::EventGate gate_;
    // Which device each COM number opens, found once for both windows' ports.
    seriallink::PortMap portMap_;
    service::MachineSession line_;
    service::ConsoleReport report_;
    platform::qt::QtDialogs dialogs_;
    platform::qt::QtProgramEnd programEnd_;
    platform::qt::QtFileWriter fileWriter_;
    // The windows besides the main window and the parameter window, made at their first opening
    // so that the start-up does not wait for them.
    WindowList windows_;
    std::vector<QPointer<QWidget>> opened_;
    Form1 form1_;
    // The parameter write has a port and a timer of its own; its saved set outlives it.
    platform::qt::QtSerialPort port3_;
    platform::qt::QtTimer timer3_;
    seriallink::BusyPacer pacer3_;
    parameters::SavedParameters saved_;
    session::WriteSession writeSession_;
    parameters::Form3 form3_;
    PortNoteKeeper portNote_;
};

}  // namespace shell
