#pragma once

#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace shell {

// One of the windows the main window opens beside itself, modeless. The main window has a button
// for each entry; the navigation makes the window at its first opening (and again after a window
// that deletes itself on closing has closed) and shows it. A new window is one entry here and its
// own file.
struct WindowEntry {
    std::string objectName;  // of its button on the main window
    std::string caption;     // of its button
    std::function<QWidget*()> make;
    // Made hidden ahead of its first opening, once the program has run for a moment after
    // start-up, so that the first opening is as quick as the next ones. For a window that is
    // kept between openings and starts each opening afresh.
    bool madeAhead = false;
};

// The first entry is the data-query window, whose button is the main window's Command3.
using WindowList = std::vector<WindowEntry>;

}  // namespace shell
