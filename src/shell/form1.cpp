#include "shell/form1.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QValidator>

#include <algorithm>

#include "link/station_answer.h"
#include "records/store_status.h"

namespace shell {

namespace {

const char* const kStationPrompt = "请输入需要进行参数设置的仪表编号(范围是01~16)：";
const char* const kStationError = "仪表编号输入出错！";
const char* const kSinglePrompt = "请输入单机通讯的仪表编号(范围是01~16)：";
const char* const kPromptTitle = "提示";

bool isStation(int number) {
    return number >= 1 && number <= seriallink::kStationCount;
}

QString text(const std::string& value) {
    return QString::fromStdString(value);
}

// The speed box takes only the speeds of its list. While a text is typed it may be any number no
// longer than the longest of them; a text that is no speed of the list when the typing ends
// (Enter, or the focus leaves the box) gives way to the speed in use.
class ListedSpeeds final : public QValidator {
  public:
    ListedSpeeds(const QComboBox& box, const session::PollingSession& session, QObject* parent)
        : QValidator(parent), box_(box), session_(session) {}

    State validate(QString& input, int& /*position*/) const override {
        if (box_.findText(input, Qt::MatchExactly) >= 0) {
            return Acceptable;
        }
        int longest = 0;
        for (int i = 0; i < box_.count(); ++i) {
            longest = std::max(longest, static_cast<int>(box_.itemText(i).size()));
        }
        const bool digits = std::all_of(input.cbegin(), input.cend(),
                                        [](QChar c) { return c >= u'0' && c <= u'9'; });
        return digits && input.size() <= longest ? Intermediate : Invalid;
    }

    void fixup(QString& input) const override { input = text(session_.lineSpeed()); }

