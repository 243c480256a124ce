#include "session/write_session.h"

#include <utility>
#include <vector>

#include "parameters/field_checks.h"
#include "parameters/step_data.h"
#include "session/write_texts.h"

namespace session {

namespace {

using parameters::ExchangePhase;
using parameters::Param;
using parameters::WriteExchange;

const char* const kEmptyFieldMessage = "参数输入有错，不能进行设置！";
const char* const kInvalidFieldMessage = "设置有错，请重新输入！";
const char* const kPasswordPrompt = "请输入参数设置密码：";
const char* const kPromptTitle = "提示";
const char* const kPasswordDefault = "0";
const char* const kLoadSettings = "14400,n,8,1";
constexpr int kReceiveThreshold = 10;
constexpr int kFirstTickMs = 200;
constexpr std::int16_t kTicksUntilButtonBack = 101;

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
    if (block.size() < parameters::kFrameLength) {
        return 0;
    }
    return verdictOf(kind) == commissioning::Verdict::ErrorReply ? block[3] : block[1];
}

std::string twoDigits(std::uint8_t station) {
    return (station < 10 ? "0" : "") + std::to_string(station);
}

// A write is under way from the start command until it completes or ends.
bool writing(ExchangePhase phase) {
    return phase == ExchangePhase::AwaitingStartAck || phase == ExchangePhase::PasswordDue ||
           phase == ExchangePhase::PasswordPrompt || phase == ExchangePhase::Stepping;
}

// The meter waits for parameters from its answer to the start command until the write ends.
bool meterWaiting(ExchangePhase phase) {
    return writing(phase) && phase != ExchangePhase::AwaitingStartAck;
}

}  // namespace

WriteSession::WriteSession(const WriteSessionServices& services)
    : port_(services.port),
      timer_(services.timer),
      pacer_(services.pacer),
      clock_(services.clock),
      gate_(services.gate),
      saved_(services.saved),
      mainWindow_(services.mainWindow),
      traffic_(services.traffic),
      tickMs_(kFirstTickMs) {
    timer_.setEnabled(false);
    timer_.setInterval(kFirstTickMs);
    timer_.setTickHandler([this] { gate_.run([this] { onTick(); }); });
    port_.setNotificationHandler(
        [this](int code) { gate_.runDeferred(&port_, [this, code] { onNotification(code); }); });
}

WriteSession::~WriteSession() {
    timer_.setTickHandler(nullptr);
    port_.setNotificationHandler(nullptr);
    gate_.dropPending(&port_);
}

void WriteSession::setListener(WriteSessionListener* listener) {
    listener_ = listener != nullptr ? listener : &noListener_;
}

void WriteSession::load() {
    port_.setPortNumber(mainWindow_.releasedPortNumber());
    // A port that is absent or busy leaves the session usable but silent; at the start of a
    // write the port is open already and the settings below apply to it.
    [[maybe_unused]] const bool opened = port_.open();
    port_.setHandshakingNone();
    port_.setSendThreshold(0);
    port_.setReceiveThreshold(kReceiveThreshold);
    port_.setSettings(kLoadSettings);
    lineSettings_ = kLoadSettings;
    port_.setBinaryInput();
    if (!mainWindow_.firstParameterSet()) {
        saved_.assign(parameters::defaultTexts());
    }
    timer_.setEnabled(true);
    exchange_.reset(mainWindow_.parameterStation());
    fieldsValid_ = true;
    lastChecked_.reset();
    buttonBackDuringWrite_ = false;
    passwordGiven_ = false;
    open_ = true;
    refreshView();
}

