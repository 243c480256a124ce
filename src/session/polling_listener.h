#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "measurement/display_texts.h"
#include "measurement/station_memory.h"
#include "records/store.h"

namespace session {

// A station indicator of the main window; indicator i stands for station i + 1.
struct Indicator {
    bool checked = false;
    bool enabled = false;

    friend bool operator==(const Indicator& a, const Indicator& b) {
        return a.checked == b.checked && a.enabled == b.enabled;
    }
};
using Indicators = std::array<Indicator, 16>;

// A serial port that opened during discovery.
struct PortEntry {
    int number = 0;      // 1 to 10
    std::string name;    // "COM5"
    std::string device;  // "/dev/ttyUSB0"; empty when the platform names none
};

enum class PollingMode { SingleStation, AllStations };

// What a polling session tells those who show or pass on what it does: the main window, a
// service's log, a gateway. Every call comes on the session's thread, from inside the handler
// that caused it; a listener shows or copies what it needs and returns.
class PollingListener {
  public:
    virtual ~PollingListener() = default;

    // The texts of the measurement displays changed.
    virtual void displayChanged(const measurement::DisplayTexts& /*texts*/) {}
    virtual void indicatorsChanged(const Indicators& /*indicators*/) {}
    // The number shown for single-station operation ("00", "07").
    virtual void singleStationTextChanged(const std::string& /*text*/) {}
    // The usable ports were found again, and which of them is in use.
    virtual void portsFound(const std::vector<PortEntry>& /*ports*/, std::size_t /*inUse*/) {}
    // Polling goes to `station` alone, or to every station in turn. Told on every choice, also
    // when it confirms the mode that was in force.
    virtual void modeChosen(PollingMode /*mode*/, std::uint8_t /*station*/) {}
    // A message for the operator, with an OK button ("没有可用端口，退出!").
    virtual void messageRequested(const std::string& /*text*/) {}
    // Whether records are being stored: after the first append of the run, after every append
    // while they are not, and once when they are again; at start when they cannot be.
    virtual void storeHealthChanged(const records::StoreHealth& /*health*/) {}
    virtual void stationSilent(std::uint8_t /*station*/) {}
    virtual void stationBack(std::uint8_t /*station*/) {}
    // A valid reply of `station` (1 to 16) has been taken into its state.
    virtual void stationAnswered(std::uint8_t /*station*/,
                                 const measurement::StationState& /*state*/) {}
    // All nine kinds of values of `station` have come since its last cycle: its latest values,
    // their texts and the time of its last valid reply.
    virtual void stationCycleCompleted(std::uint8_t /*station*/,
                                       const measurement::StationState& /*state*/) {}
};

}  // namespace session
