#include "service/service_program.h"

#include <QCoreApplication>
#include <QTimer>

#include <iostream>

#include "platform/event_gate.h"
#include "platform/program_end.h"
#include "platform/qt/termination_signals.h"
#include "service/console_report.h"
#include "service/machine_check.h"
#include "service/machine_ports.h"
#include "service/machine_session.h"
#include "service/options.h"

namespace service {

namespace {

// Ends the event loop.
class LoopEnd final : public platform::ProgramEnd {
  public:
    void endProgram() override {
        ended_ = true;
        QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
    }
    bool hasEnded() const override { return ended_; }

  private:
    bool ended_ = false;
};

// Says why "gateway.conf" was not used, and from now on each change of the gateway's state:
// Modbus clients connected, MQTT connected or why not.
void reportGateway(MachineSession& line, const std::string& program) {
    for (const std::string& problem : line.gatewayProblems()) {
        std::cerr << program << ": " << problem << std::endl;
    }
    platform::qt::Gateway* gateway = line.gateway();
    if (gateway == nullptr) {
        return;
    }
    // A line for each part whose state changed.
    gateway->watchStatus([program, printed = platform::qt::GatewayStatus{}](
                             const platform::qt::GatewayStatus& now) mutable {
        for (const auto& [before, after] : {std::make_pair(&printed.modbus, &now.modbus),
                                            std::make_pair(&printed.mqtt, &now.mqtt)}) {
            if (*after != *before && !after->empty()) {
                std::cerr << program << ": " << *after << std::endl;
            }
        }
        printed = now;
    });
}

// Polls with `options` until a termination signal; the exit status.
int poll(const Options& options, const std::string& program) {
    // A termination signal that comes while the port is found and opened ends the event loop as
    // soon as it runs.
    LoopEnd end;
    platform::qt::endProgramOnTerminationSignals(end);
    platform::EventGate gate;
    const seriallink::PortMap portMap = pollingPortMap(options.port);
    MachineSession line(gate, portMap, program);
    session::PollingSession& polling = line.session();
    polling.setLineSpeed(options.lineSpeed);
    bool started = false;
    gate.run([&] { started = polling.start(); });
    if (!started) {
        std::cerr << program << ": no usable serial port\n" << portTable(portMap, options.port);
        return kFailedStatus;
    }
    // Told from here on: the start line comes first, then what the store has to say.
    ConsoleReport report(std::cerr, line.clock(), ConsoleReport::Scope::Everything, program);
    polling.addListener(report);
    gate.run([&] {
        if (options.multiStation) {
            polling.pollAllStations();
        } else {
            polling.pollSingleStation(options.station);
        }
    });
    std::cerr << portNotes(portMap, polling.portNumber(), program);
    const int number = polling.portNumber();
    report.started({portName(options.port, number, portMap.device(number).value_or("")),
                    options.lineSpeed, options.multiStation, options.station, storeName()});
    if (!line.storeNoticeEnglish().empty()) {
        std::cerr << program << ": " << line.storeNoticeEnglish() << "\n";
    }
    report.storeHealthChanged(line.storeHealth());
    reportGateway(line, program);

    const int status = QCoreApplication::exec();
    gate.run([&polling] { polling.stop(); });
    report.ended(polling.stations(), line.recordsStored());
    polling.removeListener(report);
    return status;
}

}  // namespace

int runService(int argc, char** argv, const std::vector<std::string>& arguments,
               const Identity& identity) {
    const Options options = readOptions(arguments);
    switch (options.action) {
        case Action::Help:
            std::cout << identity.usage;
            return 0;
        case Action::Version:
            std::cout << identity.version << "\n";
            return 0;
        case Action::Refuse:
            std::cerr << identity.program << ": " << options.refused << "\n" << identity.usage;
            return kUsageStatus;
        case Action::Check: {
            // The serial ports need an event loop's thread, not a display.
            const QCoreApplication app(argc, argv);
            const CheckFindings findings = checkThisMachine(options);
            std::cout << findings.report(identity.program);
            return findings.problems() == 0 ? 0 : kFailedStatus;
        }
        case Action::Run:
            break;
    }
    const QCoreApplication app(argc, argv);
    return poll(options, identity.program);
}

}  // namespace service
