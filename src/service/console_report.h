#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "platform/clock.h"
#include "session/polling_listener.h"

namespace shell {

// Lines on standard error about a polling session, for whoever started the program from a
// terminal or a service manager: each new reason why records are not stored and their return,
// and without windows also the messages meant for the operator and stations going silent and
// answering again. One line each, no colour.
class ConsoleReport final : public session::PollingListener {
  public:
    enum class Scope { StoreOnly, Everything };

    ConsoleReport(std::ostream& out, platform::Clock& clock, Scope scope)
        : out_(out), clock_(clock), scope_(scope) {}

    void storeHealthChanged(const records::StoreHealth& health) override;
    void messageRequested(const std::string& text) override;
    void stationSilent(std::uint8_t station) override;
    void stationBack(std::uint8_t station) override;

  private:
    std::ostream& out_;
    platform::Clock& clock_;
    Scope scope_;
    std::optional<records::StoreHealth> printed_;  // the reason printed last, while it lasts
};

}  // namespace shell
