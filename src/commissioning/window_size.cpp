#include "window_size.h"

#include <QScreen>
#include <QWidget>

namespace commissioning {

namespace {

// Room the window manager's frame and title bar take around a window.
constexpr int kFrameWidth = 16;
constexpr int kFrameHeight = 48;

}  // namespace

QSize withinScreen(const QWidget& window, QSize wanted) {
    const QScreen* screen = window.screen();
    if (screen == nullptr) {
        return wanted;
    }
    const QRect available = screen->availableGeometry();
    return wanted.boundedTo(
        QSize(available.width() - kFrameWidth, available.height() - kFrameHeight));
}

}  // namespace commissioning
