#include "session/polling_session.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "measurement/logging.h"
#include "measurement/presentation.h"
#include "session/port_discovery.h"

namespace session {

namespace {

const char* const kNoPortMessage = "没有可用端口，退出!";
const char* const kOpenSettings = "14400,s,8,1";
const char* const kNoStationText = "00";
constexpr int kReceiveThreshold = 10;
constexpr int kMultiStationIntervalMs = 200;
constexpr std::int32_t kPortSettleCount = 10000;
constexpr int kReopenPeriodMs = 1000;
// The newest records read at start: enough to hold the current minute of every station.
constexpr std::size_t kStoredRecordsRead = 4 * measurement::StationMemory::kStations;

bool isStation(int number) {
    return number >= 1 && number <= seriallink::kStationCount;
}

// The station of a stored record: its "仪表编号" as text, one or two digits.
std::optional<std::uint8_t> storedStation(const std::string& text) {
    if (text.empty() || text.size() > 2 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(std::stoi(text));
}

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
        case measurement::FrameCheck::ShortBlock:
            break;
    }
    return commissioning::Verdict::ShortBlock;
}

}  // namespace

PollingSession::PollingSession(const PollingServices& services) : services_(services) {
    services_.timer.setEnabled(false);
    services_.timer.setInterval(kMultiStationIntervalMs);
    platform::EventGate& gate = services_.gate;
    services_.timer.setTickHandler([this, &gate] { gate.run([this] { tick(); }); });
    services_.port.setNotificationHandler([this, &gate](int code) {
        gate.runDeferred(&services_.port, [this, code] { portNotification(code); });
    });
}

PollingSession::~PollingSession() {
    services_.timer.setTickHandler(nullptr);
    services_.port.setNotificationHandler(nullptr);
    services_.gate.dropPending(&services_.port);
}

void PollingSession::addListener(PollingListener& listener) {
    listeners_.push_back(&listener);
}

void PollingSession::removeListener(PollingListener& listener) {
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), &listener),
                     listeners_.end());
}

template <typename Call>
void PollingSession::tell(const Call& call) {
    // A listener may leave while it is told.
    const std::vector<PollingListener*> listeners = listeners_;
    for (PollingListener* listener : listeners) {
        call(*listener);
    }
}

bool PollingSession::start() {
    minuteLog_.restart();
    if (!openLine()) {
        return false;
    }
    poll_.resetUnanswered();
    readStoredMinutes();
    storeHealth_ = services_.store.health();
    if (!storeHealth_.ok()) {
        tell([this](PollingListener& l) { l.storeHealthChanged(storeHealth_); });
    }
    for (measurement::StationState& station : replies_.memory.stations) {
        station.pollingBegins();
    }
    // Polling starts at station 1 alone, as the start-up leaves it after passing through the
    // choice of every station: "00" shown, the 200 ms interval until the first tick.
    singleStationText_ = kNoStationText;
    services_.timer.setInterval(kMultiStationIntervalMs);
    ticked_ = false;
    mode_ = PollingMode::SingleStation;
    singleStation_ = 1;
    tell([](PollingListener& l) { l.modeChosen(PollingMode::SingleStation, 1); });
    publish();
    return true;
}

bool PollingSession::takeBack() {
    minuteLog_.restart();
    if (!openLine()) {
        return false;
    }
    poll_.resetUnanswered();
    for (measurement::StationState& station : replies_.memory.stations) {
        station.pollingBegins();
    }
    ticked_ = false;
    if (mode_ == PollingMode::AllStations) {
        pollAllStations();
    } else {
        pollSingleStation(singleStation_);
    }
    publish();
    return true;
}

void PollingSession::handOver() {
    services_.port.close();
    services_.timer.setEnabled(false);
    state_ = SessionState::HandedOver;
    // A reply that came while the operator was asked belongs to polling, which ends here.
    services_.gate.dropPending(&services_.port);
}

