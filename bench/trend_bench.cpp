// trend_bench STORE STATIONS [--open | --reader | --show SECONDS [--point]]
//
// The trend window on a records store made by scripts/make-trend-store.sh, with stations 1 to
// STATIONS picked, as the program opens it: its own reader of the store on a thread of its own,
// and the summary kept between runs in the user's cache directory (XDG_CACHE_HOME).
// Measures, and prints one "figure value" line each:
//   - the opening: from the window's construction to its first complete drawing of every record
//     of the stations, and that drawing alone;
//   - zoom and move: wheel steps from the whole span down to an hour, with a drag every fifth
//     step, each from the event to the drawing of the records read for the new view, and a
//     drawing alone of what is at hand;
//   - the longest pause of a 100 ms timer on the window's thread (the poll timer's interval at
//     "9600") while the window opens, and while it zooms and moves;
//   - the process's memory with the window open (resident now, and at most);
//   - the summing up of the stations without a window (the reader on this thread, with its
//     helper): its wall time and the processor time of both threads; then the closest view
//     that is read from the records, not the buckets, likewise.
// With --open it only opens the window.
// With --reader it only sums up, without a window (for a profiler).
// With --show it only opens the window (the whole screen) and keeps it for SECONDS, for a
// screenshot;
// --point then points at the middle of the first station's flow.
// Runs under Qt's offscreen platform unless QT_QPA_PLATFORM says otherwise.

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "bench_support.h"
#include "platform/qt/trend/background_thread.h"
#include "platform/qt/trend/file_summary_shelf.h"
#include "platform/qt/trend/sqlite_trend_rows.h"
#include "records/trend_window.h"
#include "trend/trend_cache.h"

namespace {

using bench::Clock;
using bench::median;
using bench::msSince;
using bench::threadCpuMs;

constexpr auto kLimit = std::chrono::seconds(600);

// "VmRSS" or "VmHWM" of this process, in MB.
double memoryMb(const char* field) {
    return static_cast<double>(bench::statusKb(field)) / 1024;
}

[[noreturn]] void die(const char* what) {
    std::fprintf(stderr, "trend_bench: %s\n", what);
    std::exit(1);
}

// The longest time between two ticks of a timer on this thread, from the last reset on.
class PollGaps {
  public:
    PollGaps() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(100);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const auto now = Clock::now();
            longest_ =
                std::max(longest_, std::chrono::duration<double, std::milli>(now - last_).count());
            last_ = now;
        });
        last_ = Clock::now();
        timer_.start();
    }
    // The longest pause so far, the one going on now included; the next pause is counted from
    // now, so that what this thread did before (the drawings timed on purpose) is not taken for
    // a pause of the next part.
    double take() {
        const auto now = Clock::now();
        const double longest =
            std::max(longest_, std::chrono::duration<double, std::milli>(now - last_).count());
        longest_ = 0;
        last_ = now;
        return longest;
    }

  private:
    QTimer timer_;
    Clock::time_point last_;
    double longest_ = 0;
};

// Counts the paint events of a widget.
class PaintCount final : public QObject {
  public:
    int paints = 0;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return QObject::eventFilter(watched, event);
    }
};

