// A station indicator looks exactly as a plain check box in its place, and a changing caption as a
// plain label, in every state and after their group box was resized; a new state or text repaints
// the control alone.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QWindow>

#include <set>

#include "shell/parent_copy.h"

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

// A window with a group box holding an indicator and a changing caption, each beside its plain
// counterpart.
struct IndicatorWindow {
    IndicatorWindow() {
        window.resize(240, 120);
        box.setGeometry(10, 10, 200, 90);
        indicator.setGeometry(40, 40, 24, 24);
        plain.setGeometry(120, 40, 24, 24);
        caption.setGeometry(40, 66, 40, 20);
        plainCaption.setGeometry(120, 66, 40, 20);
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
    shell::ChangingCaption caption{&box};
    QLabel plainCaption{&box};
};

TEST(ParentCopyTest, LooksAsAPlainCheckBoxInEveryState) {
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
        for (QLabel* label : {static_cast<QLabel*>(&w.caption), &w.plainCaption}) {
            label->setText(c.checked ? "允许" : "禁止");
        }
        EXPECT_EQ(w.shown(w.caption), w.shown(w.plainCaption));
    }
}

TEST(ParentCopyTest, NewStateOrTextRepaintsTheControlAlone) {
    IndicatorWindow w;
    ASSERT_TRUE(w.window.windowHandle()->isExposed());
    const struct {
        const char* what;
        QWidget* control;
        void (*change)(QWidget&);
    } cases[] = {
        {"checked", &w.indicator, [](QWidget& b) { static_cast<QCheckBox&>(b).setChecked(true); }},
        {"unchecked", &w.indicator,
         [](QWidget& b) { static_cast<QCheckBox&>(b).setChecked(false); }},
        {"disabled", &w.indicator, [](QWidget& b) { b.setEnabled(false); }},
        {"caption", &w.caption, [](QWidget& b) { static_cast<QLabel&>(b).setText("允许"); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PaintedWidgets work;
        c.change(*c.control);
        settle();
        EXPECT_EQ(work.painted, (std::set<QObject*>{c.control}));
    }
}

}  // namespace
}  // namespace shelltest