void PollingSession::stop() {
    services_.port.close();
    services_.timer.setEnabled(false);
    state_ = SessionState::Stopped;
}

void PollingSession::pollSingleStation(std::uint8_t station) {
    if (!isStation(station)) {
        pollAllStations();
        return;
    }
    if (mode_ == PollingMode::SingleStation && station != singleStation_) {
        beginPolling(station);
    }
    mode_ = PollingMode::SingleStation;
    singleStation_ = station;
    tell([station](PollingListener& l) { l.modeChosen(PollingMode::SingleStation, station); });
    publish();
}

void PollingSession::pollAllStations() {
    if (mode_ == PollingMode::SingleStation) {
        for (std::uint8_t station = 1; station <= seriallink::kStationCount; ++station) {
            if (station != singleStation_) {
                beginPolling(station);
            }
        }
    }
    mode_ = PollingMode::AllStations;
    singleStationText_ = kNoStationText;
    // Until the next tick applies the line speed.
    services_.timer.setInterval(kMultiStationIntervalMs);
    tell([this](PollingListener& l) { l.modeChosen(PollingMode::AllStations, singleStation_); });
    publish();
}

void PollingSession::beginPolling(std::uint8_t station) {
    if (measurement::StationState* state = replies_.memory.find(station)) {
        state->pollingBegins();
    }
}

void PollingSession::setLineSpeed(const std::string& text) {
    lineSpeed_ = text;
}

int PollingSession::portNumber() const {
    return ports_.empty() ? 0 : ports_[std::min(portInUse_, ports_.size() - 1)].number;
}

bool PollingSession::openLine() {
    ports_ = discoverPorts(services_.port);
    const auto config = services_.files.readStart(kConfigFile, kConfigBytes);
    if (ports_.empty()) {
        state_ = SessionState::Stopped;
        tell([this](PollingListener& l) { l.portsFound(ports_, 0); });
        tell([](PollingListener& l) { l.messageRequested(kNoPortMessage); });
        return false;
    }
    portInUse_ = chosenPort(config, ports_.size());
    tell([this](PollingListener& l) { l.portsFound(ports_, portInUse_); });
    openChosenPort();
    poll_.restart();
    indicators_ = Indicators{};
    services_.timer.setEnabled(true);
    reopenWaitMs_ = 0;
    // The time the line was away is no request period.
    requestsTimed_ = 0;
    state_ = SessionState::Polling;
    return true;
}

void PollingSession::openChosenPort() {
    platform::SerialPort& port = services_.port;
    port.close();
    port.setPortNumber(portNumber());
    port.close();
    services_.pacer.settle(kPortSettleCount);
    // A port that was usable a moment ago but fails to open now leaves polling running: every
    // port step fails quietly, the display blanks after ten ticks, and the ticks try the port
    // again (reopenAfterFailure).
    [[maybe_unused]] const bool opened = openWithStationSettings();
}

bool PollingSession::openWithStationSettings() {
    platform::SerialPort& port = services_.port;
    if (!port.open()) {
        return false;
    }
    port.setHandshakingNone();
    port.setSendThreshold(0);
    port.setReceiveThreshold(kReceiveThreshold);
    port.setSettings(kOpenSettings);
    port.setBinaryInput();
    return true;
}

void PollingSession::reopenAfterFailure() {
    // The device went away under the open port (an adapter pulled out) or did not open: the same
    // device is tried again once a second of ticks, and polling goes on as soon as it opens.
    reopenWaitMs_ += services_.timer.interval();
    if (reopenWaitMs_ < kReopenPeriodMs) {
        return;
    }
    reopenWaitMs_ = 0;
    [[maybe_unused]] const bool opened = openWithStationSettings();
}

void PollingSession::tick() {
    if (state_ != SessionState::Polling) {
        return;
    }
    if (!services_.port.isOpen()) {
        reopenAfterFailure();
    }
    ticked_ = true;
    if (const auto minute = measurement::minuteOfHour(services_.clock.timeText())) {
        measurement::MinuteLog::forgetOldAnswers(*minute, replies_.memory);
    }
    sendRequest();
    if (poll_.silentTooLong()) {
        indicators_ = Indicators{};
        replies_.display.blankMeasurement();
    }
    publish();
}

