#include "meter_settings.h"

#include <array>

namespace meter_sim {
namespace {

constexpr std::array<int, kDiameterCodeCount> kDiametersMm = {
    3,    6,    8,    10,   15,   20,   25,   32,   40,   50,   65,   80,   100,
    125,  150,  200,  250,  300,  350,  400,  450,  500,  600,  700,  800,  900,
    1000, 1100, 1200, 1300, 1400, 1600, 1800, 2000, 2200, 2400, 2600, 2800, 3000};

constexpr std::array<double, kDampingCodeCount> kDampingSeconds = {
    0.2, 0.5, 0.8, 1.0, 2.0, 3.0, 4.0, 5.0, 6.0, 8.0, 10.0, 20.0, 30.0, 50.0, 100.0};

constexpr double kLitresPerUsGallon = 3.785411784;
constexpr double kLitresPerImperialGallon = 4.54609;
constexpr double kMinute = 60.0;
constexpr double kHour = 3600.0;

// Flow unit codes of the reply: m3 0..3, L 4..7, t 8..11, kg 12..15 (per s, min, h, d).
constexpr std::array<RangeUnit, 16> kRangeUnits = {{
    {1.0, 0, 1.0},                                                       // m3/s
    {kMinute, 1, kMinute},                                               // m3/m
    {kHour, 2, kHour},                                                   // m3/h
    {1000.0, 4, 1000.0},                                                 // L/s
    {1000.0 * kMinute, 5, 1000.0 * kMinute},                             // L/m
    {1000.0 * kHour, 6, 1000.0 * kHour},                                 // L/h
    {1000.0 * kMinute / kLitresPerUsGallon, 5, 1000.0 * kMinute},        // USg/m
    {1000.0 * kHour / kLitresPerUsGallon, 6, 1000.0 * kHour},            // USg/h
    {1000.0 * kMinute / kLitresPerImperialGallon, 5, 1000.0 * kMinute},  // ig/m
    {1000.0 * kHour / kLitresPerImperialGallon, 6, 1000.0 * kHour},      // ig/h
    {1.0, 8, 1.0},                                                       // t/s
    {kMinute, 9, kMinute},                                               // t/m
    {kHour, 10, kHour},                                                  // t/h
    {1000.0, 12, 1000.0},                                                // kg/s
    {1000.0 * kMinute, 13, 1000.0 * kMinute},                            // kg/m
    {1000.0 * kHour, 14, 1000.0 * kHour},                                // kg/h
}};

}  // namespace

int diameterMm(std::uint8_t diameterCode) {
    return kDiametersMm.at(diameterCode);
}

double dampingSeconds(std::uint8_t dampingCode) {
    return kDampingSeconds.at(dampingCode);
}

std::optional<int> rangeExponent(std::uint8_t exponentCode) {
    if (exponentCode <= 5) {
        return exponentCode;
    }
    if (exponentCode == 6) {
        return -1;
    }
    if (exponentCode == 7) {
        return -2;
    }
    return std::nullopt;
}

RangeUnit rangeUnit(std::uint8_t rangeUnitCode) {
    return kRangeUnits[rangeUnitCode & 0x0F];
}

std::optional<TotalUnit> totalUnit(std::uint8_t totalizerUnitCode) {
    // Totalizer codes come in groups of four resolutions (0.001, 0.01, 0.1, 1) per unit:
    // L, m3, USgal, igal, kg, t. Reply codes: L 0..3, m3 4..7, kg 8..11, t 12..15.
    const auto resolution = static_cast<std::uint8_t>(totalizerUnitCode % 4);
    switch (totalizerUnitCode / 4) {
        case 0:
            return TotalUnit{resolution, 1000.0};
        case 1:
            return TotalUnit{static_cast<std::uint8_t>(4 + resolution), 1.0};
        case 2:
        case 3:
            return TotalUnit{resolution, 1000.0};
        case 4:
            return TotalUnit{static_cast<std::uint8_t>(8 + resolution), 1000.0};
        case 5:
            return TotalUnit{static_cast<std::uint8_t>(12 + resolution), 1.0};
        default:
            return std::nullopt;
    }
}

}  // namespace meter_sim
