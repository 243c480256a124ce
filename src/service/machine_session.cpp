#include "service/machine_session.h"

#include <iostream>

#include "platform/mosquitto/mosquitto_connection.h"
#include "platform/qt/gateway/gateway_setup.h"

namespace service {

MachineSession::MachineSession(platform::EventGate& gate, const seriallink::PortMap& portMap,
                               const std::string& program)
    : port_(portMap),
      files_(std::cerr, program),
      notice_(records::sql::openLoggingStore(clock_)),
      store_(std::move(notice_.store)),
      traffic_(clock_),
      session_(
          session::PollingServices{port_, timer_, pacer_, clock_, files_, store_, traffic_, gate}) {
    const platform::qt::GatewaySetup setup = platform::qt::readGatewaySetup();
    gatewayProblems_ = setup.problems;
    if (setup.settings.modbus || setup.settings.mqtt) {
        gateway_ = std::make_unique<platform::qt::Gateway>(setup, gatewayTime_, [] {
            return std::make_unique<platform::mqtt::MosquittoConnection>();
        });
        session_.addListener(*gateway_);
    }
}

MachineSession::~MachineSession() {
    if (gateway_) {
        session_.removeListener(*gateway_);
    }
}

}  // namespace service
