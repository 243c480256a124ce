#pragma once

namespace shell {

// The ways out of the main window to the program's other windows.
class Navigation {
  public:
    virtual ~Navigation() = default;
    // Runs the parameter window's load procedure for the station the main window chose and
    // shows it; the main window is already hidden and disabled.
    virtual void openParameterWindow() = 0;
    // Shows the data-query window, modeless.
    virtual void openDataQuery() = 0;
    // Show the commissioning windows, modeless: the stations at a glance, the traffic monitor.
    virtual void openStationOverview() = 0;
    virtual void openTrafficMonitor() = 0;
    // Shows one station's flow and forward total over time, from the records store.
    virtual void openTrend() = 0;
};

}  // namespace shell
