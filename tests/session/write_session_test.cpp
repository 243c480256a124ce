// Whole writes from the write session to the simulated meters, and the ways the line goes back to
// polling.
#include "write_session_fixture.h"

namespace sessiontest {
namespace {

const char* const kSuccess = "数据传递成功！";

TEST_F(WriteSessionTest, LoadOpensTheReleasedPortAndEachTickStartsFromEmptyBuffers) {
    mainWindow.portNumber = 4;
    port.usablePorts = {4};
    open();
    EXPECT_EQ(port.log,
              (std::vector<std::string>{"port 4", "open 4", "handshaking none", "send threshold 0",
                                        "receive threshold 10", "settings 14400,n,8,1", "binary"}));
    EXPECT_TRUE(timer.isEnabled());
    EXPECT_EQ(timer.interval(), 200);
    EXPECT_EQ(session.savedTexts(), parameters::defaultTexts());
    port.log.clear();
    tick();
    EXPECT_EQ(view.station, "03");
    EXPECT_EQ(port.log, (std::vector<std::string>{"discard output", "discard input"}));
    mainWindow.station = 16;
    open();
    tick();
    EXPECT_EQ(view.station, "16");
}

TEST_F(WriteSessionTest, WritesTheFieldsAsShownPacedAndSavesThem) {
    mainWindow.speed = "1200";
    open();
    view.text(Param::Diameter) = "250";
    view.text(Param::RangeValue) = "100";
    view.text(Param::OutputMode) = "脉冲";
    view.text(Param::FrequencyRange) = "50";
    view.text(Param::ZeroCorrection) = "-1.5";
    dialogs.answers = {"1234"};
    port.written.clear();

    startWrite();
    EXPECT_EQ(port.settings, "1200,n,8,1");
    EXPECT_EQ(timer.interval(), 260);
    EXPECT_FALSE(view.writeEnabled);
    const std::vector<std::string> startPauses(3, "byte 600000 1200,n,8,1");
    EXPECT_EQ(pacer.pauses, startPauses) << "between the four bytes of the start command";
    pacer.pauses.clear();
    ASSERT_TRUE(tickUntilMessage(kSuccess));

    EXPECT_EQ(dialogs.messages, std::vector<std::string>{kSuccess});
    ASSERT_EQ(dialogs.prompts.size(), 1U);
    EXPECT_EQ(dialogs.prompts[0].prompt, "请输入参数设置密码：");
    EXPECT_EQ(dialogs.prompts[0].title, "提示");
    EXPECT_EQ(dialogs.prompts[0].defaultAnswer, "0");
    EXPECT_EQ(Bytes(port.written.begin(), port.written.begin() + 4), (Bytes{0x2A, 3, 0x64, 0x2E}));
    EXPECT_EQ(stepsSent(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 15}));
    EXPECT_EQ(pacer.pauses, std::vector<std::string>(15 * 10, "byte 100000 1200,n,8,1"))
        << "after every byte of every frame";
    EXPECT_EQ(meterSettings().diameterCode, 16);
    EXPECT_EQ(meterSettings().rangeValue, 100);
    EXPECT_EQ(meterSettings().outputMode, 1);
    EXPECT_EQ(meterSettings().frequencyRangeHz, 50);
    EXPECT_DOUBLE_EQ(meterSettings().zeroCorrection, -1.5);
    // Each rewritten text reaches the view once, at its step, before its frame goes out.
    EXPECT_EQ(view.rewritten, (std::vector<std::string>{"RangeValue=00100", "FrequencyRange=0050",
                                                        "ZeroCorrection=-1.500"}));
    EXPECT_TRUE(view.writeEnabled);
    EXPECT_TRUE(mainWindow.first);
    EXPECT_EQ(saved.text(Param::RangeValue), "00100");
    EXPECT_EQ(saved.text(Param::Diameter), "250");
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

