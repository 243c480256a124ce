#include "measurement/reply_decoder.h"

#include <cstddef>

#include "measurement/number_text.h"

namespace measurement {

namespace {

// Converts the packed-BCD bytes at positions `last` down to `first` in place. Nibbles above 9
// are taken at face value.
void convertBcd(ReplyFrame& frame, std::size_t first, std::size_t last) {
    for (std::size_t i = last + 1; i-- > first;) {
        frame[i] = static_cast<std::uint8_t>((frame[i] >> 4) * 10 + (frame[i] & 0x0F));
    }
}

template <typename Real>
Real powerOfTen(int exponent) {
    Real power = 1;
    for (int i = 0; i < exponent; ++i) {
        power *= 10;
    }
    return power;
}

float sixDigitNumber(ReplyFrame& frame) {
    convertBcd(frame, 2, 4);
    return static_cast<float>(frame[4] * 10000 + frame[3] * 100 + frame[2]);
}

DecodedReply decodeFlow(ReplyFrame& frame) {
    const float n = sixDigitNumber(frame);
    const std::uint8_t decimalCode = frame[5];
    FlowReply reply;
    if (decimalCode <= 4) {
        const int decimals = 5 - decimalCode;
        reply.value = roundSingle(n / powerOfTen<float>(decimals), decimals);
    } else if (decimalCode <= 10) {
        reply.value = n * powerOfTen<float>(decimalCode - 5);
    } else {
        reply.value = n;
    }
    reply.unitCode = frame[6];
    reply.negative = (frame[7] & 0x01) != 0;
    return reply;
}

DecodedReply decodeVelocity(ReplyFrame& frame) {
    const float n = sixDigitNumber(frame);
    const std::uint8_t decimals = frame[6];
    VelocityReply reply;
    reply.value = n;
    if (decimals >= 1 && decimals <= 4) {
        reply.value = roundSingle(n / powerOfTen<float>(decimals), decimals);
    }
    reply.cutoffFlag = frame[5];
    reply.negative = frame[7] != 0;
    return reply;
}

DecodedReply decodePercent(ReplyFrame& frame) {
    convertBcd(frame, 2, 3);
    const float n = static_cast<float>(frame[3] * 100 + frame[2]);
    PercentReply reply;
    reply.value = roundSingle(n / 10, 1);
    reply.rangeRatioCode = frame[4];
    reply.upperFlag = frame[5];
    reply.lowerFlag = frame[6];
    reply.negative = frame[7] != 0;
    return reply;
}

DecodedReply decodeResistance(ReplyFrame& frame) {
    const float n = sixDigitNumber(frame);
    ResistanceReply reply;
    reply.value = roundSingle(n / 10, 1);
    reply.emptyPipeFlag = frame[6];
    return reply;
}

TotalReply decodeTotal(ReplyFrame& frame, TotalDirection direction) {
    convertBcd(frame, 2, 6);
    const double n = frame[6] * 1e8 + frame[5] * 1e6 + frame[4] * 1e4 + frame[3] * 1e2 + frame[2];
    TotalReply reply;
    reply.direction = direction;
    reply.unitCode = frame[7];
    reply.value = n;
    if (reply.unitCode < 16) {
        const int decimals = 3 - reply.unitCode % 4;
        reply.value = roundDouble(n / powerOfTen<double>(decimals), decimals);
    }
    return reply;
}

// A 16-bit binary number sent low byte first; it cannot be shown when it would be negative.
std::optional<std::int16_t> counterValue(std::uint8_t low, std::uint8_t high) {
    if (high >= 128) {
        return std::nullopt;
    }
    return static_cast<std::int16_t>(high * 256 + low);
}

DecodedReply decodePowerFailure(ReplyFrame& frame) {
    PowerFailureReply reply;
    reply.count = counterValue(frame[2], frame[3]);
    reply.hours = counterValue(frame[4], frame[5]);
    reply.minutes = counterValue(frame[6], frame[7]);
    return reply;
}

DecodedReply decodeForward(ReplyFrame& frame) {
    return decodeTotal(frame, TotalDirection::Forward);
}

DecodedReply decodeReverse(ReplyFrame& frame) {
    return decodeTotal(frame, TotalDirection::Reverse);
}

DecodedReply decodeAlarm(ReplyFrame& frame) {
    return AlarmReply{frame[2]};
}

DecodedReply decodeDiameter(ReplyFrame& frame) {
    return DiameterReply{frame[2]};
}

const std::array<MeterCommandInfo, kMeterCommandCount> kCommands = {{
    {MeterCommand::Flow, "瞬时流量", decodeFlow},
    {MeterCommand::Velocity, "流速", decodeVelocity},
    {MeterCommand::Percent, "百分比", decodePercent},
    {MeterCommand::Resistance, "电阻值", decodeResistance},
    {MeterCommand::ForwardTotal, "正向累积", decodeForward},
    {MeterCommand::ReverseTotal, "反向累积", decodeReverse},
    {MeterCommand::AlarmState, "报警状态", decodeAlarm},
    {MeterCommand::Diameter, "口径", decodeDiameter},
    {MeterCommand::PowerFailures, "停电计时", decodePowerFailure},
}};

}  // namespace

const std::array<MeterCommandInfo, kMeterCommandCount>& meterCommands() {
    return kCommands;
}

std::optional<MeterCommand> meterCommand(std::uint8_t byte) {
    if (byte >= kMeterCommandCount) {
        return std::nullopt;
    }
    return kCommands[byte].command;
}

std::optional<DecodedReply> decodeReply(ReplyFrame& frame, std::uint8_t command) {
    if (command >= kMeterCommandCount) {
        return std::nullopt;
    }
    return kCommands[command].decode(frame);
}

}  // namespace measurement
