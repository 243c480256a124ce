#include "shell/form1.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <vector>

#include "link/pauses.h"
#include "link/station_answer.h"
#include "measurement/presentation.h"
#include "records/records_store.h"

namespace shell {

namespace {

const char* const kNoPortMessage = "没有可用端口，退出!";
const char* const kStationPrompt = "请输入需要进行参数设置的仪表编号(范围是01~16)：";
const char* const kStationError = "仪表编号输入出错！";
const char* const kSinglePrompt = "请输入单机通讯的仪表编号(范围是01~16)：";
const char* const kPromptTitle = "提示";
const char* const kConfigFile = "config.dat";
const char* const kOpenSettings = "14400,s,8,1";
constexpr int kReceiveThreshold = 10;
constexpr int kMultiStationIntervalMs = 200;
constexpr std::int16_t kPortSettleCount = 10000;
constexpr int kReopenPeriodMs = 1000;

commissioning::Verdict verdictOf(measurement::FrameCheck check) {
    switch (check) {
        case measurement::FrameCheck::Valid:
            return commissioning::Verdict::ValidReply;
        case measurement::FrameCheck::WrongStation:
            return commissioning::Verdict::WrongStation;
        case measurement::FrameCheck::WrongCommand:
            return commissioning::Verdict::WrongCommand;
        case measurement::FrameCheck::WrongEndMarker:
            return commissioning::Verdict::WrongEndMarker;
        case measurement::FrameCheck::WrongCheckByte:
            return commissioning::Verdict::WrongCheckByte;
    }
    return commissioning::Verdict::ShortBlock;
}

bool isStation(int number) {
    return number >= 1 && number <= seriallink::kStationCount;
}

}  // namespace

Form1::Form1(const MainWindowServices& services, QWidget* parent)
    : QWidget(parent),
      MSComm1(services.port),
      Timer1(services.timer),
      Data1(services.records),
      services_(services) {
    buildControls();
    Timer1.setEnabled(false);
    Timer1.setInterval(kMultiStationIntervalMs);
    wireEvents();
}

void Form1::wireEvents() {
    platform::EventGate& gate = services_.gate;
    Timer1.setTickHandler([this, &gate] { gate.run([this] { Timer1_Timer(); }); });
    MSComm1.setNotificationHandler([this, &gate](int code) {
        gate.runDeferred(&MSComm1, [this, code] { MSComm1_OnComm(code); });
    });
    connect(Command1, &QPushButton::clicked, this,
            [this, &gate] { gate.run([this] { Command1_Click(); }); });
    connect(Command2, &QPushButton::clicked, this,
            [this, &gate] { gate.run([this] { Command2_Click(); }); });
    connect(Command3, &QPushButton::clicked, this,
            [this, &gate] { gate.run([this] { Command3_Click(); }); });
    connect(stationOverviewButton, &QPushButton::clicked, this,
            [this, &gate] { gate.run([this] { openStationOverview_Click(); }); });
    connect(trafficMonitorButton, &QPushButton::clicked, this,
            [this, &gate] { gate.run([this] { openTrafficMonitor_Click(); }); });
    connect(trendButton, &QPushButton::clicked, this,
            [this, &gate] { gate.run([this] { openTrend_Click(); }); });
    connect(Option1, &QRadioButton::clicked, this,
            [this, &gate] { gate.run([this] { Option1_Click(); }); });
    connect(Option2, &QRadioButton::clicked, this,
            [this, &gate] { gate.run([this] { Option2_Click(); }); });
}

bool Form1::Form_Load() {
    if (!init()) {
        state_ = MainWindowState::Closed;
        return false;
    }
    poll.resetUnanswered();
    // Without a usable store the window polls and shows all the same; each append tries again.
    (void)records::openStore(Data1);
    if (!xxx) {
        Single_Add = false;
        selectOption2();
    }
    xxx = false;
    replies.Log_Minute = 0;
    if (!Option1->isChecked()) {
        Addr_Parameter_Set = 1;
    }
    deselectOptions();
    Timer_Started = false;
    Option1_Click();
    for (QCheckBox* indicator : Check1) {
        indicator->setChecked(false);
    }
    return true;
}

bool Form1::init() {
    Config_Byte[0] = 0;
    Config_Byte[1] = 0;
    Port_Count = 0;
    Combo1->clear();
    for (int n = 1; n <= kPortSlots; ++n) {
        if (!MSComm1.setPortNumber(n) || !MSComm1.open()) {
            continue;
        }
        MSComm1.close();
        const auto slot = static_cast<std::size_t>(Port_Count);
        Port_List[slot] = static_cast<std::int16_t>(n);
        Port_Name[slot] = "COM" + std::to_string(n);
        Combo1->addItem(QString::fromStdString(Port_Name[slot]));
        Combo1->setItemData(Combo1->count() - 1, QString::fromStdString(MSComm1.deviceName(n)),
                            Qt::ToolTipRole);
        ++Port_Count;
    }
    if (const auto bytes = services_.files.readStart(kConfigFile, Config_Byte.size())) {
        std::copy(bytes->begin(), bytes->end(), Config_Byte.begin());
    }
    if (Port_Count == 0) {
        services_.dialogs.messageBox(kNoPortMessage);
        services_.programEnd.endProgram();
        return false;
    }
    if (Config_Byte[0] + 1 > Port_Count) {
        Config_Byte[0] = static_cast<std::uint8_t>(Port_Count - 1);
    }
    Port_Index = Config_Byte[0];
    Combo1->setEditText(QString::fromStdString(Port_Name[static_cast<std::size_t>(Port_Index)]));
    Combo1->setToolTip(Combo1->itemData(Port_Index, Qt::ToolTipRole).toString());
    initport();
    poll.restart();
    for (QCheckBox* indicator : Check1) {
        indicator->setChecked(false);
        indicator->setEnabled(false);
    }
    Timer1.setEnabled(true);
    reopenWaitMs_ = 0;
    state_ = MainWindowState::Polling;
    return true;
}

void Form1::initport() {
    MSComm1.close();
    MSComm1.setPortNumber(Port_List[static_cast<std::size_t>(Port_Index)]);
    MSComm1.close();
    seriallink::settlePause(kPortSettleCount);
    // A port that was usable a moment ago but fails to open now leaves the window up: every
    // port step of the polling cycle then fails quietly, the display blanks after ten ticks, and
    // the ticks try the port again (reopenAfterFailure).
    [[maybe_unused]] const bool opened = openWithStationSettings();
}

bool Form1::openWithStationSettings() {
    if (!MSComm1.open()) {
        return false;
    }
    MSComm1.setHandshakingNone();
    MSComm1.setSendThreshold(0);
    MSComm1.setReceiveThreshold(kReceiveThreshold);
    MSComm1.setSettings(kOpenSettings);
    MSComm1.setBinaryInput();
    return true;
}

void Form1::reopenAfterFailure() {
    // The device went away under the open port (an adapter pulled out) or did not open: the same
    // device is tried again once a second of ticks, and polling goes on as soon as it opens.
    reopenWaitMs_ += Timer1.interval();
    if (reopenWaitMs_ < kReopenPeriodMs) {
        return;
    }
    reopenWaitMs_ = 0;
    [[maybe_unused]] const bool opened = openWithStationSettings();
}

void Form1::Timer1_Timer() {
    if (state_ != MainWindowState::Polling) {
        return;
    }
    if (!MSComm1.isOpen()) {
        reopenAfterFailure();
    }
    Timer_Started = true;
    MSComm1.discardOutput();
    MSComm1.discardInput();
    poll.countRequest();
    const seriallink::PollLineSpeed& speed =
        seriallink::pollLineSpeed(Combo2->currentText().toStdString());
    MSComm1.setSettings(speed.settings);
    const double delayCount = speed.delayCount;
    Timer1.setInterval(speed.timerIntervalMs);

    MSComm1.writeByte(seriallink::kPollStart);
    seriallink::pauseBetweenBytes(delayCount, speed.settings);
    const seriallink::PollState::StationChoice station =
        poll.chooseStation(Single_Add, Addr_Parameter_Set);
    replies.requestSent(station.station);
    if (station.moved) {
        resetIndicators();
    }
    if (!Single_Add && isStation(station.station)) {
        Check1[station.station - 1U]->setEnabled(true);
    }
    MSComm1.writeByte(station.station);
    seriallink::pauseBetweenBytes(delayCount, speed.settings);
    MSComm1.writeByte(poll.takeCommand());
    seriallink::pauseBetweenBytes(delayCount, speed.settings);
    MSComm1.writeByte(seriallink::kPollEnd);
    const std::uint8_t request[] = {seriallink::kPollStart, station.station, poll.lastCmd(),
                                    seriallink::kPollEnd};
    services_.traffic.record(commissioning::Line::Main, true, request, sizeof request,
                             commissioning::Verdict::Poll);

    if (poll.silentTooLong()) {
        resetIndicators();
        replies.display.blankMeasurement();
        showDisplay();
    }
}

void Form1::MSComm1_OnComm(int eventCode) {
    if (state_ != MainWindowState::Polling) {
        return;
    }
    if (eventCode == platform::kCommEventReceive) {
        poll.resetUnanswered();
        Timer1.setEnabled(false);
        // A read that fails leaves the frame as it was; it is checked all the same.
        const std::vector<std::uint8_t> block =
            MSComm1.readAll().value_or(std::vector<std::uint8_t>{});
        const measurement::FrameCheck check =
            replies.receive(block, poll.stationNo(), poll.lastCmd(), services_.clock.timeText());
        services_.traffic.record(commissioning::Line::Main, false, block.data(), block.size(),
                                 verdictOf(check), poll.lastCmd());
        if (check != measurement::FrameCheck::Valid) {
            showDisplay();
            Timer1.setEnabled(true);
            return;
        }
        showStationAnswered(poll.stationNo());
        showDisplay();
    }
    replies.log(poll.stationNo(), services_.clock, Data1);
    Timer1.setEnabled(true);
}

void Form1::showStationAnswered(std::uint8_t station) {
    if (Single_Add) {
        resetIndicators();
        label(54)->setText(QString::fromStdString(measurement::singleStationText(station)));
    } else {
        lightIndicator(isStation(station) ? station : 0);
    }
}

void Form1::Option1_Click() {
    if (Timer_Started) {
        const std::string answer = services_.dialogs.inputBox(kSinglePrompt, kPromptTitle, "1");
        Addr_Parameter_Set = seriallink::stationFromAnswer(answer);
    }
    if (isStation(Addr_Parameter_Set)) {
        Single_Add = true;
        selectOption1();
    } else {
        selectOption2();
    }
}

void Form1::Option2_Click() {
    Single_Add = false;
    label(54)->setText(QStringLiteral("00"));
    Timer1.setInterval(kMultiStationIntervalMs);
}

void Form1::Command1_Click() {
    const std::string answer = services_.dialogs.inputBox(kStationPrompt, kPromptTitle, "1");
    Addr_Parameter_Set = seriallink::stationFromAnswer(answer);
    if (isStation(Addr_Parameter_Set)) {
        xxx = true;
        MSComm1.close();
        Timer1.setEnabled(false);
        // A reply that arrived while the station was asked for belongs to polling, which ends here.
        state_ = MainWindowState::HandedOver;
        services_.gate.dropPending(&MSComm1);
        setEnabled(false);
        hide();
        services_.navigation.openParameterWindow();
        return;
    }
    services_.dialogs.messageBox(kStationError);
    Addr_Parameter_Set = 1;
}

void Form1::Command2_Click() {
    Form_Unload();
    services_.programEnd.endProgram();
}

void Form1::Command3_Click() {
    services_.navigation.openDataQuery();
}

void Form1::openStationOverview_Click() {
    services_.navigation.openStationOverview();
}

void Form1::openTrafficMonitor_Click() {
    services_.navigation.openTrafficMonitor();
}

void Form1::openTrend_Click() {
    services_.navigation.openTrend();
}

void Form1::Form_Unload() {
    MSComm1.close();
    Timer1.setEnabled(false);
    state_ = MainWindowState::Closed;
}

int Form1::releasedPortNumber() const {
    return Port_List[static_cast<std::size_t>(Port_Index)];
}

std::string Form1::lineSpeedText() const {
    return Combo2->currentText().toStdString();
}

void Form1::takeBack() {
    setEnabled(true);
    if (Form_Load()) {
        show();
    }
}

void Form1::closeEvent(QCloseEvent* event) {
    // Closing always releases the port, also when the close comes from a handler that holds the
    // gate (the program ending from "退出").
    if (services_.gate.busy()) {
        Form_Unload();
    } else {
        services_.gate.run([this] { Form_Unload(); });
    }
    event->accept();
}

void Form1::resetIndicators() {
    lightIndicator(0);
}

void Form1::lightIndicator(std::uint8_t station) {
    // Qt leaves a control that is set to the state it has alone.
    for (std::size_t i = 0; i < Check1.size(); ++i) {
        const bool lit = i + 1 == station;
        Check1[i]->setChecked(lit);
        Check1[i]->setEnabled(lit);
    }
}

void Form1::selectOption1() {
    if (Option1->isChecked()) {
        return;
    }
    Option1->setChecked(true);
    Option1_Click();
}

void Form1::selectOption2() {
    if (Option2->isChecked()) {
        return;
    }
    Option2->setChecked(true);
    Option2_Click();
}

void Form1::deselectOptions() {
    options_->setExclusive(false);
    Option2->setChecked(false);
    Option1->setChecked(false);
    options_->setExclusive(true);
}

void Form1::showDisplay() {
    const measurement::DisplayTexts& display = replies.display;
    const std::pair<int, const std::string*> texts[] = {
        {29, &display.flow},
        {30, &display.flowUnit},
        {31, &display.percent},
        {32, &display.resistance},
        {33, &display.diameter},
        {34, &display.velocity},
        {35, &display.forwardTotal},
        {36, &display.forwardUnit},
        {37, &display.reverseTotal},
        {38, &display.reverseUnit},
        {39, &display.status},
        {40, &display.rangeRatio},
        {42, &display.cutoffEnable},
        {44, &display.upperEnable},
        {46, &display.lowerEnable},
        {49, &display.emptyPipeEnable},
        {51, &display.totalDifference},
        {52, &display.differenceUnit},
        {59, &display.failureCount},
        {60, &display.failureHours},
        {61, &display.failureMinutes},
    };
    for (const auto& [number, text] : texts) {
        label(number)->setText(QString::fromStdString(*text));
    }
}

}  // namespace shell
