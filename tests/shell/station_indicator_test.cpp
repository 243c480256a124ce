// A station indicator looks exactly as a plain check box in its place, in every state and after
// its group box was resized, and a new state repaints the indicator alone.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QGroupBox>
#include <QImage>
#include <QWindow>

#include <set>

#include "shell/station_indicator.h"

namespace shelltest {
namespace {

class PaintedWidgets final : public QObject {
  public:
    PaintedWidgets() { QCoreApplication::instance()->installEventFilter(this); }
    ~PaintedWidgets() override { QCoreApplication::instance()->removeEventFilter(this); }
    PaintedWidgets(const PaintedWidgets&) = delete;
    PaintedWidgets& operator=(const PaintedWidgets&) = delete;

    std::set<QObject*> painted;

    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            painted.insert(object);
        }
        return false;
    }
};

void settle() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
}

// A window with a group box holding an indicator and, beside it, a plain check box.
struct IndicatorWindow {
    IndicatorWindow() {
        window.resize(240, 120);
        box.setGeometry(10, 10, 200, 90);
        indicator.setGeometry(40, 40, 24, 24);
        plain.setGeometry(120, 40, 24, 24);
        // The focus stays where it is: a box that takes it is repainted for that.
        indicator.setFocusPolicy(Qt::NoFocus);
        plain.setFocusPolicy(Qt::NoFocus);
        window.show();
        const QDeadlineTimer deadline(20000);
        while (!(window.windowHandle() && window.windowHandle()->isExposed()) &&
               !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        }
        settle();
    }

    // The window on screen, as its backing store holds it.
    QImage shown(const QWidget& widget) {
        settle();
        const QImage all = window.grab().toImage();
        return all.copy(QRect(widget.mapTo(&window, QPoint()), widget.size()));
    }

    QWidget window;
    QGroupBox box{&window};
    shell::StationIndicator indicator{&box};
    QCheckBox plain{&box};
};

TEST(StationIndicatorTest, LooksAsAPlainCheckBoxInEveryState) {
    const struct {
        bool checked;
        bool enabled;
        int boxWidth;  // the group box resized to this first
    } cases[] = {
        {false, false, 200}, {false, true, 200}, {true, true, 200},
        {true, false, 200},  {true, true, 180},  {false, false, 220},
    };
    IndicatorWindow w;
    ASSERT_TRUE(w.window.windowHandle()->isExposed());
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.checked << c.enabled << c.boxWidth);
        w.box.resize(c.boxWidth, 90);
        for (QCheckBox* box : {static_cast<QCheckBox*>(&w.indicator), &w.plain}) {
            box->setChecked(c.checked);
            box->setEnabled(c.enabled);
        }
        EXPECT_EQ(w.shown(w.indicator), w.shown(w.plain));
    }
}

TEST(StationIndicatorTest, NewStateRepaintsTheIndicatorAlone) {
    IndicatorWindow w;
    ASSERT_TRUE(w.window.windowHandle()->isExposed());
    const struct {
        const char* what;
        void (*change)(QCheckBox&);
    } cases[] = {
        {"checked", [](QCheckBox& b) { b.setChecked(!b.isChecked()); }},
        {"enabled", [](QCheckBox& b) { b.setEnabled(!b.isEnabled()); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PaintedWidgets work;
        c.change(w.indicator);
        settle();
        EXPECT_EQ(work.painted, (std::set<QObject*>{&w.indicator}));
    }
}

}  // namespace
}  // namespace shelltest
