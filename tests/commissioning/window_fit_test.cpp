// The windows on a small screen, and the main window's displays taking new texts without a new
// layout.
#include <QCoreApplication>
#include <QEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>

#include "commissioning/station_overview.h"
#include "commissioning/traffic_monitor.h"
#include "fakes/fake_file_writer.h"
#include "good_replies.h"
#include "shell/form1_fixture.h"

namespace shelltest {
namespace {

constexpr QSize kSmallScreen(1024, 768);

// Counts the layout requests a widget receives.
struct LayoutSpy : QObject {
    int requests = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        requests += event->type() == QEvent::LayoutRequest ? 1 : 0;
        return false;
    }
};

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
    } windows[] = {
        {"main window", form.get()},
        {"station overview", &overview},
        {"traffic monitor", &monitor},
    };
    for (const auto& w : windows) {
        w.window->show();
        EXPECT_TRUE(w.window->minimumSizeHint().boundedTo(kSmallScreen) ==
                    w.window->minimumSizeHint())
            << w.what << " needs " << w.window->minimumSizeHint().width() << "x"
            << w.window->minimumSizeHint().height();
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
    LayoutSpy window;
    LayoutSpy frame;
    form->installEventFilter(&window);
    form->Frame1->installEventFilter(&frame);
    const std::string flowBefore = text("Label29");
    for (std::size_t i = 0; i < kGoodData.size(); ++i) {
        const Bytes request = tick();
        ASSERT_EQ(request.size(), 4U);
        port.arrive(reply(request[1], request[2], kGoodData[request[2]]));
    }
    deliverPostedEvents();
    EXPECT_NE(text("Label29"), flowBefore) << "the displays changed";
    EXPECT_EQ(window.requests, 0);
    EXPECT_EQ(frame.requests, 0);
}

}  // namespace
}  // namespace shelltest
