#include "service/machine_session.h"

#include <iostream>

#include "platform/qt/gateway/gateway_setup.h"

namespace service {

MachineSession::MachineSession(platform::EventGate& gate, const seriallink::PortMap& portMap,
                               const std::string& program)
    : port_(portMap),
      files_(std::cerr, program),
      store_(deferredStore()),
      traffic_(clock_),
      session_(
          session::PollingServices{port_, timer_, pacer_, clock_, files_, store_, traffic_, gate}) {
    const platform::qt::GatewaySetup setup = platform::qt::readGatewaySetup();
    gatewayProblems_ = setup.problems;
    if (setup.settings.modbus || setup.settings.mqtt) {
        gateway_ = std::make_unique<platform::qt::Gateway>(setup, gatewayTime_, [this] {
            return std::make_unique<platform::mqtt::MosquittoConnection>(mosquitto_);
        });
        session_.addListener(*gateway_);
    }
}

std::unique_ptr<records::Store> MachineSession::deferredStore() {
    auto store = std::make_unique<DeferredStore>([this] {
        records::sql::LoggingStore opened = records::sql::openLoggingStore(clock_);
        return OpenedStore{std::move(opened.store), opened.notice, opened.noticeEnglish};
    });
    deferred_ = store.get();
    return store;
}

MachineSession::~MachineSession() {
    if (gateway_) {
        session_.removeListener(*gateway_);
    }
}

}  // namespace service