void WriteSession::startWrite() {
    const parameters::ParameterTexts texts = listener_->fieldTexts();
    for (const Param param : parameters::allParams()) {
        if (texts[parameters::indexOf(param)].empty()) {
            listener_->showMessage(fieldMessage(param, kEmptyFieldMessage));
            return;
        }
    }
    exchange_.restartButtonWait();
    if (!fieldsValid_) {
        listener_->showMessage(lastChecked_ ? fieldMessage(*lastChecked_, kInvalidFieldMessage)
                                            : kInvalidFieldMessage);
        return;
    }
    load();
    const parameters::WriteLineSpeed& speed =
        parameters::writeLineSpeed(mainWindow_.lineSpeedText());
    port_.setSettings(speed.settings);
    lineSettings_ = speed.settings;
    timer_.setInterval(speed.timerIntervalMs);
    tickMs_ = speed.timerIntervalMs;
    const auto command = parameters::startCommand(exchange_.station());
    for (std::size_t i = 0; i < command.size(); ++i) {
        if (i > 0) {
            pacer_.pauseAfterByte(speed.pauseCount, lineSettings_);
        }
        port_.writeByte(command[i]);
    }
    traffic_.record(commissioning::Line::Parameter, true, command.data(), command.size(),
                    commissioning::Verdict::StartCommand);
    exchange_.startSent();
    setWriteEnabled(false);
    refreshView();
}

void WriteSession::save() {
    saved_.assign(listener_->fieldTexts());
    mainWindow_.setFirstParameterSet();
}

void WriteSession::returnToMainMenu() {
    switch (exchange_.leave(writeEnabled_)) {
        case WriteExchange::LeaveDecision::RetryLater:
            listener_->showMessage(parameters::kRetryLaterMessage);
            break;
        case WriteExchange::LeaveDecision::Stay:
            break;
        case WriteExchange::LeaveDecision::Leave:
            handBack(true);
            break;
    }
}

void WriteSession::close() {
    handBack(false);
}

void WriteSession::programEnding() {
    port_.close();
    timer_.setEnabled(false);
    gate_.dropPending(&port_);
    open_ = false;
}

void WriteSession::fieldLeft(Param param, const std::string& text) {
    const parameters::FieldCheck check = parameters::checkField(param, text);
    noteFieldCheck(param, check.fieldValid);
    if (check.message) {
        listener_->showMessage(fieldMessage(param, *check.message));
    }
    if (check.text != text) {
        listener_->showFieldText(param, check.text);
    }
}

void WriteSession::numericFieldPressed(Param param) {
    listener_->showFieldText(param, std::string());
    exchange_.disarm();
}

void WriteSession::onTick() {
    if (!open_) {
        return;
    }
    listener_->showStation(twoDigits(exchange_.station()));
    port_.discardOutput();
    port_.discardInput();
    const WriteExchange::TickResult tick = exchange_.tick();
    if (tick.writeButtonBack) {
        buttonBackDuringWrite_ = writing(exchange_.phase());
        setWriteEnabled(true);
    }
    if (tick.action == WriteExchange::TickAction::AskPassword) {
        askPassword();
    } else if (tick.action == WriteExchange::TickAction::SendStep) {
        sendStep();
    }
    refreshView();
}

void WriteSession::askPassword() {
    const std::string answer =
        listener_->askPassword(kPasswordPrompt, kPromptTitle, kPasswordDefault);
    if (const std::optional<parameters::Frame> frame = exchange_.passwordAnswered(answer)) {
        passwordGiven_ = true;
        sendFrame(*frame);
        exchange_.frameSent();
    }
}

void WriteSession::sendStep() {
    const std::uint8_t step = exchange_.variables().step;
    const parameters::ParameterTexts shown = listener_->fieldTexts();
    parameters::ParameterTexts texts = shown;
    const parameters::StepPreparation prepared = parameters::prepareStep(step, texts);
    noteFieldCheck(prepared.checked, prepared.fieldValid);
    if (prepared.refused) {
        // The field's message, then the field is emptied; this write sends nothing more.
        listener_->showMessage(fieldMessage(*prepared.refused, *prepared.message));
        showRewritten(shown, texts);
        exchange_.stopWrite();
        return;
    }
    showRewritten(shown, texts);
    sendFrame(exchange_.stepFrame(parameters::stepData(step, texts)));
    exchange_.frameSent();
}

