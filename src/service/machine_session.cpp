#include "machine_session.h"

namespace shell {

MachineSession::MachineSession(platform::EventGate& gate, const seriallink::PortMap& portMap)
    : port_(portMap),
      store_(records::sql::openLoggingStore(clock_)),
      traffic_(clock_),
      session_(session::PollingServices{port_, timer_, pacer_, clock_, files_, *store_.store,
                                        traffic_, gate}) {}

}  // namespace shell
