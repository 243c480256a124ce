#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "commissioning/traffic_log.h"
#include "link/polling.h"
#include "measurement/minute_log.h"
#include "measurement/reply_pipeline.h"
#include "platform/clock.h"
#include "platform/event_gate.h"
#include "platform/file_reader.h"
#include "platform/pacer.h"
#include "platform/serial_port.h"
#include "platform/timer.h"
#include "records/store.h"
#include "session/polling_listener.h"

namespace session {

// What a polling session works with; every collaborator outlives the session.
struct PollingServices {
    platform::SerialPort& port;
    platform::Timer& timer;
    platform::Pacer& pacer;
    platform::Clock& clock;
    platform::FileReader& files;  // "config.dat"
    records::Store& store;
    commissioning::TrafficLog& traffic;  // every request and received block
    platform::EventGate& gate;           // the session's tick and port handlers enter through it
};

// Polling runs with the port open and the poll timer going; while another part of the program
// has the line it is handed over (port closed, no handler acts) until it is taken back; stopped
// is for good.
enum class SessionState { Stopped, Polling, HandedOver };

// Polls the meters on one serial line: finds the port, sends one request per timer tick, checks
// and decodes the replies, keeps every station's values and logs a record of each answering
// station once a minute. It tells its listeners what is to be shown and takes the operator's
// intents as calls.
class PollingSession {
  public:
    explicit PollingSession(const PollingServices& services);
    ~PollingSession();
    PollingSession(const PollingSession&) = delete;
    PollingSession& operator=(const PollingSession&) = delete;

    void addListener(PollingListener& listener);
    void removeListener(PollingListener& listener);

    // Intents. start: finds the usable ports, opens the one "config.dat" picks and polls station
    // 1 alone. False when no port is usable (the operator is asked to read the message and the
    // program ends).
    [[nodiscard]] bool start();
    void pollSingleStation(std::uint8_t station);
    void pollAllStations();
    // The line speed as the operator typed or picked it ("9600"); the next request uses it.
    void setLineSpeed(const std::string& text);
    // Gives up the line to another part of the program: the port closes, polling stops, and a
    // notification that waits in the gate is dropped.
    void handOver();
    // Takes the line back: finds and opens the port again and polls as before the hand-over, in
    // the same mode and at the same station. False when no port is usable.
    [[nodiscard]] bool takeBack();
    void stop();

    // Handlers; the timer and the port enter them through the gate.
    void tick();
    void portNotification(int eventCode);

    [[nodiscard]] SessionState state() const { return state_; }
    [[nodiscard]] PollingMode mode() const { return mode_; }
    [[nodiscard]] std::uint8_t singleStation() const { return singleStation_; }
    // A request has gone out since polling (re)started.
    [[nodiscard]] bool hasTicked() const { return ticked_; }
    // The port number in use (or last used), 0 before any port was found.
    [[nodiscard]] int portNumber() const;
    [[nodiscard]] const std::vector<PortEntry>& ports() const { return ports_; }
    [[nodiscard]] const std::string& lineSpeed() const { return lineSpeed_; }
    [[nodiscard]] const seriallink::PollState& polling() const { return poll_; }
    [[nodiscard]] const measurement::DisplayTexts& display() const { return replies_.display; }
    [[nodiscard]] const measurement::StationMemory& stations() const { return replies_.memory; }
    [[nodiscard]] const Indicators& indicators() const { return indicators_; }
    [[nodiscard]] const std::string& singleStationText() const { return singleStationText_; }
    // Whether records are being stored, as last told.
    [[nodiscard]] const records::StoreHealth& storeHealth() const { return storeHealth_; }
    // Polling goes on and the mode in force takes in `station`.
    [[nodiscard]] bool pollsStation(std::uint8_t station) const;
    // Milliseconds a round over the stations polled now takes: nine requests to each, at the
    // period of the latest nine requests, or at least the poll timer's interval.
    [[nodiscard]] std::int64_t roundMsecs() const;

  private:
    [[nodiscard]] bool openLine();
    void openChosenPort();
    [[nodiscard]] bool openWithStationSettings();
    void reopenAfterFailure();
    void sendRequest();
    // The reply's part of a receive notification; true for a valid reply.
    [[nodiscard]] bool takeReply();
    void logOpportunity();
    void readStoredMinutes();
    void reportStoreHealth();
    void beginPolling(std::uint8_t station);
    void choose(PollingMode mode, std::uint8_t station);
    void lightIndicator(std::uint8_t station);
    void publish();
    void timeRequest();

    template <typename Call>
    void tell(const Call& call);

    PollingServices services_;
    std::vector<PollingListener*> listeners_;
    SessionState state_ = SessionState::Stopped;
    PollingMode mode_ = PollingMode::SingleStation;
    std::uint8_t singleStation_ = 1;
    std::string lineSpeed_ = "14400";
    bool ticked_ = false;
    int reopenWaitMs_ = 0;  // tick time since the port was last tried while it is not open

    std::vector<PortEntry> ports_;
    std::size_t portInUse_ = 0;

    // The request period, timed over nine requests at a time.
    std::int64_t requestPeriodMsecs_ = 0;
    std::int64_t timedFromMsecs_ = 0;  // the request the current timing began with
    int requestsTimed_ = 0;            // since then; 0: the next request begins a timing

    seriallink::PollState poll_;
    measurement::ReplyPipeline replies_;
    measurement::MinuteLog minuteLog_;
    Indicators indicators_{};
    std::string singleStationText_ = "00";
    records::StoreHealth storeHealth_;
    bool appendedBefore_ = false;  // a record was offered to the store in this run

    // What the listeners were told last, so that they hear of changes only.
    measurement::DisplayTexts shownDisplay_;
    Indicators shownIndicators_{};
    std::string shownSingleStationText_ = "00";
};

}  // namespace session
