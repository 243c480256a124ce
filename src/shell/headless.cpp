#include "headless.h"

#include <QCoreApplication>
#include <QTimer>

#include <iostream>

#include "command_line.h"
#include "platform/qt/serial/qt_serial_port.h"
#include "platform/qt/termination_signals.h"

namespace shell {

void reportGateway(MachineSession& line, std::ostream& out) {
    for (const std::string& problem : line.gatewayProblems()) {
        out << "tuskocp: " << problem << std::endl;
    }
    platform::qt::Gateway* gateway = line.gateway();
    if (gateway == nullptr) {
        return;
    }
    // A line for each part whose state changed.
    gateway->watchStatus([&out, printed = platform::qt::GatewayStatus{}](
                             const platform::qt::GatewayStatus& now) mutable {
        for (const auto& [before, after] : {std::make_pair(&printed.modbus, &now.modbus),
                                            std::make_pair(&printed.mqtt, &now.mqtt)}) {
            if (*after != *before && !after->empty()) {
                out << "tuskocp: " << *after << std::endl;
            }
        }
        printed = now;
    });
}

void HeadlessProgram::LoopEnd::endProgram() {
    ended_ = true;
    QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
}

HeadlessProgram::HeadlessProgram()
    : portMap_(platform::qt::portMapForThisMachine()),
      line_(gate_, portMap_),
      report_(std::cerr, line_.clock(), ConsoleReport::Scope::Everything) {
    line_.session().addListener(report_);
}

HeadlessProgram::~HeadlessProgram() {
    line_.session().removeListener(report_);
}

int HeadlessProgram::run(bool multiStation, std::optional<std::uint8_t> station) {
    session::PollingSession& polling = line_.session();
    bool started = false;
    gate_.run([&] {
        started = polling.start();
        if (started && multiStation) {
            polling.pollAllStations();
        } else if (started && station) {
            polling.pollSingleStation(*station);
        }
    });
    if (!started) {
        std::cerr << portTableOfThisMachine();
        return kNoUsablePortStatus;
    }
    std::cerr << portNotes(portMap_, polling.portNumber());
    if (!line_.storeNoticeEnglish().empty()) {
        std::cerr << "tuskocp: " << line_.storeNoticeEnglish() << "\n";
    }
    reportGateway(line_, std::cerr);
    platform::qt::endProgramOnTerminationSignals(end_);
    const int status = QCoreApplication::exec();
    gate_.run([&polling] { polling.stop(); });
    return status;
}

}  // namespace shell
