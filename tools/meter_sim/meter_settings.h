#pragma once

#include <cstdint>
#include <optional>

namespace meter_sim {

// Configuration of one meter as the parameter write sets it. Codes are the wire codes of the
// option lists; the numbers are the values the digits of the write steps stand for.
struct MeterSettings {
    std::uint8_t diameterCode = 12;      // DN100
    int rangeValue = 28274;              // five digits
    std::uint8_t rangeExponentCode = 7;  // 10^-2, so the range is 282.74
    std::uint8_t rangeUnitCode = 2;      // m3/h
    std::uint8_t dampingCode = 3;        // 1.0 s
    std::uint8_t flowDirection = 0;      // 0 forward, 1 reversed
    std::uint8_t cutoffFlag = 0;         // 0 allowed, 1 disabled
    double cutoffPercent = 0.5;
    std::uint8_t totalizerUnitCode = 5;  // 0.01 m3
    std::uint8_t outputMode = 0;         // 0 frequency, 1 pulse
    int frequencyRangeHz = 2000;
    std::uint8_t pulseEquivalentCode = 2;
    std::uint8_t upperAlarmFlag = 0;
    double upperAlarmPermille = 900.0;
    std::uint8_t lowerAlarmFlag = 0;
    double lowerAlarmPermille = 50.0;
    double zeroCorrection = 0.0;  // m/s, added to the measured velocity
    double sensorCoefficient = 1.0;
    double flowMultiplier = 1.0;
};

constexpr std::uint8_t kDiameterCodeCount = 39;
constexpr std::uint8_t kDampingCodeCount = 15;
constexpr std::uint8_t kTotalizerUnitCodeCount = 24;
constexpr std::uint8_t kPulseEquivalentCodeCount = 10;

// Pipe diameter in millimetres of a diameter code below kDiameterCodeCount.
[[nodiscard]] int diameterMm(std::uint8_t diameterCode);

// Damping time constant in seconds of a damping code below kDampingCodeCount.
[[nodiscard]] double dampingSeconds(std::uint8_t dampingCode);

// Power of ten of a range exponent code: 0..5 are +0..+5, 6 is -1, 7 is -2.
[[nodiscard]] std::optional<int> rangeExponent(std::uint8_t exponentCode);

// How a range unit is measured and reported. The reply table has no gallon units, so gallon
// ranges report litres per the same time unit. Mass units assume water (1 t per m3).
struct RangeUnit {
    double perCubicMetrePerSecond;  // range units in 1 m3/s
    std::uint8_t flowUnitCode;      // flow unit code of the reply
    double reportedPerCubicMetrePerSecond;
};
// Only the low four bits of the code count: the unit shares its byte with the exponent.
[[nodiscard]] RangeUnit rangeUnit(std::uint8_t rangeUnitCode);

// How a totalizer unit is reported: the total unit code of the reply (unit and resolution)
// and the number of those units in 1 m3. Gallon totalizers count litres.
struct TotalUnit {
    std::uint8_t totalUnitCode;
    double perCubicMetre;
};
[[nodiscard]] std::optional<TotalUnit> totalUnit(std::uint8_t totalizerUnitCode);

}  // namespace meter_sim
