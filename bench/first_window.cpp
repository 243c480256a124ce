// first_window: a minimal Qt Widgets program, the yardstick of the start-up benchmark. It shows
// one small window and, as soon as the window system reports it exposed, prints the monotonic
// clock in microseconds and ends.
#include <time.h>

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QWindow>
#include <cinttypes>
#include <cstdint>
#include <cstdio>

namespace {

std::int64_t monotonicUs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000 + now.tv_nsec / 1000;
}

// Watches the native window for its first exposure.
class ExposeWatch : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose && !reported_ &&
            static_cast<QWindow*>(watched)->isExposed()) {
            reported_ = true;
            std::printf("%" PRId64 "\n", monotonicUs());
            std::fflush(stdout);
            QCoreApplication::quit();
        }
        return false;
    }

  private:
    bool reported_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel window(QStringLiteral("first window"));
    window.setWindowTitle(QStringLiteral("first window"));
    window.resize(320, 120);
    window.show();
    QWindow* native = window.windowHandle();
    if (native == nullptr) {
        return 1;
    }
    ExposeWatch watch;
    native->installEventFilter(&watch);
    if (native->isExposed()) {
        std::printf("%" PRId64 "\n", monotonicUs());
        return 0;
    }
    return QApplication::exec();
}