void PollingSession::sendRequest() {
    platform::SerialPort& port = services_.port;
    platform::Pacer& pacer = services_.pacer;
    port.discardOutput();
    port.discardInput();
    poll_.countRequest();
    timeRequest();
    const seriallink::PollLineSpeed& speed = seriallink::pollLineSpeed(lineSpeed_);
    port.setSettings(speed.settings);
    services_.timer.setInterval(speed.timerIntervalMs);

    port.writeByte(seriallink::kPollStart);
    pacer.pauseAfterByte(speed.delayCount, speed.settings);
    const seriallink::PollState::StationChoice choice =
        poll_.chooseStation(mode_ == PollingMode::SingleStation, singleStation_);
    if (const std::uint8_t silenced = replies_.requestSent(choice.station)) {
        tell([silenced](PollingListener& l) { l.stationSilent(silenced); });
    }
    if (choice.moved) {
        indicators_ = Indicators{};
    }
    if (mode_ == PollingMode::AllStations && isStation(choice.station)) {
        indicators_[choice.station - 1U].enabled = true;
    }
    port.writeByte(choice.station);
    pacer.pauseAfterByte(speed.delayCount, speed.settings);
    const std::uint8_t command = poll_.takeCommand();
    port.writeByte(command);
    pacer.pauseAfterByte(speed.delayCount, speed.settings);
    port.writeByte(seriallink::kPollEnd);
    // The request has left the adapter. Whatever waits now, or was announced while the bytes went
    // out, answers an earlier request: only bytes that come after this are the reply.
    port.discardInput();
    services_.gate.dropPending(&port);

    const std::uint8_t request[] = {seriallink::kPollStart, choice.station, command,
                                    seriallink::kPollEnd};
    services_.traffic.record(commissioning::Line::Main, true, request, sizeof request,
                             commissioning::Verdict::Poll);
}

void PollingSession::portNotification(int eventCode) {
    if (state_ != SessionState::Polling) {
        return;
    }
    bool logging = true;
    if (eventCode == platform::kCommEventReceive) {
        services_.timer.setEnabled(false);
        logging = takeReply();
    }
    // The displays show the reply before the logging step writes what they show.
    publish();
    if (logging) {
        logOpportunity();
    }
    services_.timer.setEnabled(true);
}

bool PollingSession::takeReply() {
    poll_.resetUnanswered();
    // A read that fails gives no bytes: no reply.
    const std::vector<std::uint8_t> block =
        services_.port.readAll().value_or(std::vector<std::uint8_t>{});
    const std::uint8_t station = poll_.station();
    const std::uint8_t command = poll_.lastCommand();
    const measurement::ReplyOutcome outcome = replies_.receive(
        block, station, command, services_.clock.timeText(), services_.clock.msecsSinceEpoch());
    services_.traffic.record(commissioning::Line::Main, false, block.data(), block.size(),
                             verdictOf(outcome.check), command);
    if (outcome.stationBack) {
        tell([station](PollingListener& l) { l.stationBack(station); });
    }
    if (outcome.check != measurement::FrameCheck::Valid) {
        return false;
    }
    if (mode_ == PollingMode::SingleStation) {
        indicators_ = Indicators{};
        singleStationText_ = measurement::singleStationText(station);
    } else {
        lightIndicator(isStation(station) ? station : 0);
    }
    if (const measurement::StationState* state = replies_.memory.find(station)) {
        tell([station, state](PollingListener& l) { l.stationAnswered(station, *state); });
        if (outcome.cycleCompleted) {
            tell(
                [station, state](PollingListener& l) { l.stationCycleCompleted(station, *state); });
        }
    }
    return true;
}

