#pragma once

#include <cstddef>

namespace shell {

// The ways out of the main window to the program's other windows.
class Navigation {
  public:
    virtual ~Navigation() = default;
    // Runs the parameter window's load procedure for the station the main window chose and
    // shows it; the main window is already hidden and disabled and has handed over the line.
    virtual void openParameterWindow() = 0;
    // Shows entry `index` of the window list, modeless; polling goes on behind it.
    virtual void openWindow(std::size_t index) = 0;
};

}  // namespace shell
