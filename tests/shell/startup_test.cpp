// Start-up of the main window: what it shows of the ports found, its first mode, its controls'
// names, its buttons and its status line.
#include <QRadioButton>

#include <algorithm>
#include <map>
#include <set>

#include "shell/form1_fixture.h"

namespace shelltest {
namespace {

// The box lists the ports the session found, each with its device, and shows the one in use.
TEST_F(Form1Test, PortBoxListsTheUsablePortsAndShowsTheOneInUse) {
    port.usablePorts = {1, 2, 5};
    files.files["config.dat"] = {2};
    ASSERT_TRUE(load());
    ASSERT_EQ(form->Combo1->count(), 3);
    EXPECT_EQ(form->Combo1->itemText(0).toStdString(), "COM1");
    EXPECT_EQ(form->Combo1->itemText(1).toStdString(), "COM2");
    EXPECT_EQ(form->Combo1->itemText(2).toStdString(), "COM5");
    EXPECT_EQ(form->Combo1->itemData(1, Qt::ToolTipRole).toString().toStdString(), "/dev/ttyFAKE2");
    EXPECT_EQ(form->Combo1->currentText().toStdString(), "COM5");
    EXPECT_EQ(form->Combo1->toolTip().toStdString(), "/dev/ttyFAKE5");
    EXPECT_EQ(form->releasedPortNumber(), 5);
}

// Without a usable port the message says why each port is not, below its own first line; at
// start and on the return from the parameter window alike.
TEST_F(Form1Test, NoUsablePortShowsTheMessageWithTheReasonsAndEndsTheProgram) {
    portAdvice.reasons =
        "COM1 (/dev/ttyUSB0): permission denied: the device belongs to group dialout\n"
        "COM2: no such device\n";
    const std::string shown =
        "没有可用端口，退出!\n\n"
        "COM1 (/dev/ttyUSB0): permission denied: the device belongs to group dialout\n"
        "COM2: no such device";
    port.usablePorts = {};
    EXPECT_FALSE(load());
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{shown});
    EXPECT_EQ(programEnd.endings, 1);
    EXPECT_FALSE(timer.isEnabled());
    EXPECT_EQ(form->Combo1->count(), 0);

