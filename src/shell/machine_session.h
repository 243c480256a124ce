#pragma once

#include <memory>

#include "commissioning/traffic_log.h"
#include "link/pauses.h"
#include "link/port_map.h"
#include "platform/event_gate.h"
#include "platform/qt/qt_clock.h"
#include "platform/qt/qt_file_reader.h"
#include "platform/qt/qt_timer.h"
#include "platform/qt/records/records_binding_choice.h"
#include "platform/qt/serial/qt_serial_port.h"
#include "session/polling_session.h"
#include "shell/binding_store.h"

namespace shell {

// A polling session on this machine: the serial port that the port map names, a Qt timer, the
// busy pacer, the system clock, "config.dat" and the records store of the working directory.
// Needs a Qt event loop, not a display.
class MachineSession {
  public:
    MachineSession(platform::EventGate& gate, const seriallink::PortMap& portMap);

    session::PollingSession& session() { return session_; }
    commissioning::TrafficLog& traffic() { return traffic_; }
    platform::Clock& clock() { return clock_; }

  private:
    platform::qt::QtSerialPort port_;
    platform::qt::QtTimer timer_;
    seriallink::BusyPacer pacer_;
    platform::qt::QtClock clock_;
    platform::qt::QtFileReader files_;
    // Over the file, or over the server that "records.conf" names.
    std::unique_ptr<platform::RecordsBinding> binding_ =
        platform::qt::recordsBindingForWorkingDirectory();
    BindingStore store_;
    commissioning::TrafficLog traffic_;
    session::PollingSession session_;
};

}  // namespace shell