void PollingSession::lightIndicator(std::uint8_t station) {
    for (std::size_t i = 0; i < indicators_.size(); ++i) {
        const bool lit = i + 1 == station;
        indicators_[i] = Indicator{lit, lit};
    }
}

void PollingSession::logOpportunity() {
    platform::Clock& clock = services_.clock;
    const auto minute = measurement::minuteOfHour(clock.timeText());
    if (!minute) {
        return;
    }
    const std::vector<std::uint8_t> due = minuteLog_.due(*minute, replies_.memory);
    if (due.empty()) {
        return;
    }
    // The clock is read again for the record, so a record written at the very end of a minute
    // may carry the next minute.
    const std::string time = measurement::hoursAndMinutes(clock.timeText());
    const std::string date = clock.dateText();
    const std::string stamp = date + "/" + time;
    std::vector<std::uint8_t> stations;  // whose records these are
    std::vector<records::MeasurementRecord> unstored;
    for (const std::uint8_t station : due) {
        if (minuteLog_.isStored(station, stamp)) {
            continue;
        }
        const measurement::StationState& state = *replies_.memory.find(station);
        stations.push_back(station);
        unstored.push_back(
            measurement::composeRecord(state.texts, station, state.alarmText, date, time));
    }
    if (unstored.empty()) {
        return;
    }
    // The records due together are stored together.
    const std::vector<bool> stored = services_.store.appendAll(unstored);
    for (std::size_t i = 0; i < stations.size() && i < stored.size(); ++i) {
        if (stored[i]) {
            minuteLog_.stored(stations[i], stamp);
        }
    }
    reportStoreHealth();
}

void PollingSession::readStoredMinutes() {
    const auto newest = services_.store.newest(records::RecordFilter{}, kStoredRecordsRead);
    if (!newest) {
        return;
    }
    for (const records::StoredRecord& record : *newest) {
        if (const auto station = storedStation(record.fields[0])) {
            minuteLog_.stored(*station, record.fields[1]);
        }
    }
}

void PollingSession::reportStoreHealth() {
    const records::StoreHealth health = services_.store.health();
    const bool tellIt = !health.ok() || !storeHealth_.ok() || !appendedBefore_;
    appendedBefore_ = true;
    storeHealth_ = health;
    if (tellIt) {
        tell([this](PollingListener& l) { l.storeHealthChanged(storeHealth_); });
    }
}

void PollingSession::timeRequest() {
    const std::int64_t now = services_.clock.msecsSinceEpoch();
    if (requestsTimed_ == 0) {
        timedFromMsecs_ = now;
    }
    if (++requestsTimed_ > seriallink::kCommandCount) {
        requestPeriodMsecs_ = (now - timedFromMsecs_) / seriallink::kCommandCount;
        timedFromMsecs_ = now;
        requestsTimed_ = 1;
    }
}

bool PollingSession::pollsStation(std::uint8_t station) const {
    return state_ == SessionState::Polling && isStation(station) &&
           (mode_ == PollingMode::AllStations || station == singleStation_);
}

std::int64_t PollingSession::roundMsecs() const {
    const std::int64_t stations = mode_ == PollingMode::AllStations ? seriallink::kStationCount : 1;
    const std::int64_t period = std::max<std::int64_t>(
        requestPeriodMsecs_, seriallink::pollLineSpeed(lineSpeed_).timerIntervalMs);
    return seriallink::kCommandCount * stations * period;
}

void PollingSession::publish() {
    if (replies_.display != shownDisplay_) {
        shownDisplay_ = replies_.display;
        tell([this](PollingListener& l) { l.displayChanged(shownDisplay_); });
    }
    if (indicators_ != shownIndicators_) {
        shownIndicators_ = indicators_;
        tell([this](PollingListener& l) { l.indicatorsChanged(shownIndicators_); });
    }
    if (singleStationText_ != shownSingleStationText_) {
        shownSingleStationText_ = singleStationText_;
        tell([this](PollingListener& l) { l.singleStationTextChanged(shownSingleStationText_); });
    }
}

}  // namespace session
