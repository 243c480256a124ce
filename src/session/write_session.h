#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "commissioning/traffic_log.h"
#include "parameters/main_window_link.h"
#include "parameters/parameter_frame.h"
#include "parameters/parameter_set.h"
#include "parameters/write_exchange.h"
#include "platform/clock.h"
#include "platform/event_gate.h"
#include "platform/pacer.h"
#include "platform/serial_port.h"
#include "platform/timer.h"

namespace session {

// What a front end of a parameter write shows, and what it is asked. Every call comes on the
// thread that runs the session, inside one of its handlers.
class WriteSessionListener {
  public:
    virtual ~WriteSessionListener() = default;
    // The nineteen texts the operator sees now, in the fixed order.
    [[nodiscard]] virtual parameters::ParameterTexts fieldTexts() const = 0;
    // A field's text was rewritten: formatted, padded, given its sign, or emptied.
    virtual void showFieldText(parameters::Param param, const std::string& text) = 0;
    // The station being configured, two digits.
    virtual void showStation(const std::string& text) = 0;
    // A message with an OK button; returns once the operator has closed it.
    virtual void showMessage(const std::string& text) = 0;
    // Asks for the password and returns the typed text, empty when cancelled.
    virtual std::string askPassword(const std::string& prompt, const std::string& title,
                                    const std::string& defaultAnswer) = 0;
    virtual void setWriteEnabled(bool enabled) = 0;
    // Why and how long the write button stays disabled; empty while it is enabled.
    virtual void showWriteHint(const std::string& text) = 0;
    // How far the write has come; empty before the first write.
    virtual void showProgress(const std::string& text) = 0;
    // The seconds the meter still accepts parameters; empty when no write is waiting for them.
    virtual void showSecondsLeft(const std::string& text) = 0;
    // The line went back to the main window: the front end goes out of sight.
    virtual void leave() = 0;
};

// What the session works with; every collaborator outlives it.
struct WriteSessionServices {
    platform::SerialPort& port;  // the line of the parameter write, released by polling
    platform::Timer& timer;
    platform::Pacer& pacer;
    platform::Clock& clock;
    platform::EventGate& gate;               // every tick and port notification enters through it
    parameters::SavedParameters& saved;      // outlives every session
    parameters::MainWindowLink& mainWindow;  // station, port, line speed, and the way back
    commissioning::TrafficLog& traffic;      // every request and reply, for the monitor
};

// A parameter write to one meter over the line polling has released: the port, the timer that
// drives the exchange, the pacing of the bytes, the checks and rewriting of the field texts, the
// start command and the frames of every step, the meter's replies, the saved set, and the way back
// to polling. The listener shows what the session says and answers its questions; the front end
// passes the operator's intents (the methods below) through the event gate.
class WriteSession {
  public:
    explicit WriteSession(const WriteSessionServices& services);
    ~WriteSession();
    WriteSession(const WriteSession&) = delete;
    WriteSession& operator=(const WriteSession&) = delete;

    // The front end that shows this session; none shows nothing and has every field empty.
    void setListener(WriteSessionListener* listener);

    // Opens the port the main window released, loads the defaults while nothing was written or
    // saved during this run, starts the timer and starts the exchange afresh. Runs on every
    // opening and at the start of every write.
    void load();
    // "远程设置": checks the fields, sends the start command and lets the ticks run the write.
    void startWrite();
    // "保存本次设置": the texts shown become the saved set.
    void save();
    // "返回主菜单": hands the line back unless a write holds it.
    void returnToMainMenu();
    // The operator closed the front end: the line goes back whatever the write's state.
    void close();
    // The program is ending: the port is released and nothing is handed back.
    void programEnding();
    // The operator left a field with this text for another control.
    void fieldLeft(parameters::Param param, const std::string& text);
    // A mouse button was pressed on a numeric field: it is emptied and a frame that is due is not
    // sent.
    void numericFieldPressed(parameters::Param param);

    [[nodiscard]] const parameters::ParameterTexts& savedTexts() const { return saved_.texts(); }
    // Loaded and not handed back: ticks, replies and field checks act.
    [[nodiscard]] bool isOpen() const { return open_; }

  private:
    // The listener of a session nobody shows: every field empty, the password cancelled.
    class NoListener final : public WriteSessionListener {
      public:
        parameters::ParameterTexts fieldTexts() const override { return {}; }
        void showFieldText(parameters::Param, const std::string&) override {}
        void showStation(const std::string&) override {}
        void showMessage(const std::string&) override {}
        std::string askPassword(const std::string&, const std::string&,
                                const std::string&) override {
            return {};
        }
        void setWriteEnabled(bool) override {}
        void showWriteHint(const std::string&) override {}
        void showProgress(const std::string&) override {}
        void showSecondsLeft(const std::string&) override {}
        void leave() override {}
    };

    void onTick();
    void onNotification(int eventCode);
    void askPassword();
    void sendStep();
    void sendFrame(const parameters::Frame& frame);
    void noteFieldCheck(std::optional<parameters::Param> param, std::optional<bool> valid);
    void showRewritten(const parameters::ParameterTexts& before,
                       const parameters::ParameterTexts& after);
    void setWriteEnabled(bool enabled);
    void handBack(bool hideFrontEnd);
    // Tells the listener what changed of the progress and the seconds left.
    void refreshProgress();
    // As refreshProgress, and the write button's hint.
    void refreshView();

    platform::SerialPort& port_;
    platform::Timer& timer_;
    platform::Pacer& pacer_;
    platform::Clock& clock_;
    platform::EventGate& gate_;
    parameters::SavedParameters& saved_;
    parameters::MainWindowLink& mainWindow_;
    commissioning::TrafficLog& traffic_;
    NoListener noListener_;
    WriteSessionListener* listener_ = &noListener_;

    parameters::WriteExchange exchange_;
    bool open_ = false;
    bool writeEnabled_ = true;
    // No write starts while the decimal field checked last was rejected; that field is named.
    bool fieldsValid_ = true;
    std::optional<parameters::Param> lastChecked_;
    std::string lineSettings_;  // as last given to the port; each pause lasts a character at it
    int tickMs_ = 0;
    // The write button came back by the count while the write had not ended.
    bool buttonBackDuringWrite_ = false;
    // When the meter answered the start command; the seconds left count from there once the
    // password has been given.
    std::int64_t startAnsweredAt_ = 0;
    bool passwordGiven_ = false;
    // What the listener shows now, so that it hears of changes only.
    std::string shownProgress_;
    std::string shownSecondsLeft_;
    std::string shownHint_;
};

}  // namespace session
