// What the main window shows of the replies: values, status, the station number and indicators,
// the blanking of a silent line; and the record of a minute holds what it showed.
#include <QRadioButton>

#include "records/store_status.h"
#include "shell/form1_fixture.h"

namespace shelltest {
namespace {

class ReplyTest : public Form1Test {
  protected:
    void SetUp() override {
        Form1Test::SetUp();
        clock.time = "10:00:30";
        ASSERT_TRUE(load());
    }
};

const Bytes kFlow1234_56 = {0x56, 0x34, 0x12, 0x03, 0x02, 0x00};

TEST_F(ReplyTest, FlowReplyIsShown) {
    answer(kFlow1234_56);
    EXPECT_EQ(text("Label29"), "+1234.56");
    EXPECT_EQ(text("Label30"), "m3/h");
    EXPECT_EQ(text("Label39"), "通讯正常");
    EXPECT_EQ(text("Label54"), "01");
    EXPECT_TRUE(timer.isEnabled());
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
    EXPECT_EQ(text("Label54"), "00");
}

TEST_F(ReplyTest, DisplayBlanksAtTheEndOfTheTenthSilentTick) {
    answer(kFlow1234_56);
    for (int i = 0; i < 9; ++i) {
        tick();
    }
    EXPECT_EQ(text("Label29"), "+1234.56");
    tick();
    EXPECT_EQ(text("Label29"), "");
    EXPECT_EQ(text("Label30"), "");
    EXPECT_EQ(text("Label39"), "");
    EXPECT_EQ(text("Label42"), "禁止");  // enable states are not blanked
    EXPECT_EQ(enabledIndicators(), 0);
}

TEST_F(ReplyTest, NotificationDuringAPromptIsHandledAfterIt) {
    tick();
    const Bytes request = tick();  // command 1 to station 1
    dialogs.answers = {"1"};
    dialogs.whileOpen = [&] {
        port.arrive(reply(request[1], request[2], {0x25, 0x01, 0x00, 0x01, 0x02, 0x00}));
        EXPECT_EQ(text("Label34"), "");  // not decoded while the prompt is open
    };
    form->Option1->click();
    EXPECT_EQ(text("Label34"), "+1.25");
}

// Station 1 alone: the record of a minute holds exactly what the window showed.
TEST_F(ReplyTest, RecordHoldsTheShownTexts) {
    const Bytes data[] = {
        kFlow1234_56,
        {0x25, 0x01, 0x00, 0x01, 0x02, 0x00},
        {0x56, 0x04, 0x02, 0x01, 0x00, 0x00},
        {0x05, 0x00, 0x00, 0x00, 0x01, 0x00},
        {0x78, 0x56, 0x34, 0x12, 0x00, 0x05},
        {0x05, 0x00, 0x00, 0x00, 0x00, 0x06},
        {0x10, 0x00, 0x00, 0x00, 0x00, 0x00},
        {0x0C, 0x00, 0x00, 0x00, 0x00, 0x00},
        {0x2C, 0x01, 0x05, 0x00, 0x3B, 0x00},
    };
    for (const Bytes& values : data) {
        answer(values);
    }
    ASSERT_EQ(store.records.size(), 1U) << "logged as soon as the nine values are in";
    const std::array<std::string, 10> shown = {"1",
                                               "2007-10-10/10:00",
                                               text("Label33"),
                                               text("Label29") + text("Label30"),
                                               text("Label31"),
                                               text("Label40"),
                                               text("Label34"),
                                               text("Label35") + text("Label36"),
                                               text("Label37") + text("Label38"),
                                               "通讯正常 上限报警,"};
    EXPECT_EQ(store.records[0].fields, shown);
    EXPECT_EQ(text("Label39"), "通讯正常 上限报警,");
    clock.time = "10:01:00";
    answer(kFlow1234_56);
    ASSERT_EQ(store.records.size(), 2U);
    EXPECT_EQ(store.records[1].fields[1], "2007-10-10/10:01");
    answer(kFlow1234_56);
    EXPECT_EQ(store.records.size(), 2U) << "once a minute";
}

// Whatever keeps records from being stored shows at the foot of the window, with the time since
// the last stored record, until a record is stored again.
TEST_F(ReplyTest, StatusLineFollowsTheStoresHealth) {
    const auto answerRound = [this] {
        for (int i = 0; i < 9; ++i) {
            answer(kFlow1234_56);
        }
    };
    answerRound();
    ASSERT_EQ(store.records.size(), 1U);
    EXPECT_EQ(form->statusLine->note(shell::StatusNote::Store), "");
    records::StoreHealth locked;
    locked.problem = records::StoreProblem::Locked;
    locked.detail = "database is locked";
    locked.lastStoredMsecs = clock.msecs;
    store.health_ = locked;
    clock.time = "10:01:00";
    clock.msecs += 60000;
    answerRound();
    const std::string shown = form->statusLine->note(shell::StatusNote::Store);
    EXPECT_EQ(shown, records::statusLineText(locked, clock.msecs));
    EXPECT_EQ(shown.rfind("记录未保存：", 0), 0U) << shown;
    EXPECT_EQ(form->statusLine->text().toStdString(), shown);
    EXPECT_FALSE(form->statusLine->isHidden());

    store.health_ = records::StoreHealth{};
    clock.time = "10:02:00";
    answerRound();
    EXPECT_EQ(form->statusLine->note(shell::StatusNote::Store), "");
    EXPECT_TRUE(form->statusLine->isHidden());
    EXPECT_EQ(store.records.size(), 2U);
}

}  // namespace
}  // namespace shelltest
