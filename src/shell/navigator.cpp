#include "shell/navigator.h"

#include <utility>

namespace shell {

Navigator::Navigator(ParameterWindowMaker makeParameterWindow, const WindowList& windows)
    : makeParameterWindow_(std::move(makeParameterWindow)),
      windows_(windows),
      opened_(windows.size()) {
    makeAheadTimer_.setSingleShot(true);
    QObject::connect(&makeAheadTimer_, &QTimer::timeout, &makeAheadTimer_, [this] { makeAhead(); });
    makeAheadTimer_.start(kMakeAheadDelayMs);
}

Navigator::~Navigator() {
    for (const QPointer<QWidget>& window : opened_) {
        delete window.data();
    }
}

void Navigator::openParameterWindow() {
    if (!parameterWindow_) {
        parameterWindow_ = makeParameterWindow_();
    }
    parameterWindow_->open();
}

void Navigator::makeAhead() {
    for (std::size_t index = 0; index < windows_.size(); ++index) {
        if (windows_[index].madeAhead && !opened_[index]) {
            opened_[index] = windows_[index].make();
        }
    }
}

void Navigator::openWindow(std::size_t index) {
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
