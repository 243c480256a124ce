#pragma once

#include <cstdint>
#include <optional>
#include <ostream>

#include "machine_session.h"
#include "platform/event_gate.h"
#include "platform/program_end.h"
#include "shell/console_report.h"

namespace shell {

// Says on `out` why "gateway.conf" was not used, and from now on each change of the gateway's
// state: Modbus clients connected, MQTT connected or why not.
void reportGateway(MachineSession& line, std::ostream& out);

// The program without windows: the polling session alone, its messages and the stations' and the
// store's news on standard error. Needs a Qt event loop, not a display.
class HeadlessProgram {
  public:
    HeadlessProgram();
    ~HeadlessProgram();

    // Polls station 1, every station in turn (`multiStation`) or `station`, and logs, until a
    // termination signal ends the program; its exit code. Without a usable port the port table
    // goes to standard error and the code is kNoUsablePortStatus.
    int run(bool multiStation, std::optional<std::uint8_t> station);

  private:
    // Ends the event loop.
    class LoopEnd final : public platform::ProgramEnd {
      public:
        void endProgram() override;
        bool hasEnded() const override { return ended_; }

      private:
        bool ended_ = false;
    };

    platform::EventGate gate_;
    seriallink::PortMap portMap_;
    MachineSession line_;
    ConsoleReport report_;
    LoopEnd end_;
};

}  // namespace shell
