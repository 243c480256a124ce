#include "application.h"

#include <QApplication>

#include "platform/qt/termination_signals.h"

namespace shell {

Application::Application()
    : port_(platform::qt::portMapForThisMachine()),
      traffic_(clock_),
      form1_(MainWindowServices{port_, timer_, *data1_, dialogs_, files_, clock_, programEnd_,
                                gate_, *this, traffic_}),
      port3_(platform::qt::portMapForThisMachine()),
      form3_(parameters::ParameterWindowServices{port3_, timer3_, dialogs_, programEnd_, gate_,
                                                 saved_, form1_, traffic_}),
      overview_(form1_.replies.memory),
      monitor_(traffic_, dialogs_, fileWriter_) {}

Application::~Application() {
    delete form4_.data();
}

int Application::run() {
    bool started = false;
    gate_.run([this, &started] { started = form1_.Form_Load(); });
    if (!started || programEnd_.hasEnded()) {
        return 0;
    }
    form1_.show();
    platform::qt::endProgramOnTerminationSignals(programEnd_);
    return QApplication::exec();
}

void Application::openParameterWindow() {
    form3_.Form_Load();
    form3_.show();
    form3_.raise();
    form3_.activateWindow();
}

void Application::openStationOverview() {
    overview_.show();
    overview_.raise();
    overview_.activateWindow();
}

void Application::openTrafficMonitor() {
    monitor_.show();
    monitor_.raise();
    monitor_.activateWindow();
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
