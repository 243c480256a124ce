// Controls on a copy of their group box look as plain ones; replies repaint no group box.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QGroupBox>
#include <QImage>
#include <QWindow>

#include <set>

#include "shell/form1_fixture.h"
#include "shell/parent_copy.h"

namespace shelltest {
namespace {

struct PaintedWidgets final : QObject {
    PaintedWidgets() { QCoreApplication::instance()->installEventFilter(this); }
    ~PaintedWidgets() override { QCoreApplication::instance()->removeEventFilter(this); }
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            painted.insert(object->objectName().toStdString());
        }
        return false;
    }
    std::set<std::string> painted;
};

// Shows `window` and runs what is left for it to do.
void shownAndSettled(QWidget& window) {
    window.show();
    const QDeadlineTimer deadline(20000);
    while (!window.windowHandle()->isExposed() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

QImage shownPart(QWidget& window, const QWidget& part) {
    shownAndSettled(window);
    return window.grab().toImage().copy(QRect(part.mapTo(&window, QPoint()), part.size()));
}

TEST(ParentCopyTest, LooksAsThePlainControlInEveryStateAndAfterAResize) {
    QWidget window;
    window.resize(240, 120);
    QGroupBox box(&window);
    shell::StationIndicator indicator(&box);
    QCheckBox plain(&box);
    shell::ChangingCaption caption(&box);
    QLabel plainCaption(&box);
    box.setGeometry(10, 10, 200, 90);
    indicator.setGeometry(40, 40, 24, 24);
    plain.setGeometry(120, 40, 24, 24);
    caption.setGeometry(40, 66, 40, 20);
    plainCaption.setGeometry(120, 66, 40, 20);
    const struct {
        bool checked, enabled;
        const char* text;
        int boxWidth;
    } cases[] = {{false, false, "禁止", 200},
                 {true, true, "允许", 200},
                 {true, false, "禁止", 180},
                 {false, true, "允许", 220},
                 // States shown before, painted from the looks kept of them.
                 {true, true, "禁止", 220},
                 {false, false, "允许", 200}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text + std::to_string(c.boxWidth));
        box.resize(c.boxWidth, 90);
        for (QCheckBox* b : {static_cast<QCheckBox*>(&indicator), &plain}) {
            b->setChecked(c.checked);
            b->setEnabled(c.enabled);
        }
        caption.setText(c.text);
        plainCaption.setText(c.text);
        EXPECT_EQ(shownPart(window, indicator), shownPart(window, plain));
        EXPECT_EQ(shownPart(window, caption), shownPart(window, plainCaption));
    }
}

TEST_F(Form1Test, RepliesToEveryStationRepaintNoGroupBox) {
    ASSERT_TRUE(load());
    form->Option2->click();
    shownAndSettled(*form);
    PaintedWidgets work;
    for (int i = 0; i < 9 * 3; ++i) {  // stations 1 to 3, a round each
        answer({0x56, 0x34, 0x12, 0x03, 0x02, 0x00});
    }
    shownAndSettled(*form);
    EXPECT_EQ(work.painted.count("Check1_2"), 1U) << "the indicator of the station answering";
    EXPECT_EQ(work.painted.count("Label29"), 1U);
    EXPECT_EQ(work.painted.count("Frame1") + work.painted.count("Frame2"), 0U);
}

}  // namespace
}  // namespace shelltest