    restart();
    port.usablePorts = {3};
    ASSERT_TRUE(load());
    EXPECT_EQ(portAdvice.surveys, 0) << "nothing to explain while a port is usable";
    session->handOver();
    form->xxx = true;
    port.usablePorts = {};
    portAdvice.reasons = "COM3 (/dev/ttyS2): held by another program: minicom (process 77)\n";
    EXPECT_FALSE(load());
    EXPECT_EQ(dialogs.messages,
              std::vector<std::string>{"没有可用端口，退出!\n\n"
                                       "COM3 (/dev/ttyS2): held by another program: minicom "
                                       "(process 77)"});
    EXPECT_EQ(programEnd.endings, 1);
}

TEST_F(Form1Test, FreshStartPollsSingleStationOne) {
    ASSERT_TRUE(load());
    EXPECT_TRUE(form->Option1->isChecked());
    EXPECT_FALSE(form->Option2->isChecked());
    EXPECT_EQ(form->Addr_Parameter_Set, 1);
    EXPECT_EQ(text("Label54"), "00");
    EXPECT_TRUE(dialogs.prompts.empty());
    EXPECT_EQ(tick(), poll(1, 0));
    EXPECT_EQ(enabledIndicators(), 0);
}

TEST_F(Form1Test, ReloadRebuildsThePortListWithoutDuplicates) {
    port.usablePorts = {1, 2, 5};
    ASSERT_TRUE(load());
    session->handOver();  // as on the way to the parameter window
    form->xxx = true;
    ASSERT_TRUE(load());
    EXPECT_EQ(form->Combo1->count(), 3);
}

// A pinned port whose device is missing is named on the status line, with the port polled
// instead: after the start and again after each return from the parameter window.
TEST_F(Form1Test, StatusLineNamesAMissingPinnedPortAfterStartAndAfterEachReturn) {
    const std::string missing = "COM1 (/dev/ttyUSB0) 未找到，正在使用 COM2 (/dev/ttyS0)";
    const struct {
        std::set<int> usable;
        std::map<int, std::string> notes;
        std::string shown;
    } starts[] = {
        {{2, 3}, {{2, missing}}, missing},
        {{1, 2}, {{2, missing}}, ""},  // the adapter is back: COM1 is polled
        {{2}, {{2, missing}}, missing},
        {{2}, {}, ""},
    };
    bool returning = false;
    for (const auto& start : starts) {
        port.usablePorts = start.usable;
        portAdvice.notes = start.notes;
        if (returning) {
            session->handOver();
            form->xxx = true;
        }
        ASSERT_TRUE(load());
        returning = true;
        EXPECT_EQ(form->statusLine->note(shell::StatusNote::Port), start.shown);
        EXPECT_EQ(form->statusLine->isHidden(), start.shown.empty());
    }
}

// A window built once polling runs (as the program builds it, after the poll timer started)
// shows at once what the session has said so far.
TEST_F(Form1Test, WindowBuiltWhilePollingShowsWhatTheSessionSaid) {
    port.usablePorts = {1, 4};
    files.files["config.dat"] = {1};
    portAdvice.notes = {{4, "COM2 (/dev/ttyUSB1) 未找到，正在使用 COM4 (/dev/ttyS3)"}};
    store.health_.problem = records::StoreProblem::Locked;
    form.reset();
    bool started = false;
    gate.run([&] { started = session->start(); });
    ASSERT_TRUE(started);
    ASSERT_TRUE(timer.isEnabled()) << "the timer runs before the window is built";
    gate.run([this] { session->pollAllStations(); });
    buildWindow();
    EXPECT_EQ(form->Combo1->count(), 2);
    EXPECT_EQ(form->Combo1->currentText().toStdString(), "COM4");
    EXPECT_EQ(form->statusLine->note(shell::StatusNote::Port), portAdvice.notes[4]);
    EXPECT_TRUE(form->Option2->isChecked());
    EXPECT_FALSE(form->Option1->isChecked());
    EXPECT_EQ(form->Combo2->currentText().toStdString(), "14400");
    EXPECT_EQ(form->statusLine->note(shell::StatusNote::Store).rfind("记录未保存：", 0), 0U);
    EXPECT_EQ(tick()[1], 1);
}

// The displays are named after what they show and keep the window's names.
TEST_F(Form1Test, DisplaysKeepTheirNamesAndCaptions) {
    const struct {
        QLabel* shell::Form1::*display;
        const char* name;
        const char* initial;
    } cases[] = {
        {&shell::Form1::flowValue, "Label29", ""},
        {&shell::Form1::flowUnit, "Label30", ""},
        {&shell::Form1::statusText, "Label39", ""},
        {&shell::Form1::rangeRatio, "Label40", ""},
        {&shell::Form1::cutoffEnable, "Label42", "禁止"},
        {&shell::Form1::emptyPipeEnable, "Label49", "禁止"},
        {&shell::Form1::totalDifference, "Label51", ""},
        {&shell::Form1::singleStationText, "Label54", "00"},
        {&shell::Form1::failureMinutes, "Label61", ""},
    };
    for (const auto& c : cases) {
        QLabel* display = (*form).*c.display;
        ASSERT_NE(display, nullptr) << c.name;
        EXPECT_EQ(display->objectName().toStdString(), c.name);
        EXPECT_EQ(display->text().toStdString(), c.initial) << c.name;
    }
    EXPECT_EQ(text("Label1"), "电磁流量计RS485/232通讯程序--TuskoCP V4.2");
    EXPECT_EQ(text("Label55"), "单机通讯站号");
    EXPECT_EQ(text("Label48"), "空管报警");
}

// One button per entry of the window list: the first is "数据查询" (Command3), each opens its
// entry, and polling goes on.
TEST_F(Form1Test, WindowListGivesTheButtons) {
    ASSERT_TRUE(load());
    ASSERT_EQ(form->windowButtons.size(), windows.size());
    EXPECT_EQ(form->Command3, form->windowButtons[0]);
    EXPECT_EQ(form->Command3->text().toStdString(), "数据查询");
    for (std::size_t i = 0; i < windows.size(); ++i) {
        EXPECT_EQ(form->windowButtons[i]->objectName().toStdString(), windows[i].objectName);
        EXPECT_EQ(form->windowButtons[i]->text().toStdString(), windows[i].caption);
        form->windowButtons[i]->click();
    }
    EXPECT_EQ(navigation.windowOpenings, (std::vector<std::size_t>{0, 1, 2}));
    EXPECT_TRUE(timer.isEnabled());
    EXPECT_EQ(tick(), poll(1, 0));
}

// The status line carries a note of each subject, in a fixed order, and takes no room when it
// has none.
TEST_F(Form1Test, StatusLineTakesSeveralNotes) {
    shell::StatusLine& line = *form->statusLine;
    const struct {
        shell::StatusNote subject;
        const char* note;
        const char* shown;
    } steps[] = {
        {shell::StatusNote::Store, "记录未保存：A", "记录未保存：A"},
        {shell::StatusNote::Port, "COM1: B", "COM1: B\n记录未保存：A"},
        {shell::StatusNote::Store, "记录未保存：C", "COM1: B\n记录未保存：C"},
        {shell::StatusNote::Port, "", "记录未保存：C"},
        {shell::StatusNote::Store, "", ""},
    };
    for (const auto& step : steps) {
        line.setNote(step.subject, step.note);
        EXPECT_EQ(line.text().toStdString(), step.shown) << step.note;
        EXPECT_EQ(line.isHidden(), std::string(step.shown).empty()) << step.note;
        EXPECT_EQ(line.note(step.subject), step.note);
    }
}

}  // namespace
}  // namespace shelltest
