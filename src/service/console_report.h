#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "measurement/station_memory.h"
#include "platform/clock.h"
#include "session/polling_listener.h"

namespace service {

// What the line at the start of polling says.
struct StartFacts {
    std::string port;       // "COM1 (/dev/ttyUSB0)", or the device the command line named
    std::string lineSpeed;  // "9600"
    bool multiStation = false;
    std::uint8_t station = 1;  // polled alone unless multiStation
    std::string store;         // "kvt97.mdb", or the server's table
};

// Lines on standard error about a polling session, for whoever started the program from a
// terminal or a service manager (systemd's journal takes them as they are): each new reason why
// records are not stored and their return, and without windows also the start, the messages meant
// for the operator, stations going silent and answering again, and a summary at the end. One line
// each, after the program's name, no colour.
class ConsoleReport final : public session::PollingListener {
  public:
    enum class Scope { StoreOnly, Everything };

    ConsoleReport(std::ostream& out, platform::Clock& clock, Scope scope, std::string program);

    // Polling has started; the summary counts the time from here.
    void started(const StartFacts& facts);
    // The summary: the time since started(), the requests and valid replies of every station,
    // the records stored, and each station that went silent, how often and whether it still is.
    void ended(const measurement::StationMemory& stations, std::int64_t recordsStored);

    void storeHealthChanged(const records::StoreHealth& health) override;
    void messageRequested(const std::string& text) override;
    void stationSilent(std::uint8_t station) override;
    void stationBack(std::uint8_t station) override;

  private:
    std::ostream& line();

    std::ostream& out_;
    platform::Clock& clock_;
    Scope scope_;
    std::string program_;
    std::optional<records::StoreHealth> printed_;  // the reason printed last, while it lasts
    std::int64_t startedMsecs_ = 0;
    std::array<int, measurement::StationMemory::kStations> silences_{};
};

}  // namespace service
