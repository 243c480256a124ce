#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "commissioning/traffic_log.h"
#include "link/pauses.h"
#include "link/port_map.h"
#include "platform/event_gate.h"
#include "platform/mosquitto/mosquitto_connection.h"
#include "platform/qt/gateway/gateway.h"
#include "platform/qt/gateway/qt_gateway_time.h"
#include "platform/qt/qt_clock.h"
#include "platform/qt/qt_file_reader.h"
#include "platform/qt/qt_timer.h"
#include "platform/qt/serial/qt_serial_port.h"
#include "records/sql/store_factory.h"
#include "service/counting_store.h"
#include "service/deferred_store.h"
#include "session/polling_session.h"

namespace service {

// A polling session on this machine: the serial port that the port map names, a Qt timer, the
// busy pacer, the system clock, "config.dat", the records store of the working directory (made
// when it is missing; opened at its first use, once polling has started) and the gateway that
// "gateway.conf" asks for. Needs a Qt event loop, not a display. `program` names the program in
// what it says on standard error.
class MachineSession {
  public:
    MachineSession(platform::EventGate& gate, const seriallink::PortMap& portMap,
                   const std::string& program = "tuskocp");
    ~MachineSession();
    MachineSession(const MachineSession&) = delete;
    MachineSession& operator=(const MachineSession&) = delete;

    session::PollingSession& session() { return session_; }
    commissioning::TrafficLog& traffic() { return traffic_; }
    platform::Clock& clock() { return clock_; }
    // What there is to say about the store once, in Chinese and in English ("已创建记录文件
    // kvt97.mdb"); empty when nothing.
    [[nodiscard]] const std::string& storeNotice() const { return deferred_->notice(); }
    [[nodiscard]] const std::string& storeNoticeEnglish() const {
        return deferred_->noticeEnglish();
    }
    [[nodiscard]] records::StoreHealth storeHealth() const { return store_.health(); }
    // The records stored since the session was made.
    [[nodiscard]] std::int64_t recordsStored() const { return store_.stored(); }
    // The gateway, null when "gateway.conf" turns nothing on; and why the file was not used.
    [[nodiscard]] platform::qt::Gateway* gateway() { return gateway_.get(); }
    [[nodiscard]] const std::vector<std::string>& gatewayProblems() const {
        return gatewayProblems_;
    }

  private:
    std::unique_ptr<records::Store> deferredStore();

    platform::qt::QtSerialPort port_;
    platform::qt::QtTimer timer_;
    seriallink::BusyPacer pacer_;
    platform::qt::QtClock clock_;
    platform::qt::QtFileReader files_;
    // The file, or the table on the server that "records.conf" names; set before store_.
    DeferredStore* deferred_ = nullptr;
    CountingStore store_;
    commissioning::TrafficLog traffic_;
    session::PollingSession session_;
    platform::qt::QtGatewayTime gatewayTime_;
    platform::mqtt::MosquittoLibrary mosquitto_;  // outlives the gateway's connection
    std::vector<std::string> gatewayProblems_;
    std::unique_ptr<platform::qt::Gateway> gateway_;
};

}  // namespace service