void waitFor(const std::function<bool()>& done) {
    QTimer wake;  // so that the limit is looked at without any other event
    wake.start(100);
    const auto start = Clock::now();
    while (!done()) {
        if (Clock::now() - start > kLimit) {
            die("no answer within ten minutes");
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

void print(const char* figure, double value) {
    std::printf("%s %.1f\n", figure, value);
    std::fflush(stdout);
}

bool complete(const records::TrendPlot& plot, std::size_t stations) {
    const auto& answer = plot.answer();
    return answer.stations.size() == stations && answer.span && !answer.request.range;
}

std::unique_ptr<records::TrendWindow> openWindow(const QString& store, int stations) {
    // As the program makes its readers, of another file.
    auto window = std::make_unique<records::TrendWindow>(
        platform::qt::inBackground([store] {
            return std::unique_ptr<trend::TrendRows>(new platform::qt::SqliteTrendRows(store));
        }),
        platform::qt::summaryShelfOf(store));
    for (int i = 0; i < records::TrendWindow::kStations; ++i) {
        window->stationBoxes[static_cast<std::size_t>(i)]->setChecked(i < stations);
    }
    return window;
}

int show(const QString& store, int stations, int seconds, bool pointAt) {
    auto window = openWindow(store, stations);
    // The whole screen: a virtual display has no window manager to maximise it.
    window->setGeometry(QGuiApplication::primaryScreen()->availableGeometry());
    window->show();
    records::TrendPlot& plot = *window->plot;
    waitFor([&] { return complete(plot, static_cast<std::size_t>(stations)); });
    if (pointAt) {
        const auto& answer = plot.answer();
        const auto& columns = answer.stations.front().curves[trend::kFlow].columns;
        const auto& c = columns[columns.size() / 2];
        const double minute = (static_cast<double>(c.firstMinute) + c.lastMinute) / 2;
        if (const auto at = plot.pointOf(trend::kFlow, minute, c.high)) {
            QMouseEvent move(QEvent::MouseMove, *at, plot.mapToGlobal(*at), Qt::NoButton,
                             Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(&plot, &move);
        }
    }
    std::printf("shown\n");
    std::fflush(stdout);
    QTimer::singleShot(seconds * 1000, &QCoreApplication::quit);
    return QApplication::exec();
}

void measureWindow(const QString& store, int stations, bool openOnly) {
    // The program's main window is up before the trend window opens: fonts and styles are loaded.
    QLabel shown(QStringLiteral("电磁流量计RS485/232通讯程序--TuskoCP V4.2"));
    shown.show();
    shown.repaint();
    PollGaps gaps;
    const auto start = Clock::now();
    const double cpuStart = threadCpuMs();
    auto window = openWindow(store, stations);
    window->resize(1280, 800);
    window->show();
    records::TrendPlot& plot = *window->plot;
    waitFor([&] { return complete(plot, static_cast<std::size_t>(stations)); });
    const auto answered = Clock::now();
    plot.repaint();
    print("open_ms", msSince(start));
    print("open_paint_ms", msSince(answered));
    print("open_window_thread_cpu_ms", threadCpuMs() - cpuStart);
    print("open_longest_poll_gap_ms", gaps.take());
    std::vector<double> redraws;
    for (int i = 0; i < 9; ++i) {
        const auto begin = Clock::now();
        plot.repaint();
        redraws.push_back(msSince(begin));
    }
    print("redraw_median_ms", median(redraws));
    print("rss_mb", memoryMb("VmRSS"));
    print("rss_peak_mb", memoryMb("VmHWM"));
    if (openOnly) {
        return;
    }

    std::vector<double> zooms;
    std::vector<double> moves;
    double worstZoomSpan = 0;
    double worstZoom = -1;
    gaps.take();
    PaintCount paints;
    plot.installEventFilter(&paints);
    const double zoomCpuStart = threadCpuMs();
    const auto step = [&](const std::function<void()>& act, std::vector<double>& into) {
        const auto begin = Clock::now();
        act();
        const auto view = *plot.view();
        waitFor([&] {
            const auto& answer = plot.answer();
            return answer.request.range && *answer.request.range == view;
        });
        plot.repaint();
        const double ms = msSince(begin);
        into.push_back(ms);
        return ms;
    };
    for (int i = 0; plot.view()->second - plot.view()->first > 60; ++i) {
        const double span = plot.view()->second - plot.view()->first;
        const double ms = step(
            [&] {
                const QPointF at(plot.width() / 2.0, plot.height() / 3.0);
                QWheelEvent wheel(at, plot.mapToGlobal(at), {}, {0, 120}, Qt::NoButton,
                                  Qt::NoModifier, Qt::NoScrollPhase, false);
                QCoreApplication::sendEvent(&plot, &wheel);
            },
            zooms);
        if (ms > worstZoom) {
            worstZoom = ms;
            worstZoomSpan = span;
        }
        if (i % 5 == 4) {
            step(
                [&] {
                    for (const auto& [type, x] :
                         {std::make_pair(QEvent::MouseButtonPress, 600.0),
                          std::make_pair(QEvent::MouseMove, 450.0),
                          std::make_pair(QEvent::MouseButtonRelease, 450.0)}) {
                        const QPointF p(x, plot.height() / 3.0);
                        QMouseEvent event(
                            type, p, plot.mapToGlobal(p), Qt::LeftButton,
                            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                            Qt::NoModifier);
                        QCoreApplication::sendEvent(&plot, &event);
                    }
                },
                moves);
        }
    }
    print("zoom_steps", static_cast<double>(zooms.size()));
    print("zoom_median_ms", median(zooms));
    print("zoom_max_ms", worstZoom);
    print("zoom_max_at_view_days", worstZoomSpan / 1440);
    print("move_steps", static_cast<double>(moves.size()));
    print("move_median_ms", median(moves));
    print("move_max_ms", moves.empty() ? 0 : *std::max_element(moves.begin(), moves.end()));
    print("zoom_longest_poll_gap_ms", gaps.take());
    const auto steps = static_cast<double>(zooms.size() + moves.size());
    print("zoom_window_thread_cpu_per_step_ms", (threadCpuMs() - zoomCpuStart) / steps);
    print("zoom_paints_per_step", paints.paints / steps);
    print("rss_peak_mb", memoryMb("VmHWM"));
}

void measureReader(const QString& store, int stations) {
    platform::qt::SqliteTrendRows rows(store);
    trend::TrendCache cache(rows, trend::TrendCache::Options{}, [store] {
        return std::unique_ptr<trend::TrendRows>(new platform::qt::SqliteTrendRows(store));
    });
    trend::TrendRequest request;
    for (int s = 1; s <= stations; ++s) {
        request.stations.push_back(s);
    }
    request.columns = 1200;
    const auto start = Clock::now();
    const double cpuStart = bench::processCpuMs();
    const auto answer = cache.answer(request, [](double) { return true; });
    const double cpu = bench::processCpuMs() - cpuStart;
    if (!answer || !answer->span) {
        die("the store cannot be read");
    }
    print("reader_summing_up_ms", msSince(start));
    print("reader_summing_up_cpu_ms", cpu);
    print("reader_summary_mb", static_cast<double>(cache.bytes()) / (1024 * 1024));
    // The closest view the buckets do not answer: a column a little under a bucket, in the middle
    // of the span, read from the records (median of five).
    const double middle = (static_cast<double>(answer->span->first) + answer->span->second) / 2;
    const double wide =
        0.8 * static_cast<double>(trend::TrendCache::Options{}.bucketMinutes) * request.columns;
    std::vector<double> closes;
    std::vector<double> closeCpus;
    for (int i = 0; i < 5; ++i) {
        request.range = std::make_pair(middle - wide / 2 + i * 60, middle + wide / 2 + i * 60);
        const auto begin = Clock::now();
        const double cpuBegin = bench::processCpuMs();
        if (!cache.answer(request, [](double) { return true; })) {
            die("the store cannot be read");
        }
        closes.push_back(msSince(begin));
        closeCpus.push_back(bench::processCpuMs() - cpuBegin);
    }
    print("reader_close_view_ms", median(closes));
    print("reader_close_view_cpu_ms", median(closeCpus));
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: trend_bench STORE STATIONS [--open | --reader | --show SECONDS "
                     "[--point]]\n");
        return 2;
    }
    const QString store = QString::fromLocal8Bit(argv[1]);
    const int stations = std::clamp(std::atoi(argv[2]), 1, 16);
    if (!QFile::exists(store)) {
        die("no such store");
    }
    if (argc > 4 && std::strcmp(argv[3], "--show") == 0) {
        return show(store, stations, std::atoi(argv[4]),
                    argc > 5 && std::strcmp(argv[5], "--point") == 0);
    }
    if (argc > 3 && std::strcmp(argv[3], "--reader") == 0) {
        measureReader(store, stations);
        return 0;
    }
    const bool openOnly = argc > 3 && std::strcmp(argv[3], "--open") == 0;
    measureWindow(store, stations, openOnly);
    if (!openOnly) {
        measureReader(store, stations);
    }
    return 0;
}
