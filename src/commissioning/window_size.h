#pragma once

#include <QSize>

class QWidget;

namespace commissioning {

// `wanted`, made no larger than the screen of `window` leaves for it inside the window manager's
// frame.
[[nodiscard]] QSize withinScreen(const QWidget& window, QSize wanted);

}  // namespace commissioning
