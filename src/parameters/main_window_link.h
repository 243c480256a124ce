#pragma once

#include <cstdint>
#include <string>

namespace parameters {

// What the parameter window uses of the main window, which opened it and takes control back.
class MainWindowLink {
  public:
    virtual ~MainWindowLink() = default;
    // The station to configure, 1 to 16.
    [[nodiscard]] virtual std::uint8_t parameterStation() const = 0;
    // The port number the main window released when it handed over.
    [[nodiscard]] virtual int releasedPortNumber() const = 0;
    // The line speed chosen on the main window, as typed or picked.
    [[nodiscard]] virtual std::string lineSpeedText() const = 0;
    // Whether a parameter set was written or saved during this run.
    [[nodiscard]] virtual bool firstParameterSet() const = 0;
    virtual void setFirstParameterSet() = 0;
    // Enables the main window, runs its start-up (port discovery, polling) and shows it.
    virtual void takeBack() = 0;
};

}  // namespace parameters
