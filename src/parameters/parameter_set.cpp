#include "parameters/parameter_set.h"

#include <algorithm>

namespace parameters {

namespace {

using OptionList = std::vector<std::string_view>;

const OptionList kDiameters = {"03",   "06",   "08",   "10",   "15",   "20",   "25",   "32",
                               "40",   "50",   "65",   "80",   "100",  "125",  "150",  "200",
                               "250",  "300",  "350",  "400",  "450",  "500",  "600",  "700",
                               "800",  "900",  "1000", "1100", "1200", "1300", "1400", "1600",
                               "1800", "2000", "2200", "2400", "2600", "2800", "3000"};
const OptionList kRangeUnits = {"m3/s", "m3/m", "m3/h", "L/s", "L/m", "L/h",  "USg/m", "USg/h",
                                "ig/m", "ig/h", "t/s",  "t/m", "t/h", "kg/s", "kg/m",  "kg/h"};
const OptionList kRangeExponents = {"-2", "-1", "+0", "+1", "+2", "+3", "+4", "+5"};
const OptionList kDampingTimes = {"0.2S",  "0.5S",  "0.8S",  "1.0S",  "2.0S",
                                  "3.0S",  "4.0S",  "5.0S",  "6.0S",  "8.0S",
                                  "10.0S", "20.0S", "30.0S", "50.0S", "100.0S"};
const OptionList kOutputModes = {"频率", "脉冲"};
const OptionList kPulseEquivalents = {"0.01L/P", "0.1L/P", "1L/P",  "2L/P",   "5L/P",
                                      "10L/P",   "100L/P", "1m3/P", "10m3/P", "100m3/P"};
const OptionList kTotalizerUnits = {"0.001L",   "0.01L",    "0.1L",      "1.0L",       "0.001m3",
                                    "0.01m3",   "0.1m3",    "1.0m3",     "0.001USgal", "0.01USgal",
                                    "0.1USgal", "1.0USgal", "0.001igal", "0.01igal",   "0.1igal",
                                    "1.0igal",  "0.001kg",  "0.01kg",    "0.1kg",      "1.0kg",
                                    "0.001t",   "0.01t",    "0.1t",      "1.0t"};
const OptionList kFlowDirections = {"正向", "反向"};
const OptionList kEnables = {"允许", "禁止"};
const OptionList kNoOptions = {};

// Range exponent codes in list order: "-2", "-1", "+0" .. "+5". The meter reads the code from the
// high four bits of the byte that also carries the range unit.
constexpr std::array<std::uint8_t, 8> kRangeExponentCodes = {7, 6, 0, 1, 2, 3, 4, 5};

constexpr std::array<Param, kParamCount> kAllParams = {
    Param::Diameter,         Param::TotalizerUnit,     Param::RangeValue,
    Param::RangeUnit,        Param::RangeExponent,     Param::Damping,
    Param::OutputMode,       Param::PulseEquivalent,   Param::FrequencyRange,
    Param::FlowDirection,    Param::CutoffEnable,      Param::CutoffValue,
    Param::UpperAlarmEnable, Param::UpperAlarmValue,   Param::LowerAlarmEnable,
    Param::LowerAlarmValue,  Param::SensorCoefficient, Param::ZeroCorrection,
    Param::FlowMultiplier};

const ParameterTexts kDefaults = {"100",  "1.0m3", "28274",  "m3/h",   "-2",    "4.0S", "频率",
                                  "1L/P", "2000",  "正向",   "禁止",   "00.5",  "禁止", "090.0",
                                  "禁止", "015.0", "1.0000", "+0.000", "1.0000"};

// The captions of the parameters in the fixed order.
constexpr std::array<std::string_view, kParamCount> kFieldNames = {
    "口径",           "流量积算单位", "量程值",       "量程单位",     "量程冥指数",
    "阻尼时间",       "输出方式选择", "脉冲当量",     "频率输出范围", "流向选择",
    "小信号切除允许", "小信号切除值", "上限报警允许", "上限报警值",   "下限报警允许",
    "下限报警值",     "传感器系数",   "零点修正",     "流量倍乘系数",
};

}  // namespace

const std::array<Param, kParamCount>& allParams() {
    return kAllParams;
}

bool isSelection(Param param) {
    return !options(param).empty();
}

const std::vector<std::string_view>& options(Param param) {
    switch (param) {
        case Param::Diameter:
            return kDiameters;
        case Param::TotalizerUnit:
            return kTotalizerUnits;
        case Param::RangeUnit:
            return kRangeUnits;
        case Param::RangeExponent:
            return kRangeExponents;
        case Param::Damping:
            return kDampingTimes;
        case Param::OutputMode:
            return kOutputModes;
        case Param::PulseEquivalent:
            return kPulseEquivalents;
        case Param::FlowDirection:
            return kFlowDirections;
        case Param::CutoffEnable:
        case Param::UpperAlarmEnable:
        case Param::LowerAlarmEnable:
            return kEnables;
        default:
            return kNoOptions;
    }
}

std::optional<std::uint8_t> wireCode(Param param, std::string_view text) {
    const OptionList& list = options(param);
    const auto found = std::find(list.begin(), list.end(), text);
    if (found == list.end()) {
        return std::nullopt;
    }
    const auto position = static_cast<std::size_t>(found - list.begin());
    if (param == Param::RangeExponent) {
        return kRangeExponentCodes[position];
    }
    return static_cast<std::uint8_t>(position);
}

const ParameterTexts& defaultTexts() {
    return kDefaults;
}

std::string_view fieldName(Param param) {
    return kFieldNames[indexOf(param)];
}

}  // namespace parameters
