// Start-up of the main window: port discovery, "config.dat", opening the port, the first mode.
#include <QRadioButton>

#include <algorithm>

#include "shell/form1_fixture.h"

namespace shelltest {
namespace {

struct ConfigCase {
    const char* what;
    std::optional<Bytes> configDat;
    int expectedPort;
};

TEST_F(Form1Test, ConfigDatChoosesAmongUsablePorts) {
    const ConfigCase cases[] = {
        {"missing", std::nullopt, 1},      {"empty", Bytes{}, 1},
        {"one byte 1", Bytes{1}, 2},       {"byte 0 = 2", Bytes{2, 9, 9}, 5},
        {"byte 0 = 7", Bytes{7, 0, 0}, 5}, {"extra bytes", Bytes{0, 1, 2, 3, 4}, 1},
    };
    for (const ConfigCase& c : cases) {
        restart();
        port.usablePorts = {1, 2, 5};
        if (c.configDat) {
            files.files["config.dat"] = *c.configDat;
        }
        ASSERT_TRUE(form->Form_Load()) << c.what;
        EXPECT_TRUE(port.isOpen()) << c.what;
        EXPECT_EQ(port.portNumber(), c.expectedPort) << c.what;
        EXPECT_EQ(form->Combo1->currentText().toStdString(), "COM" + std::to_string(c.expectedPort))
            << c.what;
        ASSERT_EQ(form->Combo1->count(), 3) << c.what;
        EXPECT_EQ(form->Combo1->itemText(0).toStdString(), "COM1");
        EXPECT_EQ(form->Combo1->itemText(1).toStdString(), "COM2");
        EXPECT_EQ(form->Combo1->itemText(2).toStdString(), "COM5");
        // Each entry names its device; the box names the device in use.
        EXPECT_EQ(form->Combo1->itemData(2, Qt::ToolTipRole).toString().toStdString(),
                  "/dev/ttyFAKE5");
        EXPECT_EQ(form->Combo1->toolTip().toStdString(),
                  "/dev/ttyFAKE" + std::to_string(c.expectedPort))
            << c.what;
    }
}

TEST_F(Form1Test, TriesPortsOneToTenOnlyEachOnItsOwn) {
    port.usablePorts = {5, 10, 11, 12};
    ASSERT_TRUE(form->Form_Load());
    const auto triedEleven = std::find(port.log.begin(), port.log.end(), "port 11");
    EXPECT_EQ(triedEleven, port.log.end());
    ASSERT_EQ(form->Combo1->count(), 2);
    EXPECT_EQ(form->Combo1->itemText(0).toStdString(), "COM5");
    EXPECT_EQ(form->Combo1->itemText(1).toStdString(), "COM10");
    EXPECT_EQ(form->Port_Count, 2);
}

TEST_F(Form1Test, OpensThePortWithTheStationLineSettings) {
    port.usablePorts = {3};
    ASSERT_TRUE(form->Form_Load());
    const auto opened = std::find(port.log.begin(), port.log.end(), "open 3");
    ASSERT_NE(opened, port.log.end());
    // The last successful open is initport's: discovery's own opens are each followed by a close.
    const auto lastOpen = std::find(port.log.rbegin(), port.log.rend(), "open 3").base() - 1;
    const std::vector<std::string> expected = {"close",
                                               "port 3",
                                               "close",
                                               "open 3",
                                               "handshaking none",
                                               "send threshold 0",
                                               "receive threshold 10",
                                               "settings 14400,s,8,1",
                                               "binary"};
    ASSERT_GE(std::distance(port.log.begin(), lastOpen), 3);
    const std::vector<std::string> actual(lastOpen - 3, lastOpen + 6);
    EXPECT_EQ(actual, expected);
    EXPECT_TRUE(timer.isEnabled());
}

TEST_F(Form1Test, NoUsablePortEndsTheProgram) {
    port.usablePorts = {};
    EXPECT_FALSE(form->Form_Load());
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"没有可用端口，退出!"});
    EXPECT_EQ(programEnd.endings, 1);
    EXPECT_FALSE(timer.isEnabled());
}

TEST_F(Form1Test, FreshStartPollsSingleStationOne) {
    ASSERT_TRUE(form->Form_Load());
    EXPECT_TRUE(form->Option1->isChecked());
    EXPECT_FALSE(form->Option2->isChecked());
    EXPECT_TRUE(form->Single_Add);
    EXPECT_EQ(form->Addr_Parameter_Set, 1);
    EXPECT_EQ(text(54), "00");
    EXPECT_TRUE(dialogs.prompts.empty());
    EXPECT_EQ(tick(), poll(1, 0));
    EXPECT_EQ(enabledIndicators(), 0);
}

TEST_F(Form1Test, ReloadRebuildsThePortListWithoutDuplicates) {
    port.usablePorts = {1, 2, 5};
    ASSERT_TRUE(form->Form_Load());
    port.close();  // as on the way to the parameter window
    ASSERT_TRUE(form->Form_Load());
    EXPECT_EQ(form->Combo1->count(), 3);
}

TEST_F(Form1Test, PortThatFailsToOpenAfterDiscoveryKeepsTheWindowPolling) {
    port.usablePorts = {1};
    port.opensAllowed = 1;  // discovery's open succeeds, initport's fails
    ASSERT_TRUE(form->Form_Load());
    EXPECT_FALSE(port.isOpen());
    EXPECT_TRUE(programEnd.endings == 0 && dialogs.messages.empty());
    for (int i = 0; i < 12; ++i) {
        EXPECT_TRUE(tick().empty());
    }
    EXPECT_TRUE(timer.isEnabled());
    EXPECT_EQ(form->poll.noReplyCount(), 12);
    EXPECT_EQ(text(39), "");
}

}  // namespace
}  // namespace shelltest
