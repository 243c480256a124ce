// Whole writes from the parameter window to the simulated meter, and the ways the window is left.
#include <QApplication>
#include <QMouseEvent>

#include "form3_fixture.h"

namespace paramtest {
namespace {

using parameters::Param;

const char* const kSuccess = "数据传递成功！";

TEST_F(Form3Test, OpensOnTheReleasedPortAndShowsTheDefaults) {
    mainWindow.portNumber = 4;
    port.usablePorts = {4};
    open();
    const std::vector<std::string> expected = {"port 4",
                                               "open 4",
                                               "handshaking none",
                                               "send threshold 0",
                                               "receive threshold 10",
                                               "settings 14400,n,8,1",
                                               "binary"};
    EXPECT_EQ(port.log, expected);
    EXPECT_TRUE(timer.isEnabled());
    EXPECT_EQ(timer.interval(), 200);
    for (const Param param : parameters::allParams()) {
        EXPECT_EQ(text(param), parameters::defaultTexts()[parameters::indexOf(param)]);
    }
    port.log.clear();
    tick();
    EXPECT_EQ(form->Label24->text().toStdString(), "03");
    EXPECT_EQ(port.log, (std::vector<std::string>{"discard output", "discard input"}))
        << "each tick starts from empty buffers";
    mainWindow.station = 16;
    open();
    tick();
    EXPECT_EQ(form->Label24->text().toStdString(), "16");
}

TEST_F(Form3Test, WritesTheFieldsAsShownAndSavesThem) {
    mainWindow.speed = "1200";
    open();
    form->Combo8->setEditText("250");
    form->Text2->setText("100");
    form->Combo7->setEditText("脉冲");
    form->Text4->setText("50");
    form->Text9->setText("-1.5");
    dialogs.answers = {"1234"};
    port.written.clear();

    startWrite();
    EXPECT_EQ(port.settings, "1200,n,8,1");
    EXPECT_EQ(timer.interval(), 260);
    EXPECT_FALSE(form->Command3->isEnabled());
    ASSERT_TRUE(tickUntilMessage(kSuccess));

    EXPECT_EQ(dialogs.messages, std::vector<std::string>{kSuccess});
    ASSERT_EQ(dialogs.prompts.size(), 1U);
    EXPECT_EQ(dialogs.prompts[0].prompt, "请输入参数设置密码：");
    EXPECT_EQ(dialogs.prompts[0].defaultAnswer, "0");
    EXPECT_TRUE(dialogs.prompts[0].masked);
    EXPECT_EQ(Bytes(port.written.begin(), port.written.begin() + 4), (Bytes{0x2A, 3, 0x64, 0x2E}));
    EXPECT_EQ(stepsSent(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 15}));
    EXPECT_EQ(meterSettings().diameterCode, 16);
    EXPECT_EQ(meterSettings().rangeValue, 100);
    EXPECT_EQ(meterSettings().outputMode, 1);
    EXPECT_EQ(meterSettings().frequencyRangeHz, 50);
    EXPECT_DOUBLE_EQ(meterSettings().zeroCorrection, -1.5);
    EXPECT_EQ(text(Param::RangeValue), "00100");
    EXPECT_EQ(text(Param::FrequencyRange), "0050");
    EXPECT_EQ(text(Param::ZeroCorrection), "-1.500");
    EXPECT_TRUE(form->Command3->isEnabled());
    EXPECT_TRUE(mainWindow.first);
    EXPECT_EQ(saved.text(Param::RangeValue), "00100");
    std::vector<std::string> verdicts;
    for (std::size_t i = 0; i < traffic.size(); ++i) {
        verdicts.push_back(commissioning::verdictText(traffic.at(i)));
    }
    ASSERT_EQ(verdicts.size(), 2U + 2 * 15);
    EXPECT_EQ(verdicts[0], "启动参数设置 站3");
    EXPECT_EQ(verdicts[1], "启动应答");
    EXPECT_EQ(verdicts[2], "密码帧");
    EXPECT_EQ(verdicts[3], "应答 第0步");
    EXPECT_EQ(verdicts[30], "结束帧");
    EXPECT_EQ(verdicts[31], "应答 第15步");

