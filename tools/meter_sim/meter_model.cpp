#include "meter_model.h"

#include <algorithm>
#include <cmath>

namespace meter_sim {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kMaxStepSeconds = 0.1;
constexpr int kMaxStepsPerAdvance = 20000;
constexpr double kPowerFailureInterval = 900.0;
constexpr int kOutageMinutesPerFailure = 7;

}  // namespace

MeterModel::MeterModel(std::uint8_t station)
    : station_(station), forwardM3_(1000.0 * station + 123.456), reverseM3_(2.5 * station) {
    dampedPercent_ = measuredPercent(0.0);
}

double MeterModel::rangeCubicMetresPerSecond() const {
    const int exponent = rangeExponent(settings_.rangeExponentCode).value_or(0);
    return settings_.rangeValue * std::pow(10.0, exponent) /
           rangeUnit(settings_.rangeUnitCode).perCubicMetrePerSecond;
}

double MeterModel::pipeAreaSquareMetres() const {
    const double radius = diameterMm(settings_.diameterCode) / 2000.0;
    return kPi * radius * radius;
}

bool MeterModel::faultWindow(double period, double offset, double length) const {
    return std::fmod(seconds_ + offset * station_, period) < length;
}

bool MeterModel::emptyPipe() const {
    return faultWindow(300.0, 37.0, 12.0);
}

double MeterModel::measuredPercent(double seconds) const {
    const double swingPeriod = 90.0 + 7.0 * station_;
    const double swing = std::sin(2.0 * kPi * (seconds / swingPeriod + station_ / 16.0));
    const double ripple = std::sin(2.0 * kPi * seconds / 13.7 + station_);
    double percent = (45.0 + 50.0 * swing + 6.0 * ripple) * settings_.sensorCoefficient *
                     settings_.flowMultiplier;
    const double range = rangeCubicMetresPerSecond();
    if (range > 0.0) {
        const double rangeVelocity = range / pipeAreaSquareMetres();
        percent += 100.0 * settings_.zeroCorrection / rangeVelocity;
    }
    return settings_.flowDirection == 1 ? -percent : percent;
}

void MeterModel::step(double dt) {
    const double target = emptyPipe() ? 0.0 : measuredPercent(seconds_);
    const double tau = dampingSeconds(settings_.dampingCode);
    dampedPercent_ += (target - dampedPercent_) * (1.0 - std::exp(-dt / tau));
    const double flow = flowCubicMetresPerSecond();
    if (flow > 0.0) {
        forwardM3_ += flow * dt;
    } else {
        reverseM3_ -= flow * dt;
    }
}

void MeterModel::advanceTo(double seconds) {
    const double gap = seconds - seconds_;
    if (!(gap > 0.0)) {
        return;
    }
    const double stepLength = std::max(kMaxStepSeconds, gap / kMaxStepsPerAdvance);
    while (seconds_ < seconds) {
        const double dt = std::min(stepLength, seconds - seconds_);
        seconds_ += dt;
        step(dt);
    }
}

double MeterModel::percentOfRange() const {
    const bool cutOff =
        settings_.cutoffFlag == 0 && std::fabs(dampedPercent_) < settings_.cutoffPercent;
    return cutOff ? 0.0 : dampedPercent_;
}

double MeterModel::flowCubicMetresPerSecond() const {
    return percentOfRange() / 100.0 * rangeCubicMetresPerSecond();
}

double MeterModel::resistanceKiloOhm() const {
    if (emptyPipe()) {
        return 1500.0 + 10.0 * station_;
    }
    return 8.0 + 0.5 * station_ + 1.5 * std::sin(seconds_ / 40.0);
}

std::uint8_t MeterModel::alarmBits() const {
    std::uint8_t bits = 0;
    if (faultWindow(600.0, 53.0, 8.0)) {
        bits |= kAlarmExcitation;
    }
    if (faultWindow(420.0, 73.0, 6.0)) {
        bits |= kAlarmElectrode;
    }
    if (emptyPipe()) {
        bits |= kAlarmEmptyPipe;
    }
    const double permille = std::fabs(percentOfRange()) * 10.0;
    if (settings_.upperAlarmFlag == 0 && permille > settings_.upperAlarmPermille) {
        bits |= kAlarmUpperLimit;
    }
    if (settings_.lowerAlarmFlag == 0 && permille < settings_.lowerAlarmPermille) {
        bits |= kAlarmLowerLimit;
    }
    return bits;
}

Frame MeterModel::reply(Command command) const {
    const double flow = flowCubicMetresPerSecond();
    switch (command) {
        case Command::Flow: {
            const RangeUnit unit = rangeUnit(settings_.rangeUnitCode);
            return encodeFlow(station_, flow * unit.reportedPerCubicMetrePerSecond,
                              unit.flowUnitCode);
        }
        case Command::Velocity:
            return encodeVelocity(station_, flow / pipeAreaSquareMetres(), settings_.cutoffFlag);
        case Command::Percentage:
            return encodePercentage(station_, percentOfRange(),
                                    static_cast<std::uint8_t>((station_ - 1) % 4),
                                    settings_.upperAlarmFlag, settings_.lowerAlarmFlag);
        case Command::Resistance:
            return encodeResistance(station_, resistanceKiloOhm(), 0);
        case Command::ForwardTotal:
        case Command::ReverseTotal: {
            const auto unit = totalUnit(settings_.totalizerUnitCode).value_or(TotalUnit{5, 1.0});
            const double total = command == Command::ForwardTotal ? forwardM3_ : reverseM3_;
            return encodeTotal(station_, command, total * unit.perCubicMetre, unit.totalUnitCode);
        }
        case Command::Alarms:
            return encodeAlarms(station_, alarmBits());
        case Command::Diameter:
            return encodeDiameter(station_, settings_.diameterCode);
        case Command::PowerFailures:
            break;
    }
    const int failures = static_cast<int>(seconds_ / kPowerFailureInterval);
    const int outageMinutes = 37 * station_ + kOutageMinutesPerFailure * failures;
    return encodePowerFailures(station_, station_ + failures, outageMinutes / 60,
                               outageMinutes % 60);
}

}  // namespace meter_sim
