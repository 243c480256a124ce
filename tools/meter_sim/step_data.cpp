#include "step_data.h"

#include <optional>

namespace meter_sim {
namespace {

// Reads count digit bytes starting at first as one decimal number.
std::optional<int> digits(const Frame& frame, std::size_t first, std::size_t count) {
    int value = 0;
    for (std::size_t i = first; i < first + count; ++i) {
        if (frame[i] > 9) {
            return std::nullopt;
        }
        value = value * 10 + frame[i];
    }
    return value;
}

class StepReader {
  public:
    explicit StepReader(const Frame& frame) : frame_(frame) {}

    // Takes a code below limit from byte index into target.
    void code(std::size_t index, std::uint8_t limit, std::uint8_t& target, const char* name) {
        if (frame_[index] < limit) {
            target = frame_[index];
        } else {
            keep(name);
        }
    }

    // Takes count digits from byte first, divided by divisor, into target.
    template <typename Number>
    void number(std::size_t first, std::size_t count, double divisor, Number& target,
                const char* name) {
        if (const auto value = digits(frame_, first, count)) {
            target = static_cast<Number>(*value / divisor);
        } else {
            keep(name);
        }
    }

    void keep(const char* name) {
        kept_ += kept_.empty() ? "" : ", ";
        kept_ += name;
    }

    [[nodiscard]] const std::string& kept() const { return kept_; }

  private:
    const Frame& frame_;
    std::string kept_;
};

}  // namespace

std::string applyStep(const Frame& frame, MeterSettings& settings) {
    StepReader read(frame);
    switch (frame[1]) {
        case 1:
            read.code(2, kDiameterCodeCount, settings.diameterCode, "diameter");
            break;
        case 2: {
            read.number(2, 5, 1.0, settings.rangeValue, "range value");
            const auto exponentCode = static_cast<std::uint8_t>(frame[7] >> 4);
            const auto unitCode = static_cast<std::uint8_t>(frame[7] & 0x0F);
            if (rangeExponent(exponentCode)) {
                settings.rangeExponentCode = exponentCode;
            } else {
                read.keep("range exponent");
            }
            settings.rangeUnitCode = unitCode;
            break;
        }
        case 3:
            read.code(2, kDampingCodeCount, settings.dampingCode, "damping");
            break;
        case 4:
            read.code(2, 2, settings.flowDirection, "flow direction");
            break;
        case 5:
            read.number(2, 3, 10.0, settings.cutoffPercent, "cut-off value");
            read.code(5, 2, settings.cutoffFlag, "cut-off enable");
            break;
        case 6:
            read.code(2, kTotalizerUnitCodeCount, settings.totalizerUnitCode, "totalizer unit");
            break;
        case 7:
            read.number(2, 4, 1.0, settings.frequencyRangeHz, "frequency range");
            read.code(6, 2, settings.outputMode, "output mode");
            break;
        case 8:
            read.code(6, kPulseEquivalentCodeCount, settings.pulseEquivalentCode,
                      "pulse equivalent");
            break;
        case 9:
            read.number(2, 4, 10.0, settings.upperAlarmPermille, "upper alarm value");
            read.code(6, 2, settings.upperAlarmFlag, "upper alarm enable");
            break;
        case 10:
            read.number(2, 4, 10.0, settings.lowerAlarmPermille, "lower alarm value");
            read.code(6, 2, settings.lowerAlarmFlag, "lower alarm enable");
            break;
        case 11: {
            double magnitude = 0.0;
            read.number(2, 4, 1000.0, magnitude, "zero correction");
            if (read.kept().empty()) {
                settings.zeroCorrection = frame[6] == 1 ? -magnitude : magnitude;
            }
            break;
        }
        case 12:
            read.number(2, 5, 10000.0, settings.sensorCoefficient, "sensor coefficient");
            break;
        case 13:
            read.number(2, 5, 10000.0, settings.flowMultiplier, "flow multiplier");
            break;
        default:
            break;
    }
    return read.kept();
}

}  // namespace meter_sim