    port.written.clear();
    for (int i = 0; i < 30; ++i) {
        tick();
    }
    EXPECT_TRUE(port.written.empty()) << "nothing more after the closing step";
}

TEST_F(WriteSessionTest, AFrameIsPacedAtTheLineSpeedOfItsWrite) {
    const struct {
        const char* speed;
        const char* startPause;
        const char* framePause;
        int tickMs;
    } speeds[] = {
        {"600", "byte 900000 600,n,8,1", "byte 100000 600,n,8,1", 1000},
        {"9600", "byte 300000 9600,n,8,1", "byte 100000 9600,n,8,1", 200},
        {"115200", "byte 300000 14400,n,8,1", "byte 100000 14400,n,8,1", 200},
    };
    for (const auto& s : speeds) {
        mainWindow.speed = s.speed;
        dialogs.answers = {"1234"};
        pacer.pauses.clear();
        open();
        startWrite();
        EXPECT_EQ(timer.interval(), s.tickMs) << s.speed;
        tick();  // the password frame
        ASSERT_EQ(pacer.pauses.size(), 3U + 10U) << s.speed;
        EXPECT_EQ(pacer.pauses.front(), s.startPause) << s.speed;
        EXPECT_EQ(pacer.pauses.back(), s.framePause) << s.speed;
    }
}

TEST_F(WriteSessionTest, WrongPasswordIsAskedAgain) {
    open();
    dialogs.answers = {"9999", "1234"};
    startWrite();
    ASSERT_TRUE(tickUntilMessage(kSuccess));
    EXPECT_EQ(dialogs.messages, (std::vector<std::string>{"密码输入错误", kSuccess}));
    EXPECT_EQ(dialogs.prompts.size(), 2U);
}

TEST_F(WriteSessionTest, FifthWrongPasswordHandsBackToTheMainWindow) {
    open();
    dialogs.answers = {"1", "2", "3", "4", "5", "1234"};
    startWrite();
    ASSERT_TRUE(tickUntilMessage("密码输入错误超过4次"));
    EXPECT_EQ(dialogs.messages.size(), 5U);
    EXPECT_EQ(mainWindow.takeBacks, 1);
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(timer.isEnabled());
    EXPECT_FALSE(view.visible);
    EXPECT_TRUE(view.writeEnabled);
    EXPECT_FALSE(session.isOpen());
}

TEST_F(WriteSessionTest, MeterTimeLimitEndsTheWriteAndTheSessionStays) {
    open();
    dialogs.answers = {"1234"};
    startWrite();
    for (int i = 0; i < 3; ++i) {
        tick();
    }
    advance(30'000'000);  // the operator waited
    ASSERT_TRUE(tickUntilMessage("参数设置超过30秒"));
    port.written.clear();
    for (int i = 0; i < 30; ++i) {
        tick();
    }
    EXPECT_TRUE(port.written.empty());
    EXPECT_TRUE(view.visible);
    EXPECT_TRUE(session.isOpen());
    EXPECT_EQ(mainWindow.takeBacks, 0);
}

TEST_F(WriteSessionTest, AcknowledgementOfAnEarlierStepSendsTheCurrentFrameAgain) {
    open();
    dialogs.answers = {"1234"};
    port.written.clear();
    startWrite();
    while (stepsSent().empty() || stepsSent().back() != 6) {
        tick();
    }
    advance(200'000);
    timer.tick();
    ASSERT_EQ(stepsSent().back(), 7);
    const Bytes ackOf7 = pending;
    deliver();
    advance(200'000);
    timer.tick();
    ASSERT_EQ(stepsSent().back(), 8);
    pending = ackOf7;  // frame 8's acknowledgement is lost and step 7's comes again instead
    deliver();
    ASSERT_TRUE(tickUntilMessage(kSuccess));
    const std::vector<int> steps = stepsSent();
    EXPECT_EQ(std::count(steps.begin(), steps.end(), 8), 2);
    EXPECT_EQ(steps.back(), 15);
}

TEST_F(WriteSessionTest, SilentMeterStopsTheWriteAndTheButtonComesBack) {
    meters("1-2");
    open();
    port.written.clear();
    startWrite();
    for (int i = 1; i <= 100; ++i) {
        tick();
        ASSERT_FALSE(view.writeEnabled) << i;
    }
    tick();
    EXPECT_TRUE(view.writeEnabled);
    EXPECT_EQ(port.written.size(), 4U) << "only the start command";
    EXPECT_TRUE(dialogs.prompts.empty());
}

TEST_F(WriteSessionTest, FieldRefusedAtItsStepStopsTheWrite) {
    open();
    dialogs.answers = {"1234"};
    port.written.clear();
    startWrite();
    while (stepsSent().empty() || stepsSent().back() < 10) {
        tick();
    }
    view.text(Param::SensorCoefficient) = "1";  // typed during the write, the field never left
    for (int i = 0; i < 120; ++i) {
        tick();
    }
    EXPECT_EQ(dialogs.messages,
              std::vector<std::string>{"传感器系数：设置值不对，传感器系数范围在0.0000~3.9999"});
    EXPECT_EQ(view.text(Param::SensorCoefficient), "");
    EXPECT_EQ(stepsSent().back(), 11) << "no frame of step 12 or later";
    EXPECT_TRUE(view.writeEnabled);
    EXPECT_FALSE(mainWindow.first);
    // The refused field counts as the field checked last: no write starts until it is right.
    view.text(Param::SensorCoefficient) = "1.5";
    dialogs.messages.clear();
    port.written.clear();
    startWrite();
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"传感器系数：设置有错，请重新输入！"});
    EXPECT_TRUE(port.written.empty());
}

TEST_F(WriteSessionTest, WriteRefusedWithAnEmptyFieldOrAnInvalidEntry) {
    open();
    view.text(Param::RangeUnit) = "";
    view.text(Param::FlowMultiplier) = "";
    startWrite();
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"量程单位：参数输入有错，不能进行设置！"})
        << "the first empty field in the fixed order is named";
    view.text(Param::RangeUnit) = "m3/h";
    view.text(Param::FlowMultiplier) = "1.0000";
    gate.run([this] { session.fieldLeft(Param::CutoffValue, "1a"); });
    view.text(Param::CutoffValue) = "5";  // typed again, the field not left yet
    startWrite();
    EXPECT_EQ(dialogs.messages.back(), "小信号切除值：设置有错，请重新输入！");
    EXPECT_TRUE(port.written.empty());
    EXPECT_TRUE(view.writeEnabled);
    gate.run([this] { session.fieldLeft(Param::CutoffValue, "5"); });
    startWrite();
    EXPECT_EQ(port.written.size(), 4U) << "the start command";
}

