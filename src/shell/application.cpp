#include "application.h"

#include <QApplication>
#include <QRadioButton>

#include <iostream>

#include "command_line.h"
#include "platform/qt/termination_signals.h"
#include "platform/qt/trend/trend_rows_choice.h"
#include "records/records_store.h"

namespace shell {

Application::Application(bool headless)
    : portMap_(platform::qt::portMapForThisMachine()),
      port_(portMap_),
      dialogs_(headless ? static_cast<platform::Dialogs&>(consoleDialogs_) : windowDialogs_),
      traffic_(clock_),
      form1_(MainWindowServices{port_, timer_, *data1_, dialogs_, files_, clock_, programEnd_,
                                gate_, *this, traffic_}),
      port3_(portMap_),
      form3_(parameters::ParameterWindowServices{port3_, timer3_, dialogs_, programEnd_, gate_,
                                                 saved_, form1_, traffic_}) {}

Application::~Application() {
    delete form4_.data();
}

int Application::run() {
    bool started = false;
    gate_.run([this, &started] { started = form1_.Form_Load(); });
    if (!started) {
        // The message box has told the operator; the terminal learns why each port failed.
        std::cerr << portTableOfThisMachine();
        return kNoUsablePortStatus;
    }
    if (programEnd_.hasEnded()) {
        return 0;
    }
    form1_.show();
    platform::qt::endProgramOnTerminationSignals(programEnd_);
    return QApplication::exec();
}

int Application::runHeadless(bool multiStation, std::optional<std::uint8_t> station) {
    bool started = false;
    gate_.run([this, &started] { started = form1_.Form_Load(); });
    if (!started) {
        std::cerr << portTableOfThisMachine();
        return kNoUsablePortStatus;
    }
    if (multiStation) {
        form1_.Option2->click();
    } else if (station) {
        // Single-station mode is on after the start-up; the tick asks this station from now on.
        form1_.Addr_Parameter_Set = *station;
    }
    platform::qt::endProgramOnTerminationSignals(programEnd_);
    const int status = QApplication::exec();
    gate_.run([this] { form1_.Form_Unload(); });
    return status;
}

void Application::openParameterWindow() {
    form3_.Form_Load();
    form3_.show();
    form3_.raise();
    form3_.activateWindow();
}

void Application::openStationOverview() {
    if (!overview_) {
        overview_ = std::make_unique<commissioning::StationOverview>(form1_.replies.memory);
    }
    overview_->show();
    overview_->raise();
    overview_->activateWindow();
}

void Application::openTrafficMonitor() {
    if (!monitor_) {
        monitor_ = std::make_unique<commissioning::TrafficMonitor>(traffic_, dialogs_, fileWriter_);
    }
    monitor_->show();
    monitor_->raise();
    monitor_->activateWindow();
}

void Application::openTrend() {
    if (!trend_) {
        trend_ =
            std::make_unique<records::TrendWindow>(platform::qt::trendRowsForWorkingDirectory());
    }
    trend_->show();
    trend_->raise();
    trend_->activateWindow();
}

void Application::openDataQuery() {
    if (form4_) {
        form4_->raise();
        form4_->activateWindow();
        return;
    }
    // The window deletes itself when it closes; data2_ outlives every opening.
    form4_ = new records::Form4(*data2_, dialogs_, gate_, fileWriter_);
    form4_->show();
}

}  // namespace shell
