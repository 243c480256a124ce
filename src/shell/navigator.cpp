#include "shell/navigator.h"

#include <utility>

namespace shell {

Navigator::Navigator(ParameterWindowMaker makeParameterWindow, const WindowList& windows)
    : makeParameterWindow_(std::move(makeParameterWindow)),
      windows_(windows),
      opened_(windows.size()) {}

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
