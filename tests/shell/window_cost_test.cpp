// What the replies cost the main window on screen: a new text repaints the displays that show it
// and lays out nothing; what a reply leaves as it was is not repainted, nor are the group boxes.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QWindow>

#include <map>
#include <set>

#include "shell/form1_fixture.h"

namespace shelltest {
namespace {

// Counts, by object name, the widgets painted and the layouts redone while it is installed.
class ScreenWork final : public QObject {
  public:
    ScreenWork() { QCoreApplication::instance()->installEventFilter(this); }
    ~ScreenWork() override { QCoreApplication::instance()->removeEventFilter(this); }
    ScreenWork(const ScreenWork&) = delete;
    ScreenWork& operator=(const ScreenWork&) = delete;

    std::set<std::string> painted;
    std::map<std::string, int> layouts;

    bool eventFilter(QObject* object, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(object);
        if (widget == nullptr) {
            return false;
        }
        if (event->type() == QEvent::Paint) {
            painted.insert(widget->objectName().toStdString());
        } else if (event->type() == QEvent::LayoutRequest && widget->layout() != nullptr) {
            ++layouts[widget->objectName().toStdString()];
        }
        return false;
    }
};

// Runs what the replies left for the window: layout requests, repaints.
void settle() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
}

class WindowCostTest : public Form1Test {
  protected:
    void SetUp() override {
        Form1Test::SetUp();
        clock.time = "10:00:30";
        ASSERT_TRUE(load());
        form->show();
        const QDeadlineTimer deadline(20000);
        while (!(form->windowHandle() && form->windowHandle()->isExposed()) &&
               !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        }
        ASSERT_TRUE(form->windowHandle()->isExposed());
        settle();
    }

    // One round of the nine values of the station polled.
    void answerRound() {
        for (const Bytes& values : kRound) {
            answer(values);
        }
    }

    const Bytes kRound[9] = {
        {0x56, 0x34, 0x12, 0x03, 0x02, 0x00}, {0x25, 0x01, 0x00, 0x01, 0x02, 0x00},
        {0x56, 0x04, 0x02, 0x01, 0x00, 0x00}, {0x05, 0x00, 0x00, 0x00, 0x01, 0x00},
        {0x78, 0x56, 0x34, 0x12, 0x00, 0x05}, {0x05, 0x00, 0x00, 0x00, 0x00, 0x06},
        {0x10, 0x00, 0x00, 0x00, 0x00, 0x00}, {0x0C, 0x00, 0x00, 0x00, 0x00, 0x00},
        {0x2C, 0x01, 0x05, 0x00, 0x3B, 0x00},
    };
};

TEST_F(WindowCostTest, RepliesRepaintWhatChangedAndLayOutNothing) {
    const struct {
        const char* what;
        bool allStations;
        int roundsBefore;  // answered and settled before the work is counted
        std::set<std::string> painted;
        std::set<std::string> unpainted;
    } cases[] = {
        {"first values, the status changing as they come",
         false,
         0,
         {"Label29", "Label35", "Label39"},
         {"Frame2"}},
        {"the same values again: only the status changes within a round",
         false,
         1,
         {"Label39"},
         {"Label29", "Label35", "Label54", "Frame1", "Frame2", "Check1_0"}},
        {"the next station's values", true, 1, {"Label39"}, {"Frame1", "Frame2"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        restart();
        if (c.allStations) {
            form->Option2->click();
        }
        for (int i = 0; i < c.roundsBefore; ++i) {
            answerRound();
        }
        settle();
        ScreenWork work;
        answerRound();
        settle();
        EXPECT_EQ(work.layouts, (std::map<std::string, int>{}));
        for (const std::string& name : c.painted) {
            EXPECT_EQ(work.painted.count(name), 1U) << name << " not repainted";
        }
        for (const std::string& name : c.unpainted) {
            EXPECT_EQ(work.painted.count(name), 0U) << name << " repainted";
        }
        for (QCheckBox* box : form->Check1) {
            if (box->isChecked()) {
                EXPECT_EQ(work.painted.count(box->objectName().toStdString()), 1U)
                    << "the indicator of the station answering";
            }
        }
    }
}

}  // namespace
}  // namespace shelltest
