#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "session/polling_listener.h"

namespace shell {

// Lines on standard error about a polling session, for whoever started the program from a
// terminal or a service manager: each new reason why records are not stored and their return,
// and without windows also the messages meant for the operator and stations going silent and
// answering again. One line each, no colour.
class ConsoleReport final : public session::PollingListener {
  public:
    enum class Scope { StoreOnly, Everything };

    ConsoleReport(std::ostream& out, Scope scope) : out_(out), scope_(scope) {}

    void storeHealthChanged(const records::StoreHealth& health) override;
    void messageRequested(const std::string& text) override;
    void stationSilent(std::uint8_t station) override;
    void stationBack(std::uint8_t station) override;

  private:
    std::ostream& out_;
    Scope scope_;
    std::string reason_;  // of the records not being stored, as last printed; empty while they are
};

}  // namespace shell
