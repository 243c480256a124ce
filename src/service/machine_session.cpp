#include "service/machine_session.h"

#include <iostream>

namespace service {

MachineSession::MachineSession(platform::EventGate& gate, const seriallink::PortMap& portMap,
                               const std::string& program)
    : port_(portMap),
      files_(std::cerr, program),
      notice_(records::sql::openLoggingStore(clock_)),
      store_(std::move(notice_.store)),
      traffic_(clock_),
      session_(session::PollingServices{port_, timer_, pacer_, clock_, files_, store_, traffic_,
                                        gate}) {}

}  // namespace service
