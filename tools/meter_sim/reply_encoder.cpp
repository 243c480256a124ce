#include "reply_encoder.h"

#include <algorithm>
#include <cmath>

namespace meter_sim {
namespace {

constexpr std::int64_t kSixDigitMax = 999999;
constexpr std::int64_t kFourDigitMax = 9999;
constexpr std::uint64_t kTenDigitModulus = 10000000000ULL;

Frame startReply(std::uint8_t station, Command command) {
    Frame frame{};
    frame[0] = station;
    frame[1] = static_cast<std::uint8_t>(command);
    return frame;
}

Frame finishMeasurement(Frame frame) {
    frame[8] = xorOf(frame, 2, 7);
    frame[9] = kReplyEnd;
    return frame;
}

std::int64_t scaled(double magnitude, int decimals) {
    return std::llround(magnitude * std::pow(10.0, decimals));
}

std::int64_t clampedTenths(double value, std::int64_t maximum) {
    return std::clamp<std::int64_t>(scaled(std::fabs(value), 1), 0, maximum);
}

}  // namespace

Frame encodeFlow(std::uint8_t station, double flow, std::uint8_t unitCode) {
    // Decimal code c means value = N * 10^(c - 5); take the smallest c whose N fits six digits.
    const double magnitude = std::fabs(flow);
    int decimalCode = 10;
    std::int64_t number = kSixDigitMax;
    for (int code = 0; code <= 10; ++code) {
        const std::int64_t candidate = scaled(magnitude, 5 - code);
        if (candidate <= kSixDigitMax) {
            decimalCode = code;
            number = candidate;
            break;
        }
    }
    Frame frame = startReply(station, Command::Flow);
    putBcd(frame, 2, static_cast<std::uint64_t>(number), 3);
    frame[5] = static_cast<std::uint8_t>(decimalCode);
    frame[6] = unitCode;
    frame[7] = (flow < 0 && number != 0) ? 1 : 0;
    return finishMeasurement(frame);
}

Frame encodeVelocity(std::uint8_t station, double metresPerSecond, std::uint8_t cutoffFlag) {
    const double magnitude = std::fabs(metresPerSecond);
    int decimals = 0;
    std::int64_t number = kSixDigitMax;
    for (int candidateDecimals = 4; candidateDecimals >= 0; --candidateDecimals) {
        const std::int64_t candidate = scaled(magnitude, candidateDecimals);
        if (candidate <= kSixDigitMax) {
            decimals = candidateDecimals;
            number = candidate;
            break;
        }
    }
    Frame frame = startReply(station, Command::Velocity);
    putBcd(frame, 2, static_cast<std::uint64_t>(number), 3);
    frame[5] = cutoffFlag;
    frame[6] = static_cast<std::uint8_t>(decimals);
    frame[7] = (metresPerSecond < 0 && number != 0) ? 1 : 0;
    return finishMeasurement(frame);
}

Frame encodePercentage(std::uint8_t station, double percent, std::uint8_t ratioCode,
                       std::uint8_t upperFlag, std::uint8_t lowerFlag) {
    const std::int64_t tenths = clampedTenths(percent, kFourDigitMax);
    Frame frame = startReply(station, Command::Percentage);
    putBcd(frame, 2, static_cast<std::uint64_t>(tenths), 2);
    frame[4] = ratioCode;
    frame[5] = upperFlag;
    frame[6] = lowerFlag;
    frame[7] = (percent < 0 && tenths != 0) ? 1 : 0;
    return finishMeasurement(frame);
}

Frame encodeResistance(std::uint8_t station, double kiloOhm, std::uint8_t emptyPipeFlag) {
    Frame frame = startReply(station, Command::Resistance);
    putBcd(frame, 2, static_cast<std::uint64_t>(clampedTenths(kiloOhm, kSixDigitMax)), 3);
    frame[6] = emptyPipeFlag;
    return finishMeasurement(frame);
}

Frame encodeTotal(std::uint8_t station, Command which, double total, std::uint8_t totalUnitCode) {
    const int decimals = 3 - totalUnitCode % 4;
    const auto counter =
        static_cast<std::uint64_t>(std::max<std::int64_t>(scaled(std::fabs(total), decimals), 0));
    Frame frame = startReply(station, which);
    putBcd(frame, 2, counter % kTenDigitModulus, 5);
    frame[7] = totalUnitCode;
    return finishMeasurement(frame);
}

Frame encodeAlarms(std::uint8_t station, std::uint8_t alarmBits) {
    Frame frame = startReply(station, Command::Alarms);
    frame[2] = alarmBits;
    return finishMeasurement(frame);
}

Frame encodeDiameter(std::uint8_t station, std::uint8_t diameterCode) {
    Frame frame = startReply(station, Command::Diameter);
    frame[2] = diameterCode;
    return finishMeasurement(frame);
}

Frame encodePowerFailures(std::uint8_t station, int count, int hours, int minutes) {
    const auto word = [](int value) {
        return static_cast<std::uint16_t>(std::clamp(value, 0, 32767));
    };
    Frame frame = startReply(station, Command::PowerFailures);
    putWord(frame, 2, word(count));
    putWord(frame, 4, word(hours));
    putWord(frame, 6, word(minutes));
    return finishMeasurement(frame);
}

Frame encodeAck(std::uint8_t station, std::uint8_t step) {
    Frame frame{};
    frame[0] = station;
    frame[1] = step;
    frame[2] = 6;
    frame[8] = step == kStartAckStep ? xorOf(frame, 2, 7) : xorOf(frame, 0, 7);
    frame[9] = kReplyEnd;
    return frame;
}

Frame encodeError(std::uint8_t station, std::uint8_t step, std::uint8_t code) {
    Frame frame{};
    frame[0] = station;
    frame[1] = step;
    frame[2] = kErrorMarker;
    frame[3] = code;
    frame[8] = xorOf(frame, 0, 7);
    frame[9] = kReplyEnd;
    return frame;
}

}  // namespace meter_sim