    // Nothing more goes out, and the next opening shows what was written.
    port.written.clear();
    for (int i = 0; i < 30; ++i) {
        tick();
    }
    EXPECT_TRUE(port.written.empty());
    form->Text2->setText("777");
    form->hide();
    open();
    gate.run([] {});
    EXPECT_EQ(text(Param::RangeValue), "00100");
    EXPECT_EQ(text(Param::Diameter), "250");
}

TEST_F(Form3Test, WrongPasswordIsAskedAgain) {
    open();
    dialogs.answers = {"9999", "1234"};
    startWrite();
    ASSERT_TRUE(tickUntilMessage(kSuccess));
    EXPECT_EQ(dialogs.messages, (std::vector<std::string>{"密码输入错误", kSuccess}));
    EXPECT_EQ(dialogs.prompts.size(), 2U);
}

TEST_F(Form3Test, FifthWrongPasswordHandsBackToTheMainWindow) {
    open();
    dialogs.answers = {"1", "2", "3", "4", "5", "1234"};
    startWrite();
    ASSERT_TRUE(tickUntilMessage("密码输入错误超过4次"));
    EXPECT_EQ(dialogs.messages.size(), 5U);
    EXPECT_EQ(mainWindow.takeBacks, 1);
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(timer.isEnabled());
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(form->Command3->isEnabled());
}

TEST_F(Form3Test, MeterTimeLimitEndsTheWriteAndTheWindowStays) {
    open();
    dialogs.answers = {"1234"};
    startWrite();
    for (int i = 0; i < 3; ++i) {
        tick();
    }
    now += 30'000'000;  // the operator waited
    ASSERT_TRUE(tickUntilMessage("参数设置超过30秒"));
    port.written.clear();
    for (int i = 0; i < 30; ++i) {
        tick();
    }
    EXPECT_TRUE(port.written.empty());
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(mainWindow.takeBacks, 0);
}

TEST_F(Form3Test, AcknowledgementOfAnEarlierStepSendsTheCurrentFrameAgain) {
    open();
    dialogs.answers = {"1234"};
    port.written.clear();
    startWrite();
    Bytes ackOf7;
    while (form->exchange().variables().step != 8) {
        now += 200'000;
        timer.tick();
        if (form->exchange().variables().step == 7 && pending.size() == 10) {
            ackOf7 = pending;
        }
        deliver();
    }
    now += 200'000;
    timer.tick();  // frame 8 goes out; its acknowledgement is lost and step 7's comes instead
    pending = ackOf7;
    deliver();
    tick();
    ASSERT_TRUE(tickUntilMessage(kSuccess));
    const std::vector<int> steps = stepsSent();
    EXPECT_EQ(std::count(steps.begin(), steps.end(), 8), 2);
    EXPECT_EQ(steps.back(), 15);
}

TEST_F(Form3Test, SilentMeterStopsTheWriteAndTheButtonComesBack) {
    meters("1-2");
    open();
    port.written.clear();
    startWrite();
    for (int i = 1; i <= 100; ++i) {
        tick();
        ASSERT_FALSE(form->Command3->isEnabled()) << i;
    }
    tick();
    EXPECT_TRUE(form->Command3->isEnabled());
    EXPECT_EQ(port.written.size(), 4U) << "only the start command";
    EXPECT_TRUE(dialogs.prompts.empty());
}

TEST_F(Form3Test, FieldRefusedAtItsStepStopsTheWrite) {
    open();
    dialogs.answers = {"1234"};
    port.written.clear();
    startWrite();
    while (form->exchange().variables().step < 11) {
        tick();
    }
    form->Text10->setText("1");  // typed during the write, the field never left
    for (int i = 0; i < 120; ++i) {
        tick();
    }
    EXPECT_EQ(dialogs.messages,
              std::vector<std::string>{"设置值不对，传感器系数范围在0.0000~3.9999"});
    EXPECT_EQ(text(Param::SensorCoefficient), "");
    const std::vector<int> steps = stepsSent();
    EXPECT_EQ(steps.back(), 11) << "no frame of step 12 or later";
    EXPECT_TRUE(form->Command3->isEnabled());
    EXPECT_FALSE(mainWindow.first);
}

TEST_F(Form3Test, WriteRefusedWithAnEmptyFieldOrAnInvalidEntry) {
    open();
    form->Combo3->setEditText("");
    startWrite();
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"参数输入有错，不能进行设置！"});
    form->Combo3->setEditText("m3/h");
    form->Field_Valid = false;
    startWrite();
    EXPECT_EQ(dialogs.messages.back(), "设置有错，请重新输入！");
    EXPECT_TRUE(port.written.empty());
    EXPECT_TRUE(form->Command3->isEnabled());
}

TEST_F(Form3Test, ReturnToTheMainMenu) {
    open();
    startWrite();  // the meter answers; the password is due
    form->Command2->click();
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"5秒钟之后重试！"});
    EXPECT_TRUE(form->isVisible());

    // A frame armed in step 5, with the button back: the click is ignored.
    dialogs.answers = {"1234"};
    while (form->exchange().variables().step != 5) {
        tick();
    }
    timer.tick();
    pending.clear();  // step 5's acknowledgement is lost
    for (int i = 0; i < 100 && !form->Command3->isEnabled(); ++i) {
        tick();
    }
    ASSERT_TRUE(form->Command3->isEnabled());
    EXPECT_FALSE(form->exchange().variables().frameArmed) << "silence: nothing armed";
    port.arrive({9, 9, 9, 9, 9, 9, 9, 9, 9, 9});  // a rejected reply arms the frame again
    ASSERT_TRUE(form->exchange().variables().frameArmed);
    form->Command2->click();
    EXPECT_EQ(dialogs.messages.size(), 1U);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(mainWindow.takeBacks, 0);

    form->Text5->setText("1");
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form->Text5, &press);
    EXPECT_EQ(text(Param::CutoffValue), "") << "a press empties the field";
    form->Command2->click();
    EXPECT_EQ(mainWindow.takeBacks, 1);
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(timer.isEnabled()) << "no tick acts on the closed port";
}

TEST_F(Form3Test, ClosingHandsBackUnlessTheProgramIsEnding) {
    open();
    form->close();
    EXPECT_EQ(mainWindow.takeBacks, 1);
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(timer.isEnabled());

    open();
    programEnd.endProgram();
    form->close();
    EXPECT_EQ(mainWindow.takeBacks, 1);
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(timer.isEnabled());
}

TEST_F(Form3Test, SavedSetOutlivesTheWindowUntilTheNextSave) {
    open();
    form->Text2->setText("100");
    form->Text4->setText("");
    form->Command4->click();
    EXPECT_TRUE(mainWindow.first);
    EXPECT_EQ(saved.text(Param::RangeValue), "100");
    EXPECT_EQ(saved.text(Param::FrequencyRange), "");
    form->Text2->setText("555");  // neither written nor saved
    form->hide();
    open();
    gate.run([] {});
    EXPECT_EQ(text(Param::RangeValue), "100");
    EXPECT_EQ(text(Param::Diameter), "100");
}

}  // namespace
}  // namespace paramtest
