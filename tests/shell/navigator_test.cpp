// The windows beside the main window are made at their first opening, not at start.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QPointer>

#include <memory>
#include <string>
#include <vector>

#include "shell/navigator.h"

namespace shelltest {
namespace {

struct CountedWindow final : shell::OwnedWindow {
    explicit CountedWindow(int& openings) : openings_(openings) {}
    void open() override { ++openings_; }
    int& openings_;
};

class NavigatorTest : public ::testing::Test {
  protected:
    QWidget* makeListWindow(std::size_t index) {
        ++made[index];
        auto* window = new QLabel(QString::number(index));
        window->setAttribute(Qt::WA_DeleteOnClose);
        shown[index] = window;
        return window;
    }

    int parameterWindowsMade = 0;
    int parameterOpenings = 0;
    std::vector<int> made = std::vector<int>(2, 0);
    std::vector<QPointer<QWidget>> shown = std::vector<QPointer<QWidget>>(2);
    shell::WindowList windows = {
        {"Command3", "数据查询", [this] { return makeListWindow(0); }},
        {"trendButton", "历史趋势", [this] { return makeListWindow(1); }},
    };
    shell::Navigator navigator{[this] {
                                   ++parameterWindowsMade;
                                   return std::make_unique<CountedWindow>(parameterOpenings);
                               },
                               windows};
};

// The steps run one after the other: the parameter window is made at its first opening and kept;
// a window of the list is kept while it is open and made again after it closed.
TEST_F(NavigatorTest, WindowsAreMadeAtTheirFirstOpening) {
    enum class Step { OpenParameters, OpenFirst, OpenSecond, CloseFirst };
    const struct {
        Step step;
        int parameterWindowsMade;
        int parameterOpenings;
        std::vector<int> made;
    } steps[] = {
        {Step::OpenFirst, 0, 0, {1, 0}},      {Step::OpenFirst, 0, 0, {1, 0}},
        {Step::OpenParameters, 1, 1, {1, 0}}, {Step::OpenParameters, 1, 2, {1, 0}},
        {Step::CloseFirst, 1, 2, {1, 0}},     {Step::OpenFirst, 1, 2, {2, 0}},
        {Step::OpenSecond, 1, 2, {2, 1}},
    };
    EXPECT_EQ(parameterWindowsMade, 0) << "nothing is made before it is opened";
    int number = 0;
    for (const auto& s : steps) {
        ++number;
        switch (s.step) {
            case Step::OpenParameters:
                navigator.openParameterWindow();
                break;
            case Step::OpenFirst:
                navigator.openWindow(0);
                break;
            case Step::OpenSecond:
                navigator.openWindow(1);
                break;
            case Step::CloseFirst:
                ASSERT_TRUE(shown[0]);
                shown[0]->close();
                // The window deletes itself once the event loop comes round.
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
                EXPECT_FALSE(shown[0]) << "step " << number;
                break;
        }
        EXPECT_EQ(parameterWindowsMade, s.parameterWindowsMade) << "step " << number;
        EXPECT_EQ(parameterOpenings, s.parameterOpenings) << "step " << number;
        EXPECT_EQ(made, s.made) << "step " << number;
    }
    ASSERT_TRUE(shown[1]);
    EXPECT_TRUE(shown[1]->isVisible());
    navigator.openWindow(2);  // no such entry
    EXPECT_EQ(made, (std::vector<int>{2, 1}));
}

}  // namespace
}  // namespace shelltest
