#include "application.h"

#include <QApplication>

#include <iostream>
#include <utility>

#include "command_line.h"
#include "commissioning/station_overview.h"
#include "commissioning/traffic_monitor.h"
#include "link/pauses.h"
#include "parameters/form3.h"
#include "platform/qt/files/export_target.h"
#include "platform/qt/qt_timer.h"
#include "platform/qt/serial/qt_serial_port.h"
#include "platform/qt/termination_signals.h"
#include "platform/qt/trend/trend_rows_choice.h"
#include "records/form4.h"
#include "records/sql/store_factory.h"
#include "records/trend_window.h"
#include "session/write_session.h"

namespace shell {
namespace {

// The parameter window with the port, the timer and the write session it alone works with.
class ParameterWindow final : public OwnedWindow {
  public:
    ParameterWindow(const seriallink::PortMap& portMap, platform::Clock& clock,
                    platform::EventGate& gate, parameters::SavedParameters& saved,
                    parameters::MainWindowLink& mainWindow, commissioning::TrafficLog& traffic,
                    platform::Dialogs& dialogs, platform::ProgramEnd& programEnd)
        : port_(portMap),
          session_(session::WriteSessionServices{port_, timer_, pacer_, clock, gate, saved,
                                                 mainWindow, traffic}),
          form3_(parameters::ParameterWindowServices{session_, dialogs, programEnd, gate}) {}

    void open() override {
        form3_.Form_Load();
        form3_.show();
        form3_.raise();
        form3_.activateWindow();
    }

  private:
    platform::qt::QtSerialPort port_;
    platform::qt::QtTimer timer_;
    seriallink::BusyPacer pacer_;
    session::WriteSession session_;
    parameters::Form3 form3_;
};

}  // namespace

Application::Application(seriallink::PortMap portMap)
    : portMap_(std::move(portMap)),
      line_(gate_, portMap_),
      report_(std::cerr, line_.clock(), service::ConsoleReport::Scope::StoreOnly, "tuskocp"),
      portAdvice_(portMap_),
      messages_(dialogs_, portAdvice_),
      windows_(windowList()),
      navigator_([this] { return makeParameterWindow(); }, windows_) {
    line_.session().addListener(report_);
    line_.session().addListener(messages_);
}

Application::~Application() {
    line_.session().removeListener(messages_);
    line_.session().removeListener(report_);
}

WindowList Application::windowList() {
    return {
        {"Command3", "数据查询",
         [this]() -> QWidget* {
             // The window is kept for the program's life: closing it hides it, and each opening
             // starts afresh. It reads a store of the working directory's kind on a thread of
             // its own, kept open between openings, and writes each export with a writer of its
             // own there. Made ahead, so that its first opening does not wait for its making.
             const auto refuseExport = [](const std::string& path) -> std::optional<std::string> {
                 const auto refused = platform::qt::exportRefusal(path);
                 return refused ? std::optional<std::string>(refused->chinese) : std::nullopt;
             };
             return new records::Form4(
                 {records::sql::readingStores(line_.clock()),
                  [] { return std::make_unique<platform::qt::QtFileWriter>(); }, refuseExport,
                  dialogs_, gate_, line_.clock()});
         },
         true},
        {"stationOverviewButton", "站点总览",
         [this]() -> QWidget* {
             std::function<std::string()> gatewayState;
             if (platform::qt::Gateway* gateway = line_.gateway()) {
                 gatewayState = [gateway] {
                     const platform::qt::GatewayStatus status = gateway->status();
                     return "网关: " + status.modbus +
                            (status.modbus.empty() || status.mqtt.empty() ? "" : "; ") +
                            status.mqtt;
                 };
             }
             return new commissioning::StationOverview(line_.session(), line_.clock(),
                                                       std::move(gatewayState));
         }},
        {"trafficMonitorButton", "通讯监视",
         [this]() -> QWidget* {
             return new commissioning::TrafficMonitor(line_.traffic(), dialogs_, fileWriter_);
         }},
        {"trendButton", "历史趋势",
         [this]() -> QWidget* {
             // Reads the store on threads of its own, through readers of its own.
             return new records::TrendWindow(platform::qt::trendRowsForWorkingDirectory(),
                                             platform::qt::trendShelfForWorkingDirectory());
         }},
    };
}

std::unique_ptr<OwnedWindow> Application::makeParameterWindow() {
    return std::make_unique<ParameterWindow>(portMap_, line_.clock(), gate_, saved_, *form1_,
                                             line_.traffic(), dialogs_, programEnd_);
}

int Application::run() {
    // The port opens and the poll timer runs before any widget is built.
    bool started = false;
    gate_.run([this, &started] { started = line_.session().start(); });
    if (!started) {
        // The message box has told the operator why; the terminal learns it too.
        std::cerr << portTableOfThisMachine();
        return kNoUsablePortStatus;
    }
    form1_ = std::make_unique<Form1>(MainWindowServices{line_.session(), dialogs_, programEnd_,
                                                        gate_, line_.clock(), navigator_, windows_,
                                                        portAdvice_});
    std::cerr << portNotes(portMap_, line_.session().portNumber());
    for (const std::string& problem : line_.gatewayProblems()) {
        std::cerr << "tuskocp: " << problem << "\n";
    }
    if (!line_.storeNoticeEnglish().empty()) {
        // Said once: on the status line until a record is stored, and on standard error.
        std::cerr << "tuskocp: " << line_.storeNoticeEnglish() << "\n";
        form1_->statusLine->setNote(StatusNote::Store, line_.storeNotice());
    }
    if (programEnd_.hasEnded()) {
        return 0;
    }
    form1_->show();
    platform::qt::endProgramOnTerminationSignals(programEnd_);
    return QApplication::exec();
}

std::string Application::MachinePortAdvice::whyPortsAreUnusable() {
    return portReasons(portMap_);
}

std::string Application::MachinePortAdvice::missingPinnedPortNote(int usedNumber) {
    const auto note = platform::qt::missingPinnedPortNote(portMap_, usedNumber);
    return note ? note->chinese : std::string();
}

}  // namespace shell
