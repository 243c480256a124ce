#include "measurement/presentation.h"

#include <array>
#include <variant>

#include "measurement/number_text.h"
#include "text/leading_number.h"

namespace measurement {

namespace {

constexpr std::array<const char*, 16> kFlowUnits = {
    "m3/s", "m3/min", "m3/h", "m3/d", "L/s",  "L/min",  "L/h",  "L/d",
    "t/s",  "t/min",  "t/h",  "t/d",  "kg/s", "kg/min", "kg/h", "kg/d"};

constexpr std::array<const char*, 4> kTotalUnits = {"L", "m3", "kg", "t"};

constexpr std::array<const char*, 4> kRangeRatios = {"1:1", "1:2", "1:4", "1:8"};

constexpr std::array<const char*, 39> kDiameters = {
    "3",    "6",    "8",    "10",   "15",   "20",   "25",   "32",   "40",   "50",
    "65",   "80",   "100",  "125",  "150",  "200",  "250",  "300",  "350",  "400",
    "450",  "500",  "600",  "700",  "800",  "900",  "1000", "1100", "1200", "1300",
    "1400", "1600", "1800", "2000", "2200", "2400", "2600", "2800", "3000"};

struct AlarmBit {
    std::uint8_t mask;
    const char* text;
};

// In the order they are applied; the first replaces the status text, the others are appended.
constexpr std::array<AlarmBit, 5> kAlarmBits = {{{0x02, "励磁报警,"},
                                                 {0x04, " 电极报警,"},
                                                 {0x08, " 空管报警,"},
                                                 {0x10, " 上限报警,"},
                                                 {0x20, " 下限报警"}}};

constexpr const char* kMeasurementNormal = " 测量正常.";

// Flow, velocity and percentage get a "0" in front when they lie strictly between -1 and 1, so
// 0.25 shows as 0.25 and zero as 00. The values are magnitudes here.
std::string withLeadingZero(float value) {
    const std::string text = singleNumberText(value);
    return value > -1 && value < 1 ? "0" + text : text;
}

const char* signText(bool negative) {
    return negative ? "-" : "+";
}

void presentFlow(const FlowReply& reply, DisplayTexts& texts) {
    texts.flow = signText(reply.negative) + withLeadingZero(reply.value);
    texts.flowUnit = flowUnitText(reply.unitCode);
    texts.status = kStatusNormal;
}

void presentVelocity(const VelocityReply& reply, DisplayTexts& texts) {
    texts.cutoffEnable = enableText(reply.cutoffFlag);
    texts.velocity = signText(reply.negative) + withLeadingZero(reply.value);
}

void presentPercent(const PercentReply& reply, DisplayTexts& texts) {
    texts.percent = withLeadingZero(reply.value);
    if (const auto ratio = rangeRatioText(reply.rangeRatioCode)) {
        texts.rangeRatio = *ratio;
    }
    texts.upperEnable = enableText(reply.upperFlag);
    texts.lowerEnable = enableText(reply.lowerFlag);
    texts.percent = signText(reply.negative) + texts.percent + "%";
}

void presentResistance(const ResistanceReply& reply, DisplayTexts& texts) {
    texts.resistance = singleNumberText(reply.value);
    texts.emptyPipeEnable = enableText(reply.emptyPipeFlag);
}

// The difference is taken from the totals as shown, so it always matches the two displays.
void presentTotalDifference(DisplayTexts& texts) {
    const auto forward = text::leadingNumber(texts.forwardTotal);
    const auto reverse = text::leadingNumber(texts.reverseTotal);
    if (forward && reverse) {
        texts.totalDifference = fixedText(*forward - *reverse, 3);
    }
    texts.differenceUnit = texts.reverseUnit;
}

void presentTotal(const TotalReply& reply, DisplayTexts& texts) {
    const bool forward = reply.direction == TotalDirection::Forward;
    std::string& unit = forward ? texts.forwardUnit : texts.reverseUnit;
    if (const auto unitText = totalUnitText(reply.unitCode)) {
        unit = *unitText;
    }
    (forward ? texts.forwardTotal : texts.reverseTotal) = doubleNumberText(reply.value);
    texts.status = kStatusNormal;
    if (!forward) {
        presentTotalDifference(texts);
    }
}

void presentAlarm(const AlarmReply& reply, DisplayTexts& texts, std::string& alarmText) {
    int alarmsFound = 0;
    for (std::size_t i = 0; i < kAlarmBits.size(); ++i) {
        if ((reply.bits & kAlarmBits[i].mask) == 0) {
            continue;
        }
        ++alarmsFound;
        if (i == 0) {
            texts.status = kAlarmBits[i].text;
        } else {
            texts.status += kAlarmBits[i].text;
        }
    }
    if (texts.status.empty()) {
        texts.status = kStatusNormal;
    }
    alarmText = texts.status;
    if (alarmsFound == 0) {
        texts.status += kMeasurementNormal;
    }
}

void presentDiameter(const DiameterReply& reply, DisplayTexts& texts) {
    if (const auto diameter = diameterText(reply.code)) {
        texts.diameter = *diameter;
    }
}

void presentPowerFailure(const PowerFailureReply& reply, DisplayTexts& texts) {
    if (reply.count) {
        texts.failureCount = std::to_string(*reply.count);
    }
    if (reply.hours) {
        texts.failureHours = std::to_string(*reply.hours);
    }
    if (reply.minutes) {
        texts.failureMinutes = std::to_string(*reply.minutes);
    }
}

}  // namespace

std::string flowUnitText(std::uint8_t code) {
    return code < kFlowUnits.size() ? kFlowUnits[code] : "";
}

std::optional<std::string> totalUnitText(std::uint8_t code) {
    if (code >= 16) {
        return std::nullopt;
    }
    return kTotalUnits[code / 4];
}

std::optional<std::string> rangeRatioText(std::uint8_t code) {
    if (code >= kRangeRatios.size()) {
        return std::nullopt;
    }
    return kRangeRatios[code];
}

std::string enableText(std::uint8_t flag) {
    return flag == 1 ? "禁止" : "允许";
}

std::optional<std::string> diameterText(std::uint8_t code) {
    if (code >= kDiameters.size()) {
        return std::nullopt;
    }
    return kDiameters[code];
}

std::string singleStationText(std::uint8_t station) {
    const std::string number = std::to_string(station);
    return station >= 1 && station <= 9 ? "0" + number : number;
}

void present(const DecodedReply& reply, DisplayTexts& texts, std::string& alarmText) {
    // One overload per reply kind: a kind added to DecodedReply does not build until it is shown.
    struct Presenter {
        DisplayTexts& texts;
        std::string& alarmText;
        void operator()(const FlowReply& r) const { presentFlow(r, texts); }
        void operator()(const VelocityReply& r) const { presentVelocity(r, texts); }
        void operator()(const PercentReply& r) const { presentPercent(r, texts); }
        void operator()(const ResistanceReply& r) const { presentResistance(r, texts); }
        void operator()(const TotalReply& r) const { presentTotal(r, texts); }
        void operator()(const AlarmReply& r) const { presentAlarm(r, texts, alarmText); }
        void operator()(const DiameterReply& r) const { presentDiameter(r, texts); }
        void operator()(const PowerFailureReply& r) const { presentPowerFailure(r, texts); }
    };
    std::visit(Presenter{texts, alarmText}, reply);
}

}  // namespace measurement
