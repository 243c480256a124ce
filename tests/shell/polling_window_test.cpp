// The mode and station choices of the main window, its prompts, the hand-over to the parameter
// window and back, the port note on the status line, and the line speed box.
#include <algorithm>

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>

#include "shell/form1_fixture.h"

namespace shelltest {
namespace {

class PollingTest : public Form1Test {
  protected:
    void SetUp() override {
        Form1Test::SetUp();
        ASSERT_TRUE(load());
    }
    void chooseMultiStation() { form->Option2->click(); }
};

TEST_F(PollingTest, OptionOnePromptChoosesTheStation) {
    tick();
    dialogs.answers = {"5"};
    form->Option1->click();
    ASSERT_EQ(dialogs.prompts.size(), 1U);
    EXPECT_EQ(dialogs.prompts[0].prompt, "请输入单机通讯的仪表编号(范围是01~16)：");
    EXPECT_EQ(dialogs.prompts[0].title, "提示");
    EXPECT_EQ(dialogs.prompts[0].defaultAnswer, "1");
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(tick()[1], 5);
    }
    EXPECT_EQ(enabledIndicators(), 0);
    EXPECT_TRUE(form->Option1->isChecked());
}

TEST_F(PollingTest, OptionOneRejectedAnswerSelectsMultiStation) {
    for (const char* answer : {"0", "17", "300", "-1", "abc", ""}) {
        restart();  // loaded again
        chooseMultiStation();
        form->Option1->click();  // the first prompt comes only once a tick has run
        EXPECT_TRUE(dialogs.prompts.empty());
        EXPECT_TRUE(form->Option1->isChecked()) << "station 1 alone, without a question";
        chooseMultiStation();
        tick();
        dialogs.answers = {answer};
        form->Option1->click();
        EXPECT_TRUE(form->Option2->isChecked()) << answer;
        EXPECT_FALSE(form->Option1->isChecked()) << answer;
        EXPECT_EQ(session->mode(), session::PollingMode::AllStations) << answer;
        EXPECT_EQ(text("Label54"), "00");
        EXPECT_EQ(timer.interval(), 200);
    }
}

TEST_F(PollingTest, OptionOneCancelledCountsAsZero) {
    tick();
    form->Option1->click();  // no scripted answer: the box is cancelled
    EXPECT_TRUE(form->Option2->isChecked());
    EXPECT_EQ(session->mode(), session::PollingMode::AllStations);
}

TEST_F(PollingTest, CommandOneStationPrompt) {
    const struct {
        const char* answer;
        bool opens;
        int station;
    } cases[] = {
        {"0", false, 1}, {"17", false, 1},   {"300", false, 1}, {"-1", false, 1}, {"abc", false, 1},
        {"", false, 1},  {"16.4", true, 16}, {"0.6", true, 1},  {"5", true, 5},
    };
    for (const auto& c : cases) {
        restart();  // loaded again
        form->show();
        dialogs.answers = {c.answer};
        form->Command1->click();
        ASSERT_EQ(dialogs.prompts.size(), 1U);
        EXPECT_EQ(dialogs.prompts[0].prompt, "请输入需要进行参数设置的仪表编号(范围是01~16)：");
        EXPECT_EQ(form->parameterStation(), c.station) << c.answer;
        EXPECT_EQ(navigation.parameterOpenings, c.opens ? 1 : 0) << c.answer;
        if (c.opens) {
            EXPECT_TRUE(dialogs.messages.empty()) << c.answer;
            EXPECT_FALSE(port.isOpen());
            EXPECT_FALSE(timer.isEnabled());
            EXPECT_FALSE(form->isVisible());
            EXPECT_FALSE(form->isEnabled());
            EXPECT_EQ(session->state(), session::SessionState::HandedOver);
        } else {
            EXPECT_EQ(dialogs.messages, std::vector<std::string>{"仪表编号输入出错！"}) << c.answer;
            EXPECT_TRUE(port.isOpen());
            EXPECT_TRUE(timer.isEnabled());
            EXPECT_TRUE(form->isVisible());
        }
        form->hide();
    }
}

TEST_F(PollingTest, RejectedParameterStationMakesSingleStationPollStationOne) {
    tick();
    dialogs.answers = {"5"};
    form->Option1->click();
    EXPECT_EQ(tick()[1], 5);
    dialogs.answers = {"abc"};
    form->Command1->click();
    EXPECT_EQ(tick()[1], 1);
    EXPECT_TRUE(form->Option1->isChecked());
}

// Coming back from the parameter window polls as the operator left it: every station, or the
// station polled alone (not the one just configured).
TEST_F(PollingTest, ReturnFromParameterWindowRestoresTheModeAndStation) {
    navigation.onParameterWindow = [this] { form->takeBack(); };
    chooseMultiStation();
    dialogs.answers = {"7"};
    form->Command1->click();
    EXPECT_TRUE(form->Option2->isChecked());
    EXPECT_EQ(session->mode(), session::PollingMode::AllStations);
    EXPECT_EQ(text("Label54"), "00");
    const int nextCommand = session->polling().nextCommand();
    EXPECT_EQ(tick(), poll(1, nextCommand)) << "from station 1, the commands going on";

    tick();
    dialogs.answers = {"9", "12"};
    form->Option1->click();
    form->Command1->click();
    EXPECT_TRUE(form->Option1->isChecked());
    EXPECT_EQ(tick()[1], 9) << "station 12 was configured; station 9 is polled again";
    EXPECT_EQ(form->Addr_Parameter_Set, 9);
    EXPECT_EQ(form->Combo1->count(), 1);
    EXPECT_TRUE(form->isEnabled());
}

TEST_F(PollingTest, HandedOverWindowIgnoresAReplyThatArrivedDuringThePrompt) {
    form->show();
    tick();
    dialogs.answers = {"3"};
    dialogs.whileOpen = [this] { port.arrive(reply(1, 0, {0x56, 0x34, 0x12, 0x03, 0x02, 0})); };
    form->Command1->click();
    EXPECT_EQ(session->state(), session::SessionState::HandedOver);
    EXPECT_FALSE(timer.isEnabled());
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(text("Label29"), "") << "the reply was not decoded after the hand-over";
    // Nothing of the handed-over window runs until it takes the line back.
    dialogs.whileOpen = nullptr;
    port.written.clear();
    port.notify(platform::kCommEventReceive);
    gate.run([this] { session->tick(); });
    EXPECT_FALSE(timer.isEnabled());
    EXPECT_TRUE(port.written.empty());

    form->takeBack();
    EXPECT_EQ(session->state(), session::SessionState::Polling);
    EXPECT_TRUE(form->isVisible() && form->isEnabled());
    EXPECT_EQ(tick()[1], 1) << "station 1 alone, as before the parameter window";
}

// The speed box takes only the speeds of its list: characters that cannot make one are refused as
// they are typed, and a text that is no speed of the list when the typing ends (Enter, or the
// focus leaves) gives way to the speed in use, which the line keeps all along. Rows run in turn.
TEST_F(PollingTest, SpeedBoxTakesOnlyItsListedSpeeds) {
    const struct {
        const char* typed;  // over the whole text
        QEvent::Type end;
        const char* shown;  // the speed in use afterwards
    } rows[] = {
        {"9600", QEvent::KeyPress, "9600"},    {"115200", QEvent::KeyPress, "9600"},
        {"38400", QEvent::FocusOut, "9600"},   {"1200", QEvent::FocusOut, "1200"},
        {"96OO", QEvent::KeyPress, "1200"},    {"", QEvent::FocusOut, "1200"},
        {"19200 ", QEvent::KeyPress, "19200"},
    };
    QLineEdit* edit = form->Combo2->lineEdit();
    for (const auto& row : rows) {
        const std::string before = form->lineSpeedText();
        edit->selectAll();
        edit->del();
        for (const char* c = row.typed; *c != '\0'; ++c) {
            QKeyEvent key(QEvent::KeyPress, QChar(*c).toUpper().unicode(), Qt::NoModifier,
                          QString(QChar(*c)));
            QApplication::sendEvent(edit, &key);
        }
        EXPECT_LE(edit->text().size(), 5) << row.typed;
        if (edit->text().toStdString() != row.shown) {
            EXPECT_EQ(form->lineSpeedText(), before) << row.typed << " while it is typed";
        }
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(
            edit, row.end == QEvent::KeyPress ? static_cast<QEvent*>(&enter) : &leave);
        EXPECT_EQ(edit->text().toStdString(), row.shown) << row.typed;
        tick();
        EXPECT_EQ(port.settings, std::string(row.shown) + ",n,8,1") << row.typed;
        EXPECT_EQ(form->Combo2->count(), 7) << row.typed;
    }
    form->Combo2->setCurrentIndex(0);  // picked from the list
    tick();
    EXPECT_EQ(port.settings, "600,n,8,1");
    EXPECT_EQ(timer.interval(), 1000);
}

TEST_F(PollingTest, ExitReleasesThePortAndEndsTheProgram) {
    form->Command2->click();
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(timer.isEnabled());
    EXPECT_EQ(programEnd.endings, 1);
    EXPECT_EQ(session->state(), session::SessionState::Stopped);
}

TEST_F(PollingTest, ClosingTheWindowReleasesThePort) {
    form->show();
    form->close();
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(session->state(), session::SessionState::Stopped);
}

TEST_F(PollingTest, TickDuringAPromptIsDropped) {
    tick();
    dialogs.answers = {"3"};
    Bytes duringPrompt;
    dialogs.whileOpen = [&] { duringPrompt = tick(); };
    form->Option1->click();
    EXPECT_TRUE(duringPrompt.empty());
    dialogs.whileOpen = nullptr;
    EXPECT_EQ(tick()[1], 3);
}

}  // namespace
}  // namespace shelltest
