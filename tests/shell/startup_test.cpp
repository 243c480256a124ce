// Start-up of the main window: what it shows of the ports found, its first mode, its controls'
// names, its buttons and its status line; the parameter window made at its first opening.
#include <QRadioButton>

#include <algorithm>
#include <set>

#include "shell/form1_fixture.h"
#include "shell/navigator.h"

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

// Without a usable port the message goes on with why each port is not, at start and on the
// return from the parameter window alike.
TEST_F(Form1Test, NoUsablePortShowsTheMessageWithTheReasonsAndEndsTheProgram) {
    for (const bool returning : {false, true}) {
        restart();
        portAdvice.reasons = "COM1 (/dev/ttyUSB0): permission denied: join dialout\nCOM2: none\n";
        if (returning) {
            ASSERT_TRUE(load());
            session->handOver();
            form->xxx = true;
        }
        port.usablePorts = {};
        EXPECT_FALSE(load());
        EXPECT_EQ(dialogs.messages, std::vector<std::string>{"没有可用端口，退出!\n\nCOM1 "
                                                             "(/dev/ttyUSB0): permission denied: "
                                                             "join dialout\nCOM2: none"});
        EXPECT_EQ(programEnd.endings, 1);
        EXPECT_FALSE(timer.isEnabled());
        EXPECT_EQ(form->Combo1->count(), 0);
    }
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

// The status line names a pinned port whose device is missing: in the window built once polling
// runs, as the program builds it (which shows at once what the session has said), and again
// after each return from the parameter window.
TEST_F(Form1Test, StatusLineNamesAMissingPinnedPortAfterStartAndEachReturn) {
    const std::string missing = "COM1 (/dev/ttyUSB0) 未找到，正在使用 COM2 (/dev/ttyS0)";
    portAdvice.notes = {{2, missing}};
    port.usablePorts = {2, 3};
    store.health_.problem = records::StoreProblem::Locked;
    form.reset();
    bool started = false;
    gate.run([&] { started = session->start() && (session->pollAllStations(), true); });
    ASSERT_TRUE(started);
    buildWindow();
    EXPECT_EQ(form->Combo1->currentText().toStdString(), "COM2");
    EXPECT_TRUE(form->Option2->isChecked());
    EXPECT_EQ(form->statusLine->note(shell::StatusNote::Store).rfind("记录未保存：", 0), 0U);
    EXPECT_EQ(form->statusLine->note(shell::StatusNote::Port), missing);
    EXPECT_GE(form->height(), form->sizeHint().height()) << "the notes do not squeeze the displays";
    const struct {
        std::set<int> usable;
        std::string shown;
    } returns[] = {{{1, 2}, ""}, {{2}, missing}};  // the adapter back as COM1, then gone again
    for (const auto& back : returns) {
        session->handOver();
        form->xxx = true;
        port.usablePorts = back.usable;
        ASSERT_TRUE(load());
        EXPECT_EQ(form->statusLine->note(shell::StatusNote::Port), back.shown);
    }
    form->setWindowState(Qt::WindowMaximized);
    const int maximised = form->height();
    form->statusLine->setNote(shell::StatusNote::Store, "记录未保存\n一\n二\n三\n四");
    EXPECT_EQ(form->height(), maximised) << "a maximised window keeps its size";
}

// The displays are named after what they show and keep the window's names.
TEST_F(Form1Test, DisplaysKeepTheirNamesAndCaptions) {
    const struct {
        QLabel* shell::Form1::*display;
        const char* name;
        const char* initial;
        bool meterText;  // shows what a meter sent: plain text, never markup
    } cases[] = {
        {&shell::Form1::flowValue, "Label29", "", true},
        {&shell::Form1::flowUnit, "Label30", "", true},
        {&shell::Form1::statusText, "Label39", "", true},
        {&shell::Form1::rangeRatio, "Label40", "", true},
        {&shell::Form1::cutoffEnable, "Label42", "禁止", false},
        {&shell::Form1::emptyPipeEnable, "Label49", "禁止", false},
        {&shell::Form1::totalDifference, "Label51", "", true},
        {&shell::Form1::singleStationText, "Label54", "00", true},
        {&shell::Form1::failureMinutes, "Label61", "", true},
    };
    for (const auto& c : cases) {
        QLabel* display = (*form).*c.display;
        ASSERT_NE(display, nullptr) << c.name;
        EXPECT_EQ(display->objectName().toStdString(), c.name);
        EXPECT_EQ(display->text().toStdString(), c.initial) << c.name;
        EXPECT_EQ(display->textFormat() == Qt::PlainText, c.meterText) << c.name;
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

struct CountedWindow final : shell::OwnedWindow {
    explicit CountedWindow(int& openings) : openings_(openings) {}
    void open() override { ++openings_; }
    int& openings_;
};

// The parameter window is made at its first opening, not at start, and kept for the next ones.
TEST(Navigator, ParameterWindowIsMadeAtItsFirstOpening) {
    int made = 0;
    int openings = 0;
    const shell::WindowList none;
    shell::Navigator navigator(
        [&] {
            ++made;
            return std::make_unique<CountedWindow>(openings);
        },
        none);
    EXPECT_EQ(made, 0);
    for (int opening = 1; opening <= 3; ++opening) {
        navigator.openParameterWindow();
        EXPECT_EQ(made, 1);
        EXPECT_EQ(openings, opening);
    }
}

}  // namespace
}  // namespace shelltest
