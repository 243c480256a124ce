// Listed windows: made at first opening or (marked) hidden after start-up; remade once deleted.
#include "shell/navigator.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QWidget>

#include "support/wait_for.h"

namespace {

struct Made {
    int count = 0;
    QPointer<QWidget> last;
};

shell::WindowEntry entry(const char* name, bool ahead, bool deletesItself, Made& made) {
    return {name, name,
            [&made, deletesItself]() -> QWidget* {
                auto* window = new QWidget;
                window->setAttribute(Qt::WA_DeleteOnClose, deletesItself);
                ++made.count;
                made.last = window;
                return window;
            },
            ahead};
}

TEST(NavigatorWindows, MadeAheadOrAtTheFirstOpeningAndKeptWhileTheyExist) {
    struct Case {
        bool ahead, deletesItself;
        int madeAhead, madeByReopening;  // by makeAhead(); once opened, closed and opened again
    };
    for (const Case c : {Case{false, false, 0, 1}, Case{false, true, 0, 2}, Case{true, false, 1, 1},
                         Case{true, true, 1, 2}}) {
        SCOPED_TRACE(2 * c.ahead + c.deletesItself);
        Made made;
        const shell::WindowList list = {entry("w", c.ahead, c.deletesItself, made)};
        shell::Navigator navigator({}, list);
        EXPECT_EQ(made.count, 0) << "nothing is made at start-up";

        navigator.makeAhead();
        ASSERT_EQ(made.count, c.madeAhead);
        EXPECT_TRUE(made.last.isNull() || made.last->isHidden());

        navigator.openWindow(0);
        ASSERT_FALSE(made.last.isNull());
        EXPECT_TRUE(made.last->isVisible());
        made.last->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(made.last.isNull(), c.deletesItself);

        navigator.openWindow(0);
        EXPECT_EQ(made.count, c.madeByReopening);
        ASSERT_FALSE(made.last.isNull());
        EXPECT_TRUE(made.last->isVisible());
    }
}

TEST(NavigatorWindows, MarkedWindowsAreMadeAMomentAfterStartUp) {
    Made ahead;
    Made atOpening;
    const shell::WindowList list = {entry("a", true, false, ahead),
                                    entry("b", false, false, atOpening)};
    shell::Navigator navigator({}, list);
    ASSERT_TRUE(testsupport::waitFor([&] { return ahead.count == 1; }));
    EXPECT_TRUE(ahead.last->isHidden());
    EXPECT_EQ(atOpening.count, 0);
}

}  // namespace