TEST_F(WriteSessionTest, ReturnToTheMainMenu) {
    open();
    dialogs.answers = {"1234"};
    startWrite();  // the meter answers; the password is due
    returnToMainMenu();
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"5秒钟之后重试！"});
    EXPECT_TRUE(view.visible);

    // Frame 5 went out and its acknowledgement is lost; the button comes back, and a rejected
    // reply arms the frame again: the click is ignored.
    while (stepsSent().empty() || stepsSent().back() != 4) {
        tick();
    }
    timer.tick();
    ASSERT_EQ(stepsSent().back(), 5);
    pending.clear();
    for (int i = 0; i < 100 && !view.writeEnabled; ++i) {
        tick();
    }
    ASSERT_TRUE(view.writeEnabled);
    port.arrive({9, 9, 9, 9, 9, 9, 9, 9, 9, 9});
    returnToMainMenu();
    EXPECT_EQ(dialogs.messages.size(), 1U);
    EXPECT_EQ(mainWindow.takeBacks, 0);
    EXPECT_TRUE(view.visible);

    // A press on a numeric field empties it and disarms the frame: now the click leaves.
    view.text(Param::CutoffValue) = "1";
    gate.run([this] { session.numericFieldPressed(Param::CutoffValue); });
    EXPECT_EQ(view.text(Param::CutoffValue), "");
    returnToMainMenu();
    EXPECT_EQ(mainWindow.takeBacks, 1);
    EXPECT_FALSE(view.visible);
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(timer.isEnabled()) << "no tick acts on the closed port";
}

TEST_F(WriteSessionTest, ClosingHandsBackAndTheProgramsEndDoesNot) {
    open();
    gate.run([this] { session.close(); });
    EXPECT_EQ(mainWindow.takeBacks, 1);
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(timer.isEnabled());
    EXPECT_TRUE(view.visible) << "the closing front end goes by itself";

    open();
    session.programEnding();
    EXPECT_EQ(mainWindow.takeBacks, 1);
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(timer.isEnabled());
    EXPECT_FALSE(session.isOpen());
}

TEST_F(WriteSessionTest, ReplyPendingWhenTheLineGoesBackIsNeverHandled) {
    open();
    gate.run([this] { session.startWrite(); });
    gate.run([this] {
        deliver();  // the meter's answer is kept until this handler returns
        session.close();
    });
    EXPECT_EQ(traffic.size(), 1U) << "only the start command; the reply was dropped";
    EXPECT_TRUE(dialogs.prompts.empty());
}

TEST_F(WriteSessionTest, SavedSetIsWhatTheViewShowedUntilTheNextSave) {
    open();
    view.text(Param::RangeValue) = "100";
    view.text(Param::FrequencyRange) = "";
    gate.run([this] { session.save(); });
    EXPECT_TRUE(mainWindow.first);
    EXPECT_EQ(saved.text(Param::RangeValue), "100");
    EXPECT_EQ(saved.text(Param::FrequencyRange), "");
    view.text(Param::RangeValue) = "555";  // neither written nor saved
    open();
    EXPECT_EQ(session.savedTexts()[parameters::indexOf(Param::RangeValue)], "100");
    EXPECT_EQ(session.savedTexts()[parameters::indexOf(Param::Diameter)], "100");
}

}  // namespace
}  // namespace sessiontest
