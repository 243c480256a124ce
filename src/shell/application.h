#pragma once

#include <memory>
#include <string>

#include "link/port_map.h"
#include "parameters/parameter_set.h"
#include "platform/event_gate.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/qt_file_writer.h"
#include "platform/qt/qt_program_end.h"
#include "service/console_report.h"
#include "service/machine_session.h"
#include "shell/form1.h"
#include "shell/navigator.h"
#include "shell/operator_messages.h"
#include "shell/port_advice.h"
#include "shell/window_list.h"

namespace shell {

// The program with its windows. Polling starts first; the main window is built once the poll
// timer runs, and every other window at its first opening, so that the first request waits for
// no widget.
class Application final {
  public:
    // `portMap` tells which device each COM number opens.
    explicit Application(seriallink::PortMap portMap);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Starts polling, builds and shows the main window and runs the event loop; the program's
    // exit code. Without a usable port the operator reads why, the port table goes to standard
    // error and the code is kNoUsablePortStatus.
    int run();

  private:
    // What this machine says about its ports, through the port map found at start.
    class MachinePortAdvice final : public PortAdvice {
      public:
        explicit MachinePortAdvice(const seriallink::PortMap& portMap) : portMap_(portMap) {}
        std::string whyPortsAreUnusable() override;
        std::string missingPinnedPortNote(int usedNumber) override;

      private:
        const seriallink::PortMap& portMap_;
    };

    WindowList windowList();
    std::unique_ptr<OwnedWindow> makeParameterWindow();

    platform::EventGate gate_;
    // Which device each COM number opens, found once for both windows' ports.
    seriallink::PortMap portMap_;
    service::MachineSession line_;
    service::ConsoleReport report_;
    platform::qt::QtDialogs dialogs_;
    platform::qt::QtProgramEnd programEnd_;
    platform::qt::QtFileWriter fileWriter_;
    MachinePortAdvice portAdvice_;
    OperatorMessages messages_;
    // The parameter write's saved set outlives every opening of its window.
    parameters::SavedParameters saved_;
    WindowList windows_;
    std::unique_ptr<Form1> form1_;
    // Destroyed before the main window: the parameter window works with it.
    Navigator navigator_;
};

}  // namespace shell
