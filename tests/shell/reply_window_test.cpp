// Replies reaching the main window: checks, indicators, the display, blanking and logging.
#include <QRadioButton>

#include "shell/form1_fixture.h"

namespace shelltest {
namespace {

class ReplyTest : public Form1Test {
  protected:
    void SetUp() override {
        Form1Test::SetUp();
        clock.time = "10:00:30";  // minute 0: nothing is logged until the minute changes
        ASSERT_TRUE(form->Form_Load());
    }
    // Polls once and lets the polled station answer with `data`.
    void answer(const Bytes& data) {
        const Bytes request = tick();
        port.arrive(reply(request[1], request[2], data));
    }
};

const Bytes kFlow1234_56 = {0x56, 0x34, 0x12, 0x03, 0x02, 0x00};

TEST_F(ReplyTest, FlowReplyIsShownAndRemembered) {
    answer(kFlow1234_56);
    EXPECT_EQ(text(29), "+1234.56");
    EXPECT_EQ(text(30), "m3/h");
    EXPECT_EQ(text(39), "通讯正常");
    EXPECT_EQ(text(54), "01");
    EXPECT_FLOAT_EQ(form->replies.memory.shunshi[0], 1234.56f);
    EXPECT_EQ(form->replies.memory.E_liuliang[0], "m3/h");
    EXPECT_TRUE(timer.isEnabled());
    EXPECT_EQ(form->poll.noReplyCount(), 0);
}

TEST_F(ReplyTest, BadFramesShowCommunicationErrorAndChangeNothingElse) {
    answer(kFlow1234_56);
    const Bytes request = tick();  // command 1 now
    Bytes late = reply(1, 0, kFlow1234_56);
    port.arrive(late);
    EXPECT_EQ(text(39), "通讯错误");
    EXPECT_EQ(text(29), "+1234.56");
    EXPECT_TRUE(timer.isEnabled());

    Bytes badEnd = reply(request[1], request[2], {0x25, 0x01, 0, 0, 2, 0});
    badEnd[9] = 0x55;
    port.arrive(badEnd);
    EXPECT_EQ(text(34), "");
    EXPECT_EQ(text(39), "通讯错误");
}

TEST_F(ReplyTest, MultiStationReplyLightsExactlyItsIndicator) {
    form->Option2->click();
    for (int i = 0; i < 9 * 4; ++i) {
        tick();  // stations 1 to 4
    }
    answer(kFlow1234_56);  // station 5, command 0
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(form->Check1[i]->isChecked(), i == 4) << i;
        EXPECT_EQ(form->Check1[i]->isEnabled(), i == 4) << i;
    }
    EXPECT_EQ(text(54), "00");
    EXPECT_FLOAT_EQ(form->replies.memory.shunshi[4], 1234.56f);
}

TEST_F(ReplyTest, DisplayBlanksAtTheEndOfTheTenthSilentTick) {
    answer(kFlow1234_56);
    for (int i = 0; i < 9; ++i) {
        tick();
    }
    EXPECT_EQ(text(29), "+1234.56");
    tick();
    EXPECT_EQ(text(29), "");
    EXPECT_EQ(text(30), "");
    EXPECT_EQ(text(39), "");
    EXPECT_EQ(text(42), "禁止");  // enable states are not blanked
    EXPECT_EQ(enabledIndicators(), 0);
}

TEST_F(ReplyTest, ShortDeliveryNeverReadsPastWhatArrived) {
    answer(kFlow1234_56);
    tick();
    port.input = {0x01, 0x01, 0x25};
    port.notify(platform::kCommEventReceive);
    EXPECT_EQ(text(39), "通讯错误");
    EXPECT_TRUE(timer.isEnabled());
}

TEST_F(ReplyTest, NotificationDuringAPromptIsHandledAfterIt) {
    tick();
    const Bytes request = tick();  // command 1 to station 1
    dialogs.answers = {"1"};
    dialogs.whileOpen = [&] {
        port.arrive(reply(request[1], request[2], {0x25, 0x01, 0x00, 0x01, 0x02, 0x00}));
        EXPECT_EQ(text(34), "");  // not decoded while the prompt is open
    };
    form->Option1->click();
    EXPECT_EQ(text(34), "+1.25");
}

TEST_F(ReplyTest, OtherEventsOnlyLogAndRearmTheTimer) {
    timer.setEnabled(false);
    clock.time = "10:01:00";
    port.notify(1);
    EXPECT_TRUE(timer.isEnabled());
    EXPECT_EQ(text(39), "");
    EXPECT_EQ(records.rows.size(), 1U);
}

TEST_F(ReplyTest, NewMinuteLogsTheShownTexts) {
    answer(kFlow1234_56);
    EXPECT_EQ(records.rows.size(), 0U);  // still minute 0, the marker's start value
    clock.time = "10:01:05";
    answer({0x25, 0x01, 0x00, 0x01, 0x02, 0x00});  // velocity +1.25
    ASSERT_EQ(records.rows.size(), 1U);
    const auto field = [this](const char* name) {
        return fakes::FakeRecordsBinding::textOf(records.rows[0], name);
    };
    EXPECT_EQ(field("仪表编号"), "1");
    EXPECT_EQ(field("日期"), "2007-10-10/10:01");
    EXPECT_EQ(field("瞬时流量"), "+1234.56m3/h");
    EXPECT_EQ(field("流速"), "+1.25");
    EXPECT_EQ(field("报警状态"), "");
    answer({0x56, 0x04, 0x01, 0, 0, 0});  // percentage: same minute, no record
    EXPECT_EQ(records.rows.size(), 1U);
}

TEST_F(ReplyTest, SilentLineTurnsOffTheIndicatorOfThePolledStation) {
    form->Option2->click();
    for (int i = 0; i < 9; ++i) {
        tick();
    }
    EXPECT_EQ(enabledIndicators(), 1) << "each tick marks the station it polls";
    tick();
    EXPECT_EQ(enabledIndicators(), 0) << "the tenth silent tick clears the marks";
}

TEST_F(ReplyTest, BadFrameAtANewMinuteStoresNoRecord) {
    answer(kFlow1234_56);
    clock.time = "10:01:00";
    tick();
    port.arrive(reply(9, 9, kFlow1234_56));
    EXPECT_EQ(text(39), "通讯错误");
    EXPECT_TRUE(records.rows.empty());
    answer(kFlow1234_56);
    EXPECT_EQ(records.rows.size(), 1U);
}

TEST_F(ReplyTest, StartUpAgainStartsTheMinuteAndTheSilenceAfresh) {
    clock.time = "10:01:00";
    answer(kFlow1234_56);
    ASSERT_EQ(records.rows.size(), 1U);
    for (int i = 0; i < 12; ++i) {
        tick();
    }
    ASSERT_EQ(form->poll.noReplyCount(), 12);
    port.close();  // as on the way to the parameter window and back
    ASSERT_TRUE(form->Form_Load());
    EXPECT_EQ(form->poll.noReplyCount(), 0);
    answer(kFlow1234_56);
    EXPECT_EQ(records.rows.size(), 2U) << "the same minute is logged again after a start-up";
}

}  // namespace
}  // namespace shelltest
