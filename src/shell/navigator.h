#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

#include "shell/navigation.h"
#include "shell/window_list.h"

namespace shell {

// A window together with what it alone works with (a port, a timer, a session).
class OwnedWindow {
  public:
    virtual ~OwnedWindow() = default;
    // Runs the window's load procedure and shows it in front.
    virtual void open() = 0;
};

// The ways from the main window to the other windows. Each window is made at its first opening,
// so that the start-up waits for none of them, or (an entry of the list marked so) hidden a
// moment after start-up. The parameter window is then kept for the rest of the run; a window of
// the list is kept while it exists and made again once it has deleted itself on closing.
class Navigator final : public Navigation {
  public:
    using ParameterWindowMaker = std::function<std::unique_ptr<OwnedWindow>()>;

    // `windows` outlives the navigator.
    Navigator(ParameterWindowMaker makeParameterWindow, const WindowList& windows);
    // The windows of the list that are still open are deleted.
    ~Navigator() override;
    Navigator(const Navigator&) = delete;
    Navigator& operator=(const Navigator&) = delete;

    void openParameterWindow() override;
    void openWindow(std::size_t index) override;
    // Makes the entries marked to be made ahead that are not made yet; they stay hidden.
    void makeAhead();

    // How long after the navigator's making the marked entries are made: past the start-up.
    static constexpr int kMakeAheadDelayMs = 2000;

  private:
    ParameterWindowMaker makeParameterWindow_;
    std::unique_ptr<OwnedWindow> parameterWindow_;
    const WindowList& windows_;
    std::vector<QPointer<QWidget>> opened_;
    QTimer makeAheadTimer_;
};

}  // namespace shell
