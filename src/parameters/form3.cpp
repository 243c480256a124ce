#include "parameters/form3.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "link/pauses.h"
#include "parameters/field_checks.h"
#include "parameters/step_data.h"

namespace parameters {

namespace {

const char* const kEmptyFieldMessage = "参数输入有错，不能进行设置！";
const char* const kInvalidFieldMessage = "设置有错，请重新输入！";
const char* const kPasswordPrompt = "请输入参数设置密码：";
const char* const kPromptTitle = "提示";
const char* const kLoadSettings = "14400,n,8,1";
constexpr int kReceiveThreshold = 10;
constexpr int kFirstIntervalMs = 200;

commissioning::Verdict verdictOf(WriteExchange::ReplyKind kind) {
    using Kind = WriteExchange::ReplyKind;
    switch (kind) {
        case Kind::Ignored:
            return commissioning::Verdict::ShortBlock;
        case Kind::Rejected:
            return commissioning::Verdict::Rejected;
        case Kind::StartAcknowledged:
        case Kind::Acknowledged:
        case Kind::Completed:
            return commissioning::Verdict::Acknowledgement;
        case Kind::WrongPassword:
        case Kind::TimeLimit:
        case Kind::TooManyPasswords:
            return commissioning::Verdict::ErrorReply;
    }
    return commissioning::Verdict::Rejected;
}

// The step an acknowledgement names, or the code of an error reply.
std::uint8_t detailOf(WriteExchange::ReplyKind kind, const std::vector<std::uint8_t>& block) {
    if (block.size() < kFrameLength) {
        return 0;
    }
    return verdictOf(kind) == commissioning::Verdict::ErrorReply ? block[3] : block[1];
}

QString twoDigits(std::uint8_t station) {
    return QString::number(station).rightJustified(2, QLatin1Char('0'));
}

}  // namespace

Form3::Form3(const ParameterWindowServices& services, QWidget* parent)
    : QWidget(parent), MSComm1(services.port), Timer1(services.timer), services_(services) {
    buildControls();
    Timer1.setEnabled(false);
    Timer1.setInterval(kFirstIntervalMs);
    wireEvents();
}

Form3::~Form3() {
    // QWidget's own destructor still moves the focus; nothing of this window may run then.
    disconnect(focusWatch_);
    Timer1.setTickHandler(nullptr);
    MSComm1.setNotificationHandler(nullptr);
}

void Form3::wireEvents() {
    platform::EventGate& gate = services_.gate;
    Timer1.setTickHandler([this, &gate] { gate.run([this] { Timer1_Timer(); }); });
    MSComm1.setNotificationHandler([this, &gate](int code) {
        gate.runDeferred(&MSComm1, [this, code] { MSComm1_OnComm(code); });
    });
    const std::pair<QPushButton*, void (Form3::*)()> buttons[] = {
        {Command2, &Form3::Command2_Click},
        {Command3, &Form3::Command3_Click},
        {Command4, &Form3::Command4_Click},
    };
    for (const auto& [button, handler] : buttons) {
        connect(button, &QPushButton::clicked, this, [this, &gate, handler = handler] {
            gate.run([this, handler] { (this->*handler)(); });
        });
    }
    focusWatch_ = connect(qApp, &QApplication::focusChanged, this, &Form3::onFocusChanged);
    for (const Param param : allParams()) {
        if (!isSelection(param)) {
            field(param)->installEventFilter(this);
        }
    }
}

void Form3::Form_Load() {
    MSComm1.setPortNumber(services_.mainWindow.releasedPortNumber());
    // A port that is absent or busy leaves the window usable but silent; at the start of a write
    // the port is open already and the settings below apply to it.
    [[maybe_unused]] const bool opened = MSComm1.open();
    MSComm1.setHandshakingNone();
    MSComm1.setSendThreshold(0);
    MSComm1.setReceiveThreshold(kReceiveThreshold);
    MSComm1.setSettings(kLoadSettings);
    lineSettings_ = kLoadSettings;
    MSComm1.setBinaryInput();
    if (!services_.mainWindow.firstParameterSet()) {
        services_.saved.assign(defaultTexts());
    }
    Timer1.setEnabled(true);
    exchange_.reset(services_.mainWindow.parameterStation());
    Field_Valid = true;
    open_ = true;
}

void Form3::Form_Activate() {
    showTexts(services_.saved.texts());
}

void Form3::Timer1_Timer() {
    if (!open_) {
        return;
    }
    Label24->setText(twoDigits(exchange_.station()));
    MSComm1.discardOutput();
    MSComm1.discardInput();
    const WriteExchange::TickResult tick = exchange_.tick();
    if (tick.writeButtonBack) {
        Command3->setEnabled(true);
    }
    if (tick.action == WriteExchange::TickAction::AskPassword) {
        const std::string answer =
            services_.dialogs.passwordBox(kPasswordPrompt, kPromptTitle, "0");
        if (const std::optional<Frame> frame = exchange_.passwordAnswered(answer)) {
            sendFrame(*frame);
            exchange_.frameSent();
        }
    } else if (tick.action == WriteExchange::TickAction::SendStep) {
        sendStep();
    }
}

void Form3::sendStep() {
    const std::uint8_t step = exchange_.variables().step;
    ParameterTexts texts = fieldTexts();
    const StepPreparation prepared = prepareStep(step, texts);
    if (prepared.fieldValid) {
        Field_Valid = *prepared.fieldValid;
    }
    if (prepared.refused) {
        // The field's message, then the field is emptied; this write sends nothing more.
        services_.dialogs.messageBox(*prepared.message);
        showTexts(texts);
        exchange_.stopWrite();
        return;
    }
    showTexts(texts);
    sendFrame(exchange_.stepFrame(stepData(step, texts)));
    exchange_.frameSent();
}

void Form3::sendFrame(const Frame& frame) {
    services_.traffic.record(commissioning::Line::Parameter, true, frame.data(), frame.size(),
                             commissioning::Verdict::ParameterFrame, frame[1]);
    for (const std::uint8_t byte : frame) {
        MSComm1.writeByte(byte);
        seriallink::pauseBetweenBytes(kFrameBytePauseCount, lineSettings_);
    }
}

void Form3::MSComm1_OnComm(int eventCode) {
    if (!open_ || eventCode != platform::kCommEventReceive) {
        return;
    }
    const std::optional<std::vector<std::uint8_t>> block = MSComm1.readAll();
    if (!block) {
        return;
    }
    const WriteExchange::ReplyResult reply = exchange_.reply(*block);
    services_.traffic.record(commissioning::Line::Parameter, false, block->data(), block->size(),
                             verdictOf(reply.kind), detailOf(reply.kind, *block));
    if (reply.message) {
        services_.dialogs.messageBox(reply.message);
    }
    switch (reply.kind) {
        case WriteExchange::ReplyKind::Completed:
            Command3->setEnabled(true);
            services_.saved.assign(fieldTexts());
            services_.mainWindow.setFirstParameterSet();
            break;
        case WriteExchange::ReplyKind::TooManyPasswords:
            Command3->setEnabled(true);
            MSComm1.close();
            Timer1.setEnabled(false);
            hide();
            handBack();
            break;
        default:
            break;
    }
}

void Form3::Command2_Click() {
    switch (exchange_.leave(Command3->isEnabled())) {
        case WriteExchange::LeaveDecision::RetryLater:
            services_.dialogs.messageBox(kRetryLaterMessage);
            break;
        case WriteExchange::LeaveDecision::Stay:
            break;
        case WriteExchange::LeaveDecision::Leave:
            MSComm1.close();
            // Stopped, so that no tick of the hidden window acts on its closed port.
            Timer1.setEnabled(false);
            hide();
            handBack();
            break;
    }
}

void Form3::Command3_Click() {
    for (const std::string& text : fieldTexts()) {
        if (text.empty()) {
            services_.dialogs.messageBox(kEmptyFieldMessage);
            return;
        }
    }
    exchange_.restartButtonWait();
    if (!Field_Valid) {
        services_.dialogs.messageBox(kInvalidFieldMessage);
        return;
    }
    Form_Load();
    const WriteLineSpeed& speed = writeLineSpeed(services_.mainWindow.lineSpeedText());
    MSComm1.setSettings(speed.settings);
    lineSettings_ = speed.settings;
    Timer1.setInterval(speed.timerIntervalMs);
    const auto command = startCommand(exchange_.station());
    for (std::size_t i = 0; i < command.size(); ++i) {
        if (i > 0) {
            seriallink::pauseBetweenBytes(speed.pauseCount, lineSettings_);
        }
        MSComm1.writeByte(command[i]);
    }
    services_.traffic.record(commissioning::Line::Parameter, true, command.data(), command.size(),
                             commissioning::Verdict::StartCommand);
    exchange_.startSent();
    Command3->setEnabled(false);
}

void Form3::Command4_Click() {
    services_.saved.assign(fieldTexts());
    services_.mainWindow.setFirstParameterSet();
}

void Form3::Form_Unload() {
    MSComm1.close();
    Timer1.setEnabled(false);
    handBack();
}

void Form3::handBack() {
    open_ = false;
    services_.gate.dropPending(&MSComm1);
    services_.mainWindow.takeBack();
}

void Form3::Field_LostFocus(Param param) {
    const FieldCheck check = checkField(param, fieldText(param).toStdString());
    if (check.fieldValid) {
        Field_Valid = *check.fieldValid;
    }
    if (check.message) {
        services_.dialogs.messageBox(*check.message);
    }
    const QString text = QString::fromStdString(check.text);
    if (fieldText(param) != text) {
        setFieldText(param, text);
    }
}

void Form3::Text_MouseDown(Param param) {
    setFieldText(param, QString());
    exchange_.disarm();
}

void Form3::onFocusChanged(QWidget* old, QWidget* now) {
    // Only a move to another control of this window is leaving a field: a message box, the
    // password box, a combo's own list or another window taking the focus is not.
    if (!open_ || old == nullptr || now == nullptr || now->window() != this) {
        return;
    }
    const std::optional<Param> left = fieldContaining(old);
    if (!left || fieldContaining(now) == left) {
        return;
    }
    services_.gate.run([this, param = *left] { Field_LostFocus(param); });
}

std::optional<Param> Form3::fieldContaining(const QWidget* widget) const {
    for (const Param param : allParams()) {
        QWidget* control = field(param);
        if (widget == control || control->isAncestorOf(widget)) {
            return param;
        }
    }
    return std::nullopt;
}

bool Form3::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        for (const Param param : allParams()) {
            if (watched == field(param)) {
                services_.gate.run([this, param] { Text_MouseDown(param); });
                break;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool Form3::event(QEvent* event) {
    if (event->type() == QEvent::Show) {
        // Each opening shows the saved set. Deferred, so that a showing during another handler
        // fills the fields after it. The window getting the focus back from a message box, the
        // password box or another program is not an opening and keeps the operator's edits.
        services_.gate.runDeferred(this, [this] { Form_Activate(); });
    }
    return QWidget::event(event);
}

void Form3::closeEvent(QCloseEvent* event) {
    event->accept();
    if (services_.programEnd.hasEnded()) {
        // The program is ending: the port is released, nothing hands back.
        MSComm1.close();
        Timer1.setEnabled(false);
        open_ = false;
        return;
    }
    if (!open_) {
        return;
    }
    if (services_.gate.busy()) {
        Form_Unload();
    } else {
        services_.gate.run([this] { Form_Unload(); });
    }
}

ParameterTexts Form3::fieldTexts() const {
    ParameterTexts texts;
    for (const Param param : allParams()) {
        texts[indexOf(param)] = fieldText(param).toStdString();
    }
    return texts;
}

void Form3::showTexts(const ParameterTexts& texts) {
    for (const Param param : allParams()) {
        const QString text = QString::fromStdString(texts[indexOf(param)]);
        if (fieldText(param) != text) {
            setFieldText(param, text);
        }
    }
}

QString Form3::fieldText(Param param) const {
    QWidget* control = field(param);
    if (auto* combo = qobject_cast<QComboBox*>(control)) {
        return combo->currentText();
    }
    return static_cast<QLineEdit*>(control)->text();
}

void Form3::setFieldText(Param param, const QString& text) {
    QWidget* control = field(param);
    if (auto* combo = qobject_cast<QComboBox*>(control)) {
        combo->setEditText(text);
    } else {
        static_cast<QLineEdit*>(control)->setText(text);
    }
}

QWidget* Form3::field(Param param) const {
    switch (param) {
        case Param::Diameter:
            return Combo8;
        case Param::TotalizerUnit:
            return Combo2;
        case Param::RangeValue:
            return Text2;
        case Param::RangeUnit:
            return Combo3;
        case Param::RangeExponent:
            return Combo11;
        case Param::Damping:
            return Combo10;
        case Param::OutputMode:
            return Combo7;
        case Param::PulseEquivalent:
            return Combo9;
        case Param::FrequencyRange:
            return Text4;
        case Param::FlowDirection:
            return Combo1;
        case Param::CutoffEnable:
            return Combo4;
        case Param::CutoffValue:
            return Text5;
        case Param::UpperAlarmEnable:
            return Combo5;
        case Param::UpperAlarmValue:
            return Text7;
        case Param::LowerAlarmEnable:
            return Combo6;
        case Param::LowerAlarmValue:
            return Text8;
        case Param::SensorCoefficient:
            return Text10;
        case Param::ZeroCorrection:
            return Text9;
        case Param::FlowMultiplier:
            return Text1;
    }
    return nullptr;
}

}  // namespace parameters