  private:
    const QComboBox& box_;
    const session::PollingSession& session_;
};

}  // namespace

Form1::Form1(const MainWindowServices& services, QWidget* parent)
    : QWidget(parent), session_(services.session), services_(services) {
    buildControls();
    wireEvents();
    session_.addListener(*this);
    showSession();
}

Form1::~Form1() {
    session_.removeListener(*this);
}

void Form1::wireEvents() {
    platform::EventGate& gate = services_.gate;
    const auto enter = [this, &gate](QPushButton* button, void (Form1::*handler)()) {
        connect(button, &QPushButton::clicked, this,
                [this, &gate, handler] { gate.run([this, handler] { (this->*handler)(); }); });
    };
    enter(Command1, &Form1::Command1_Click);
    enter(Command2, &Form1::Command2_Click);
    for (std::size_t i = 0; i < windowButtons.size(); ++i) {
        connect(windowButtons[i], &QPushButton::clicked, this,
                [this, &gate, i] { gate.run([this, i] { openWindow_Click(i); }); });
    }
    connect(Option1, &QRadioButton::clicked, this,
            [this, &gate] { gate.run([this] { Option1_Click(); }); });
    connect(Option2, &QRadioButton::clicked, this,
            [this, &gate] { gate.run([this] { Option2_Click(); }); });
    // A speed of the list, typed or picked, is the line speed of every request from the next one
    // on; the line keeps its speed while any other text stands in the box.
    Combo2->setValidator(new ListedSpeeds(*Combo2, session_, Combo2));
    connect(Combo2, &QComboBox::editTextChanged, this, [this](const QString& speed) {
        if (Combo2->findText(speed, Qt::MatchExactly) >= 0) {
            session_.setLineSpeed(speed.toStdString());
        }
    });
}

void Form1::showSession() {
    Combo2->setEditText(text(session_.lineSpeed()));
    if (session_.state() == session::SessionState::Stopped) {
        // Polling has not started: the window hears all of it.
        return;
    }
    const std::vector<session::PortEntry>& ports = session_.ports();
    const auto inUse = std::find_if(ports.begin(), ports.end(), [this](const auto& port) {
        return port.number == session_.portNumber();
    });
    portsFound(ports, static_cast<std::size_t>(inUse - ports.begin()));
    modeChosen(session_.mode(), session_.singleStation());
    displayChanged(session_.display());
    indicatorsChanged(session_.indicators());
    singleStationTextChanged(session_.singleStationText());
    storeHealthChanged(session_.storeHealth());
}

bool Form1::Form_Load() {
    const bool returning = xxx;
    xxx = false;
    const bool polling = returning ? session_.takeBack() : session_.start();
    if (!polling) {
        // The operator has read why; the program ends.
        services_.programEnd.endProgram();
        return false;
    }
    return true;
}

void Form1::Option1_Click() {
    if (session_.hasTicked()) {
        const std::string answer = services_.dialogs.inputBox(kSinglePrompt, kPromptTitle, "1");
        Addr_Parameter_Set = seriallink::stationFromAnswer(answer);
    }
    if (isStation(Addr_Parameter_Set)) {
        session_.pollSingleStation(Addr_Parameter_Set);
    } else {
        // The choice falls to "多机通讯"; the station answered stays unused.
        session_.pollAllStations();
    }
}

void Form1::Option2_Click() {
    session_.pollAllStations();
}

void Form1::Command1_Click() {
    const std::string answer = services_.dialogs.inputBox(kStationPrompt, kPromptTitle, "1");
    Addr_Parameter_Set = seriallink::stationFromAnswer(answer);
    if (isStation(Addr_Parameter_Set)) {
        xxx = true;
        session_.handOver();
        setEnabled(false);
        hide();
        services_.navigation.openParameterWindow();
        return;
    }
    services_.dialogs.messageBox(kStationError);
    Addr_Parameter_Set = 1;
    if (session_.mode() == session::PollingMode::SingleStation) {
        session_.pollSingleStation(Addr_Parameter_Set);
    }
}

void Form1::Command2_Click() {
    Form_Unload();
    services_.programEnd.endProgram();
}

void Form1::openWindow_Click(std::size_t index) {
    services_.navigation.openWindow(index);
}

void Form1::Form_Unload() {
    session_.stop();
}

int Form1::releasedPortNumber() const {
    return session_.portNumber();
}

std::string Form1::lineSpeedText() const {
    return session_.lineSpeed();
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

void Form1::displayChanged(const measurement::DisplayTexts& texts) {
    using measurement::DisplayTexts;
    const std::pair<const std::string DisplayTexts::*, QLabel * Form1::*> shown[] = {
        {&DisplayTexts::flow, &Form1::flowValue},
        {&DisplayTexts::flowUnit, &Form1::flowUnit},
        {&DisplayTexts::percent, &Form1::percentValue},
        {&DisplayTexts::resistance, &Form1::resistanceValue},
        {&DisplayTexts::diameter, &Form1::diameterValue},
        {&DisplayTexts::velocity, &Form1::velocityValue},
        {&DisplayTexts::forwardTotal, &Form1::forwardTotal},
        {&DisplayTexts::forwardUnit, &Form1::forwardUnit},
        {&DisplayTexts::reverseTotal, &Form1::reverseTotal},
        {&DisplayTexts::reverseUnit, &Form1::reverseUnit},
        {&DisplayTexts::status, &Form1::statusText},
        {&DisplayTexts::rangeRatio, &Form1::rangeRatio},
        {&DisplayTexts::cutoffEnable, &Form1::cutoffEnable},
        {&DisplayTexts::upperEnable, &Form1::upperEnable},
        {&DisplayTexts::lowerEnable, &Form1::lowerEnable},
        {&DisplayTexts::emptyPipeEnable, &Form1::emptyPipeEnable},
        {&DisplayTexts::totalDifference, &Form1::totalDifference},
        {&DisplayTexts::differenceUnit, &Form1::differenceUnit},
        {&DisplayTexts::failureCount, &Form1::failureCount},
        {&DisplayTexts::failureHours, &Form1::failureHours},
        {&DisplayTexts::failureMinutes, &Form1::failureMinutes},
    };
    // A display whose text stays is left alone.
    for (const auto& [value, label] : shown) {
        if (shownTexts_.*value != texts.*value) {
            (this->*label)->setText(text(texts.*value));
        }
    }
    shownTexts_ = texts;
}

void Form1::indicatorsChanged(const session::Indicators& indicators) {
    // Qt leaves a control that is set to the state it has alone.
    for (std::size_t i = 0; i < Check1.size(); ++i) {
        Check1[i]->setChecked(indicators[i].checked);
        Check1[i]->setEnabled(indicators[i].enabled);
    }
}

void Form1::singleStationTextChanged(const std::string& station) {
    if (const QString now = text(station); singleStationText->text() != now) {
        singleStationText->setText(now);
    }
}

void Form1::portsFound(const std::vector<session::PortEntry>& ports, std::size_t inUse) {
    Combo1->clear();
    for (const session::PortEntry& port : ports) {
        Combo1->addItem(text(port.name));
        Combo1->setItemData(Combo1->count() - 1, text(port.device), Qt::ToolTipRole);
    }
    if (inUse < ports.size()) {
        Combo1->setEditText(text(ports[inUse].name));
        Combo1->setToolTip(text(ports[inUse].device));
    }
    statusLine->setNote(StatusNote::Port,
                        inUse < ports.size()
                            ? services_.ports.missingPinnedPortNote(ports[inUse].number)
                            : std::string());
}

void Form1::modeChosen(session::PollingMode mode, std::uint8_t station) {
    if (mode == session::PollingMode::SingleStation) {
        Option1->setChecked(true);
        Addr_Parameter_Set = station;
    } else {
        Option2->setChecked(true);
    }
}

void Form1::storeHealthChanged(const records::StoreHealth& health) {
    statusLine->setNote(StatusNote::Store,
                        records::statusLineText(health, services_.clock.msecsSinceEpoch()));
}

}  // namespace shell
