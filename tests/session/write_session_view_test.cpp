// What the session tells its front end about a write: progress, the meter's seconds and the
// disabled button's reason.
#include <functional>
#include <string>
#include <vector>

#include "write_session_fixture.h"

namespace sessiontest {
namespace {

// The operator takes this long in each password box.
void slowPasswordBoxes(fakes::FakeDialogs& dialogs, const std::function<void()>& wait) {
    dialogs.whileOpen = [&dialogs, wait, prompts = std::size_t{0}]() mutable {
        if (dialogs.prompts.size() != prompts) {
            prompts = dialogs.prompts.size();
            wait();
        }
    };
}

// The number in "设置时限剩余 N 秒".
int secondsIn(const std::string& text) {
    const std::size_t digits = text.find_first_of("0123456789");
    return digits == std::string::npos ? -1 : std::stoi(text.substr(digits));
}

TEST_F(WriteSessionTest, ProgressFollowsTheStepsOfAWrite) {
    open();
    dialogs.answers = {"1234"};
    std::string shownWithTheMessage;
    dialogs.whileOpen = [this, &shownWithTheMessage] {
        shownWithTheMessage = FakeView::last(view.progress);
    };
    startWrite();
    ASSERT_TRUE(tickUntilMessage("数据传递成功！"));
    EXPECT_EQ(shownWithTheMessage, "第 15 步，共 15 步：完成");
    std::vector<std::string> expected = {"等待仪表应答"};
    for (int k = 1; k <= 15; ++k) {
        expected.push_back("第 " + std::to_string(k) + " 步，共 15 步");
    }
    expected.push_back("第 15 步，共 15 步：完成");
    EXPECT_EQ(view.progress, expected);
}

TEST_F(WriteSessionTest, ProgressOfAWriteThatStopsOrMeetsSilence) {
    meters("1-2");
    open();
    startWrite();
    for (int i = 0; i <= 100; ++i) {
        tick();
    }
    EXPECT_EQ(view.progress, (std::vector<std::string>{"等待仪表应答", "仪表无应答"}));

    meters("1-16");
    dialogs.answers = {""};  // the password box cancelled
    startWrite();
    tick();
    EXPECT_EQ(FakeView::last(view.progress), "第 1 步，共 15 步：已停止");
}

TEST_F(WriteSessionTest, SecondsLeftCountFromTheMetersAnswerOnceThePasswordIsGiven) {
    open();
    slowPasswordBoxes(dialogs, [this] { advance(10'000'000); });
    dialogs.answers = {"9999", "1234"};
    startWrite();
    tick();
    ASSERT_FALSE(view.secondsLeft.empty()) << "shown once the password box has closed";
    EXPECT_EQ(view.secondsLeft.front(), "设置时限剩余 20 秒");
    ASSERT_TRUE(tickUntilMessage("数据传递成功！"));
    ASSERT_GE(view.secondsLeft.size(), 4U);
    EXPECT_EQ(view.secondsLeft[1], "设置时限剩余 10 秒") << "the wrong password did not restart it";
    EXPECT_EQ(view.secondsLeft.back(), "") << "gone when the write is done";
    for (std::size_t i = 2; i + 1 < view.secondsLeft.size(); ++i) {
        EXPECT_EQ(secondsIn(view.secondsLeft[i]), secondsIn(view.secondsLeft[i - 1]) - 1)
            << "counts down by the second";
    }
}

TEST_F(WriteSessionTest, SecondsLeftReachZeroWhenTheOperatorWaitsTooLong) {
    open();
    slowPasswordBoxes(dialogs, [this] { advance(31'000'000); });
    dialogs.answers = {"1234"};
    startWrite();
    advance(200'000);
    timer.tick();
    EXPECT_EQ(FakeView::last(view.secondsLeft), "设置时限剩余 0 秒");
    std::string secondsWithTheMessage = "?";
    std::string progressWithTheMessage;
    dialogs.whileOpen = [&] {
        secondsWithTheMessage = FakeView::last(view.secondsLeft);
        progressWithTheMessage = FakeView::last(view.progress);
    };
    deliver();
    ASSERT_EQ(dialogs.messages, std::vector<std::string>{"参数设置超过30秒"});
    EXPECT_EQ(secondsWithTheMessage, "") << "the meter no longer waits";
    EXPECT_EQ(progressWithTheMessage, "第 1 步，共 15 步：已停止");
}

TEST_F(WriteSessionTest, DisabledWriteButtonSaysWhyAndForHowLong) {
    open();
    dialogs.answers = {""};
    startWrite();
    EXPECT_EQ(FakeView::last(view.hints), "写入进行中");
    tick();  // the password box is cancelled: the button comes back 101 ticks of 200 ms later
    EXPECT_EQ(FakeView::last(view.hints), "21 秒后可再次设置");
    tick();
    EXPECT_EQ(FakeView::last(view.hints), "20 秒后可再次设置");
    for (int i = 0; i < 99 && !view.writeEnabled; ++i) {
        tick();
    }
    EXPECT_EQ(FakeView::last(view.hints), "1 秒后可再次设置");
    tick();
    EXPECT_TRUE(view.writeEnabled);
    EXPECT_EQ(FakeView::last(view.hints), "");
}

}  // namespace
}  // namespace sessiontest
