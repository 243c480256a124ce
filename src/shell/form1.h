#pragma once

#include <QWidget>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "parameters/main_window_link.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/event_gate.h"
#include "platform/program_end.h"
#include "session/polling_listener.h"
#include "session/polling_session.h"
#include "shell/navigation.h"
#include "shell/port_advice.h"
#include "shell/status_line.h"
#include "shell/window_list.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace shell {

// What the main window works with; every collaborator outlives the window.
struct MainWindowServices {
    session::PollingSession& session;
    platform::Dialogs& dialogs;
    platform::ProgramEnd& programEnd;
    platform::EventGate& gate;
    platform::Clock& clock;
    Navigation& navigation;
    const WindowList& windows;  // a button for each
    PortAdvice& ports;          // the note on a pinned port whose device is missing
};

// The main window: shows what the polling session says (ports, measurement, station indicators,
// mode) and passes the operator's intents to it; its buttons lead to the other windows. Its
// handlers are entered only through the event gate. A window built while polling already runs
// shows at once what the session has said so far. The speed box takes only the speeds of its
// list.
class Form1 : public QWidget, public parameters::MainWindowLink, public session::PollingListener {
    Q_OBJECT

  public:
    explicit Form1(const MainWindowServices& services, QWidget* parent = nullptr);
    ~Form1() override;

    // Start-up: polling starts, or is taken back on the return from the parameter window. False
    // when no usable port exists and the program is ending.
    [[nodiscard]] bool Form_Load();

    void Option1_Click();
    void Option2_Click();
    void Command1_Click();
    void Command2_Click();
    // Command3 ("数据查询") and the buttons beside it: entry `index` of the window list.
    void openWindow_Click(std::size_t index);
    void Form_Unload();

    // What the parameter window uses of this window.
    std::uint8_t parameterStation() const override { return Addr_Parameter_Set; }
    int releasedPortNumber() const override;
    // The speed in use: one of the speed box's list.
    std::string lineSpeedText() const override;
    bool firstParameterSet() const override { return first_Parameter_Set; }
    void setFirstParameterSet() override { first_Parameter_Set = true; }
    void takeBack() override;

    // What the session says.
    void displayChanged(const measurement::DisplayTexts& texts) override;
    void indicatorsChanged(const session::Indicators& indicators) override;
    void singleStationTextChanged(const std::string& text) override;
    // The port box, and on the status line a pinned port whose device is missing.
    void portsFound(const std::vector<session::PortEntry>& ports, std::size_t inUse) override;
    void modeChosen(session::PollingMode mode, std::uint8_t station) override;
    // "记录未保存：" and why, on the status line, until a record is stored again.
    void storeHealthChanged(const records::StoreHealth& health) override;

    // Controls, named as on the window.
    QComboBox* Combo1 = nullptr;
    QComboBox* Combo2 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    std::vector<QPushButton*> windowButtons;  // one per entry of the window list; [0] is Command3
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QGroupBox* Frame3 = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    std::array<QCheckBox*, seriallink::kStationCount> Check1{};

    // The displays, named after what they show; their object names are those of the window
    // ("Label29").
    QLabel* flowValue = nullptr;          // Label29
    QLabel* flowUnit = nullptr;           // Label30
    QLabel* percentValue = nullptr;       // Label31
    QLabel* resistanceValue = nullptr;    // Label32
    QLabel* diameterValue = nullptr;      // Label33
    QLabel* velocityValue = nullptr;      // Label34
    QLabel* forwardTotal = nullptr;       // Label35
    QLabel* forwardUnit = nullptr;        // Label36
    QLabel* reverseTotal = nullptr;       // Label37
    QLabel* reverseUnit = nullptr;        // Label38
    QLabel* statusText = nullptr;         // Label39
    QLabel* rangeRatio = nullptr;         // Label40
    QLabel* cutoffEnable = nullptr;       // Label42
    QLabel* upperEnable = nullptr;        // Label44
    QLabel* lowerEnable = nullptr;        // Label46
    QLabel* emptyPipeEnable = nullptr;    // Label49
    QLabel* totalDifference = nullptr;    // Label51
    QLabel* differenceUnit = nullptr;     // Label52
    QLabel* singleStationText = nullptr;  // Label54
    QLabel* failureCount = nullptr;       // Label59
    QLabel* failureHours = nullptr;       // Label60
    QLabel* failureMinutes = nullptr;     // Label61
    StatusLine* statusLine = nullptr;

    // Window state shared with the parameter window: the station it configures, whether it was
    // opened (the start-up then takes the line back), whether a parameter set was written.
    std::uint8_t Addr_Parameter_Set = 1;
    bool xxx = false;
    bool first_Parameter_Set = false;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildControls();
    void wireEvents();
    void showSession();

    session::PollingSession& session_;
    MainWindowServices services_;
    QButtonGroup* options_ = nullptr;
    // The texts the displays show.
    measurement::DisplayTexts shownTexts_;
};

}  // namespace shell
