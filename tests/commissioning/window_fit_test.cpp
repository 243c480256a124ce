// The windows on a small screen, and the main window's displays taking new texts without a new
// layout.
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>

#include "commissioning/station_overview.h"
#include "commissioning/traffic_monitor.h"
#include "fakes/fake_file_writer.h"
#include "fakes/fake_meter_line.h"
#include "shell/form1_fixture.h"
#include "window_support.h"

namespace shelltest {
namespace {

constexpr QSize kSmallScreen(1024, 768);

// Delivers every event posted so far, and those they post in turn.
void deliverPostedEvents() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

class WindowFitTest : public Form1Test {};

// Each window opens within the screen and can be made no larger than a 1024x768 screen.
TEST_F(WindowFitTest, WindowsFitASmallScreen) {
    ASSERT_TRUE(load());
    fakes::FakeFileWriter writer;
    commissioning::StationOverview overview(*session, clock);
    commissioning::TrafficMonitor monitor(traffic, dialogs, writer);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const struct {
        const char* what;
        QWidget* window;
    } windows[] = {{"main", form.get()}, {"overview", &overview}, {"monitor", &monitor}};
    for (const auto& w : windows) {
        w.window->show();
        const QSize least = w.window->minimumSizeHint();
        EXPECT_TRUE(least.boundedTo(kSmallScreen) == least) << w.what;
        EXPECT_LE(w.window->width(), std::max(screen.width(), w.window->minimumWidth())) << w.what;
        EXPECT_LE(w.window->height(), std::max(screen.height(), w.window->minimumHeight()))
            << w.what;
        w.window->hide();
    }

    // Narrower than its columns, the overview scrolls them; the station's state stays in view.
    overview.resize(kSmallScreen.width() * 2 / 3, overview.height());
    overview.show();
    deliverPostedEvents();
    const QTableView& table = *overview.table;
    EXPECT_GT(table.horizontalScrollBar()->maximum(), 0);
    EXPECT_LE(table.columnViewportPosition(commissioning::LastReply) +
                  table.columnWidth(commissioning::LastReply),
              table.viewport()->width());
}

// A reply changes the displays' texts; the window is not laid out again for it.
TEST_F(WindowFitTest, NewDisplayTextsAskForNoLayout) {
    ASSERT_TRUE(load());
    form->show();
    deliverPostedEvents();
    EventSpy window;
    EventSpy frame;
    form->installEventFilter(&window);
    form->Frame1->installEventFilter(&frame);
    const std::string flowBefore = text("Label29");
    for (int i = 0; i < 9; ++i) {
        const Bytes request = tick();
        ASSERT_EQ(request.size(), 4U);
        const auto data = fakes::FakeMeterLine::data(request[1], request[2]);
        port.arrive(reply(request[1], request[2], Bytes(data.begin(), data.end())));
    }
    deliverPostedEvents();
    EXPECT_NE(text("Label29"), flowBefore) << "the displays changed";
    EXPECT_EQ(window.layoutRequests, 0);
    EXPECT_EQ(frame.layoutRequests, 0);
}

}  // namespace
}  // namespace shelltest
