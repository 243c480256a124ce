#include "application.h"

#include <QApplication>

#include <iostream>

#include "command_line.h"
#include "commissioning/station_overview.h"
#include "commissioning/traffic_monitor.h"
#include "platform/qt/termination_signals.h"
#include "records/form4.h"
#include "records/records_store.h"
#include "records/trend_window.h"

namespace shell {

Application::Application()
    : portMap_(platform::qt::portMapForThisMachine()),
      line_(gate_, portMap_),
      report_(std::cerr, line_.clock(), ConsoleReport::Scope::StoreOnly),
      windows_(windowList()),
      opened_(windows_.size()),
      form1_(MainWindowServices{line_.session(), dialogs_, programEnd_, gate_, line_.clock(), *this,
                                windows_}),
      port3_(portMap_),
      writeSession_(session::WriteSessionServices{port3_, timer3_, pacer3_, line_.clock(), gate_,
                                                  saved_, form1_, line_.traffic()}),
      form3_(parameters::ParameterWindowServices{writeSession_, dialogs_, programEnd_, gate_}),
      portNote_(portMap_, *form1_.statusLine) {
    line_.session().addListener(report_);
    line_.session().addListener(portNote_);
}

Application::~Application() {
    line_.session().removeListener(portNote_);
    line_.session().removeListener(report_);
    for (const QPointer<QWidget>& window : opened_) {
        delete window.data();
    }
}

WindowList Application::windowList() {
    return {
        {"Command3", "数据查询",
         [this]() -> QWidget* {
             // The window deletes itself when it closes; data2_ outlives every opening.
             return new records::Form4(*data2_, dialogs_, gate_, fileWriter_);
         }},
        {"stationOverviewButton", "站点总览",
         [this]() -> QWidget* {
             return new commissioning::StationOverview(line_.session(), line_.clock());
         }},
        {"trafficMonitorButton", "通讯监视",
         [this]() -> QWidget* {
             return new commissioning::TrafficMonitor(line_.traffic(), dialogs_, fileWriter_);
         }},
        {"trendButton", "历史趋势",
         [this]() -> QWidget* {
             // A store that cannot be read now is read at the next look.
             (void)records::openStore(*data3_);
             return new records::TrendWindow(*data3_);
         }},
    };
}

int Application::run() {
    bool started = false;
    gate_.run([this, &started] { started = form1_.Form_Load(); });
    if (!started) {
        // The message box has told the operator; the terminal learns why each port failed.
        std::cerr << portTableOfThisMachine();
        return kNoUsablePortStatus;
    }
    std::cerr << portNotes(portMap_, line_.session().portNumber());
    if (!line_.storeNoticeEnglish().empty()) {
        // Said once: on the status line until a record is stored, and on standard error.
        std::cerr << "tuskocp: " << line_.storeNoticeEnglish() << "\n";
        form1_.statusLine->setNote(StatusNote::Store, line_.storeNotice());
    }
    if (programEnd_.hasEnded()) {
        return 0;
    }
    form1_.show();
    platform::qt::endProgramOnTerminationSignals(programEnd_);
    return QApplication::exec();
}

void Application::PortNoteKeeper::portsFound(const std::vector<session::PortEntry>& ports,
                                             std::size_t inUse) {
    const auto note = inUse < ports.size()
                          ? platform::qt::missingPinnedPortNote(portMap_, ports[inUse].number)
                          : std::nullopt;
    statusLine_.setNote(StatusNote::Port, note ? note->chinese : std::string());
}

void Application::openParameterWindow() {
    form3_.Form_Load();
    form3_.show();
    form3_.raise();
    form3_.activateWindow();
}

void Application::openWindow(std::size_t index) {
    if (index >= windows_.size()) {
        return;
    }
    QPointer<QWidget>& window = opened_[index];
    if (!window) {
        window = windows_[index].make();
    }
    window->show();
    window->raise();
    window->activateWindow();
}

}  // namespace shell