void WriteSession::sendFrame(const parameters::Frame& frame) {
    traffic_.record(commissioning::Line::Parameter, true, frame.data(), frame.size(),
                    commissioning::Verdict::ParameterFrame, frame[1]);
    for (const std::uint8_t byte : frame) {
        port_.writeByte(byte);
        pacer_.pauseAfterByte(parameters::kFrameBytePauseCount, lineSettings_);
    }
}

void WriteSession::onNotification(int eventCode) {
    if (!open_ || eventCode != platform::kCommEventReceive) {
        return;
    }
    const std::optional<std::vector<std::uint8_t>> block = port_.readAll();
    if (!block) {
        return;
    }
    const WriteExchange::ReplyResult reply = exchange_.reply(*block);
    traffic_.record(commissioning::Line::Parameter, false, block->data(), block->size(),
                    verdictOf(reply.kind), detailOf(reply.kind, *block));
    switch (reply.kind) {
        case WriteExchange::ReplyKind::StartAcknowledged:
            startAnsweredAt_ = clock_.msecsSinceEpoch();
            passwordGiven_ = false;
            break;
        case WriteExchange::ReplyKind::Acknowledged:
            buttonBackDuringWrite_ = false;
            break;
        default:
            break;
    }
    if (reply.message != nullptr) {
        // The write's end is on show while its message is.
        refreshProgress();
        listener_->showMessage(reply.message);
    }
    switch (reply.kind) {
        case WriteExchange::ReplyKind::Completed:
            setWriteEnabled(true);
            saved_.assign(listener_->fieldTexts());
            mainWindow_.setFirstParameterSet();
            break;
        case WriteExchange::ReplyKind::TooManyPasswords:
            setWriteEnabled(true);
            handBack(true);
            return;
        default:
            break;
    }
    refreshView();
}

void WriteSession::noteFieldCheck(std::optional<Param> param, std::optional<bool> valid) {
    if (valid) {
        fieldsValid_ = *valid;
        lastChecked_ = param;
    }
}

void WriteSession::showRewritten(const parameters::ParameterTexts& before,
                                 const parameters::ParameterTexts& after) {
    for (const Param param : parameters::allParams()) {
        const std::size_t i = parameters::indexOf(param);
        if (after[i] != before[i]) {
            listener_->showFieldText(param, after[i]);
        }
    }
}

void WriteSession::setWriteEnabled(bool enabled) {
    writeEnabled_ = enabled;
    listener_->setWriteEnabled(enabled);
}

void WriteSession::handBack(bool hideFrontEnd) {
    port_.close();
    // Stopped, so that no tick acts on the closed port.
    timer_.setEnabled(false);
    if (hideFrontEnd) {
        listener_->leave();
    }
    open_ = false;
    gate_.dropPending(&port_);
    mainWindow_.takeBack();
}

void WriteSession::refreshProgress() {
    const ExchangePhase phase = exchange_.phase();
    std::string progress = progressText(phase, exchange_.variables().step, buttonBackDuringWrite_);
    if (progress != shownProgress_) {
        shownProgress_ = std::move(progress);
        listener_->showProgress(shownProgress_);
    }
    std::string secondsLeft = passwordGiven_ && meterWaiting(phase)
                                  ? secondsLeftText(clock_.msecsSinceEpoch() - startAnsweredAt_)
                                  : std::string();
    if (secondsLeft != shownSecondsLeft_) {
        shownSecondsLeft_ = std::move(secondsLeft);
        listener_->showSecondsLeft(shownSecondsLeft_);
    }
}

void WriteSession::refreshView() {
    refreshProgress();
    const int ticksLeft = kTicksUntilButtonBack - exchange_.variables().ticksSinceStart;
    std::string hint = writeEnabled_
                           ? std::string()
                           : writeButtonHint(writing(exchange_.phase()), ticksLeft, tickMs_);
    if (hint != shownHint_) {
        shownHint_ = std::move(hint);
        listener_->showWriteHint(shownHint_);
    }
}

}  // namespace session
