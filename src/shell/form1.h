#pragma once

#include <QWidget>

#include <array>
#include <cstdint>
#include <string>

#include "commissioning/traffic_log.h"
#include "link/polling.h"
#include "measurement/reply_pipeline.h"
#include "parameters/main_window_link.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/event_gate.h"
#include "platform/file_reader.h"
#include "platform/program_end.h"
#include "platform/records_binding.h"
#include "platform/serial_port.h"
#include "platform/timer.h"
#include "shell/navigation.h"

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
    platform::SerialPort& port;
    platform::Timer& timer;
    platform::RecordsBinding& records;
    platform::Dialogs& dialogs;
    platform::FileReader& files;
    platform::Clock& clock;
    platform::ProgramEnd& programEnd;
    platform::EventGate& gate;
    Navigation& navigation;
    commissioning::TrafficLog& traffic;  // every request and received block, for the monitor
};

// Where the main window stands. It polls while shown with its port open and its timer running;
// while the parameter window has the line it is handed over: hidden, disabled, port closed, and
// none of its port events or ticks act until its start-up runs again; closed is for good.
enum class MainWindowState { Closed, Polling, HandedOver };

// The main window: port discovery, the polling cycle, the live measurement display and the
// buttons to the other windows. Its handlers are entered only through the event gate.
class Form1 : public QWidget, public parameters::MainWindowLink {
    Q_OBJECT

  public:
    static constexpr int kPortSlots = 10;

    Form1(const MainWindowServices& services, QWidget* parent = nullptr);

    // Start-up: runs at program start and on every return from the parameter window. False when
    // no usable port exists and the program is ending.
    [[nodiscard]] bool Form_Load();
    [[nodiscard]] bool init();
    void initport();

    void Timer1_Timer();
    void MSComm1_OnComm(int eventCode);
    void Option1_Click();
    void Option2_Click();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void openStationOverview_Click();
    void openTrafficMonitor_Click();
    void openTrend_Click();
    void Form_Unload();

    [[nodiscard]] MainWindowState state() const { return state_; }

    // What the parameter window uses of this window.
    std::uint8_t parameterStation() const override { return Addr_Parameter_Set; }
    int releasedPortNumber() const override;
    std::string lineSpeedText() const override;
    bool firstParameterSet() const override { return first_Parameter_Set; }
    void setFirstParameterSet() override { first_Parameter_Set = true; }
    void takeBack() override;

    // Controls, named as on the window.
    QComboBox* Combo1 = nullptr;
    QComboBox* Combo2 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    // The commissioning windows, beside the three buttons of the window.
    QPushButton* stationOverviewButton = nullptr;
    QPushButton* trafficMonitorButton = nullptr;
    QPushButton* trendButton = nullptr;
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QGroupBox* Frame3 = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    std::array<QCheckBox*, seriallink::kStationCount> Check1{};
    QLabel* label(int number) const { return labels_.at(static_cast<std::size_t>(number)); }

    // Window state shared with the other windows.
    bool Single_Add = false;
    std::uint8_t Addr_Parameter_Set = 1;
    bool xxx = false;
    bool first_Parameter_Set = false;

    // Port discovery.
    std::array<std::int16_t, kPortSlots> Port_List{};
    std::array<std::string, kPortSlots> Port_Name{};
    int Port_Count = 0;
    std::int16_t Port_Index = 0;
    std::array<std::uint8_t, 3> Config_Byte{};

    // Polling cycle, replies, displays and logging.
    seriallink::PollState poll;
    bool Timer_Started = false;  // a tick has run since start-up: "单机通讯" asks for the station
    measurement::ReplyState replies;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildControls();
    [[nodiscard]] bool openWithStationSettings();
    void reopenAfterFailure();
    void wireEvents();
    void showDisplay();
    void showStationAnswered(std::uint8_t station);
    void resetIndicators();
    // Every indicator off but station's (0: none), which is checked and enabled. Each control is
    // set once, to its final state, so that a reply from the same station repaints nothing.
    void lightIndicator(std::uint8_t station);
    void selectOption1();
    void selectOption2();
    void deselectOptions();

    platform::SerialPort& MSComm1;
    platform::Timer& Timer1;
    platform::RecordsBinding& Data1;
    MainWindowServices services_;
    MainWindowState state_ = MainWindowState::Closed;
    int reopenWaitMs_ = 0;  // tick time since the port was last tried while it is not open
    QButtonGroup* options_ = nullptr;
    std::array<QLabel*, 62> labels_{};
};

}  // namespace shell
