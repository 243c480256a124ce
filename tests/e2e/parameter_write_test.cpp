// The operator's whole round on real adapters: the main window hands the line to the parameter
// window, which writes the default parameters into simulated meter 3 and hands the line back.
#include <QComboBox>
#include <QFile>
#include <QLineEdit>

#include <sstream>
#include <utility>

#include "e2e/meter_line_fixture.h"
#include "link/pauses.h"
#include "parameters/form3.h"
#include "session/write_session.h"

namespace e2e {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Every byte the simulator received after it heard the start command of a write.
Bytes bytesAfterStartCommand(const std::string& logPath) {
    QFile file(QString::fromStdString(logPath));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    Bytes received;
    bool started = false;
    for (const QByteArray& line : file.readAll().split('\n')) {
        std::istringstream fields(line.toStdString());
        std::string time;
        std::string kind;
        fields >> time >> kind;
        if (kind == "heard" && line.contains("start write")) {
            started = true;
            received.clear();
        } else if (kind == "rx" && started) {
            std::string hex;
            fields >> hex;
            received.push_back(static_cast<std::uint8_t>(std::stoi(hex, nullptr, 16)));
        }
    }
    return received;
}

Bytes frame(std::uint8_t step, Bytes data) {
    Bytes bytes = std::move(data);
    bytes.insert(bytes.begin(), {3, step});
    std::uint8_t check = 0;
    for (const std::uint8_t b : bytes) {
        check ^= b;
    }
    bytes.push_back(check);
    bytes.push_back(0x55);
    return bytes;
}

TEST_F(MeterLineTest, ParameterWindowWritesTheDefaultsAndHandsBack) {
    const std::string logPath = store.path("meter-sim.log");
    START_METER_LINE({"--stations", "1-16", "--log", QString::fromStdString(logPath)});
    platform::qt::QtSerialPort port3(seriallink::PortMap::fromConfig(portConfig, {}));
    platform::qt::QtTimer timer3;
    seriallink::BusyPacer pacer3;
    parameters::SavedParameters saved;
    session::WriteSession writeSession(
        session::WriteSessionServices{port3, timer3, pacer3, clock, gate, saved, *form, traffic});
    parameters::Form3 form3(
        parameters::ParameterWindowServices{writeSession, dialogs, programEnd, gate});
    navigation.onParameterWindow = [&form3] {
        form3.Form_Load();
        form3.show();
    };
    form->show();
    ASSERT_TRUE(waitFor([this] { return everyValueShown(); }, 30000));

    dialogs.answers = {"3", "1234"};
    form->Command1->click();
    ASSERT_TRUE(form3.isVisible());
    EXPECT_EQ(session->state(), session::SessionState::HandedOver);
    EXPECT_TRUE(port3.isOpen());
    EXPECT_EQ(form3.Text2->text().toStdString(), "28274");

    form3.Command3->click();
    ASSERT_TRUE(waitFor([this] { return !dialogs.messages.empty(); }, 45000));
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"数据传递成功！"});

    Bytes expected = frame(0, {1, 2, 3, 4, 0, 0});
    const std::vector<Bytes> steps = {
        frame(1, {12, 0, 0, 0, 0, 0}), frame(2, {2, 8, 2, 7, 4, 114}),
        frame(3, {6, 0, 0, 0, 0, 0}),  frame(4, {0, 0, 0, 0, 0, 0}),
        frame(5, {0, 0, 5, 1, 0, 0}),  frame(6, {7, 0, 0, 0, 0, 0}),
        frame(7, {2, 0, 0, 0, 0, 0}),  frame(8, {0, 0, 0, 0, 2, 0}),
        frame(9, {0, 9, 0, 0, 1, 0}),  frame(10, {0, 1, 5, 0, 1, 0}),
        frame(11, {0, 0, 0, 0, 0, 0}), frame(12, {1, 0, 0, 0, 0, 0}),
        frame(13, {1, 0, 0, 0, 0, 0}), frame(15, {6, 0, 0, 0, 0, 0}),
    };
    for (const Bytes& step : steps) {
        expected.insert(expected.end(), step.begin(), step.end());
    }
    // The simulator writes its log after each event, so the last frame may follow the message.
    waitFor([&] { return bytesAfterStartCommand(logPath) == expected; }, 15000);
    EXPECT_EQ(bytesAfterStartCommand(logPath), expected);

    form3.Command2->click();
    EXPECT_FALSE(form3.isVisible());
    EXPECT_TRUE(form->isVisible());
    ASSERT_EQ(session->state(), session::SessionState::Polling);
    // Polling goes on at the station left, not at the one just configured.
    const int repliesOfOne = station(1).counters.validReplies;
    const int repliesOfThree = station(3).counters.validReplies;
    ASSERT_TRUE(waitFor([&] { return station(1).counters.validReplies > repliesOfOne + 9; }, 30000));
    EXPECT_EQ(text(54), "01");
    EXPECT_EQ(station(3).counters.validReplies, repliesOfThree);

    // The next opening shows what was written, not what was typed afterwards.
    form3.Text2->setText("555");
    dialogs.answers = {"3"};
    form->Command1->click();
    ASSERT_TRUE(waitFor([&form3] { return form3.Text2->text() == "28274"; }, 10000));
    EXPECT_TRUE(saved.text(parameters::Param::Diameter) == "100" && form->first_Parameter_Set);
    form3.close();
    EXPECT_TRUE(form->isVisible()) << ::testing::PrintToString(dialogs.messages);
}

}  // namespace
}  // namespace e2e
