#pragma once

#include <cstdint>

#include "frame.h"
#include "meter_settings.h"
#include "reply_encoder.h"

namespace meter_sim {

// One simulated meter. Time is given from outside, in seconds since the line came up, and only
// moves forward. The flow follows a slow swing of the percentage of range with a faster ripple,
// dips below zero now and then, and is damped and cut off as configured; the totals integrate
// it. Empty-pipe, excitation and electrode faults come on for a few seconds at fixed intervals
// that differ per station.
class MeterModel {
  public:
    explicit MeterModel(std::uint8_t station);

    // Moves the meter's clock forward to the given time; earlier times are ignored.
    void advanceTo(double seconds);

    [[nodiscard]] Frame reply(Command command) const;

    [[nodiscard]] std::uint8_t station() const { return station_; }
    [[nodiscard]] const MeterSettings& settings() const { return settings_; }
    void setSettings(const MeterSettings& settings) { settings_ = settings; }

    // Flow in m3/s after damping and cut-off; positive forward.
    [[nodiscard]] double flowCubicMetresPerSecond() const;
    [[nodiscard]] double percentOfRange() const;
    [[nodiscard]] double forwardTotalCubicMetres() const { return forwardM3_; }
    [[nodiscard]] double reverseTotalCubicMetres() const { return reverseM3_; }
    [[nodiscard]] std::uint8_t alarmBits() const;

  private:
    [[nodiscard]] double measuredPercent(double seconds) const;
    [[nodiscard]] double rangeCubicMetresPerSecond() const;
    [[nodiscard]] double pipeAreaSquareMetres() const;
    [[nodiscard]] bool faultWindow(double period, double offset, double length) const;
    [[nodiscard]] bool emptyPipe() const;
    [[nodiscard]] double resistanceKiloOhm() const;
    void step(double dt);

    std::uint8_t station_;
    MeterSettings settings_;
    double seconds_ = 0.0;
    double dampedPercent_ = 0.0;
    double forwardM3_;
    double reverseM3_;
};

}  // namespace meter_sim
