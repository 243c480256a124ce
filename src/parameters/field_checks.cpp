#include "parameters/field_checks.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <utility>

#include "parameters/decimal_text.h"
#include "text/characters.h"

namespace parameters {

namespace {

const char* const kFormatMessage = "输入格式不对";

FieldCheck accepted(std::string text, std::optional<bool> fieldValid) {
    return {std::move(text), std::nullopt, fieldValid};
}

FieldCheck rejected(const char* message, std::optional<bool> fieldValid) {
    return {std::string(), std::string(message), fieldValid};
}

const char* selectionMessage(Param param) {
    switch (param) {
        case Param::Diameter:
            return "请选择正确口径！不能错误输入";
        case Param::RangeUnit:
            return "请正确选择量程单位！不能错误输入";
        case Param::RangeExponent:
            return "请正确选择量程冥指数！不能错误输入";
        case Param::Damping:
            return "请正确选择阻尼时间！不能错误输入";
        case Param::OutputMode:
            return "请正确选择方式输出！不能错误输入";
        case Param::PulseEquivalent:
            return "请正确选择脉冲当量！不能错误输入";
        case Param::TotalizerUnit:
            return "请正确选择总量单位！不能错误输入";
        case Param::FlowDirection:
            return "请正确选择流向！不能错误输入";
        case Param::CutoffEnable:
            return "请正确选择小信号切除允许否！不能错误输入";
        case Param::UpperAlarmEnable:
            return "请正确选择上限报警允许否！不能错误输入";
        default:
            return "请正确选择下限报警允许否！不能错误输入";
    }
}

// Range value and frequency range: whole numbers without leading zeros, sign or point. A text of
// n characters must spell a value above the largest number of n - 1 digits and at most the
// largest of n digits (or the field's largest value, when that is lower).
struct WholeNumberRule {
    std::size_t longest;
    double largest;
    const char* tooLong;
    const char* outOfBounds;
};

const WholeNumberRule kRangeValueRule = {5, 99999, "输入数值不对，或者是带有小数点，请重新输入！",
                                         "输入数值不对，或者是带有小数点，请重新输入！"};
const WholeNumberRule kFrequencyRule = {4, 5000, "输入数值超过5000，或者是带有小数点，请重新输入！",
                                        "输入数值超过5000，或者是格式不对，请重新输入！"};

FieldCheck checkWholeNumber(const WholeNumberRule& rule, const std::string& text) {
    const std::u32string chars = text::characters(text);
    if (chars.empty()) {
        return accepted(text, std::nullopt);
    }
    if (chars.size() > rule.longest) {
        return rejected(rule.tooLong, std::nullopt);
    }
    const double value = DecimalText(chars).value();
    const auto length = static_cast<double>(chars.size());
    const double lower = std::pow(10.0, length - 1.0) - 1.0;
    const double upper = std::min(std::pow(10.0, length) - 1.0, rule.largest);
    if (!(value > lower && value <= upper)) {
        return rejected(rule.outOfBounds, std::nullopt);
    }
    return accepted(text, std::nullopt);
}

// Cut-off value and the two alarm values: digits and points only, one decimal, no sign.
struct OneDecimalRule {
    std::size_t longest;
    double largest;
    // Texts of these lengths are rejected with the value-test message from these values on.
    std::array<std::pair<std::size_t, double>, 2> valueTests;
    int integerDigits;
    const char* tooLong;
    const char* valueTest;
    const char* aboveLargest;
};

const OneDecimalRule kCutoffRule = {4,
                                    99.9,
                                    {{{3, 100.0}, {4, 1000.0}}},
                                    2,
                                    "小信号值超出0.0~99.9，或者格式不对",
                                    "小信号值超出0.0~99.9",
                                    "小信号值超出在0.0~99.9，或者格式不对"};
const OneDecimalRule kUpperAlarmRule = {5,
                                        999.9,
                                        {{{4, 1000.0}, {5, 1000.0}}},
                                        3,
                                        "上限报警值超出0.0~999.9，或者格式不对",
                                        "上限报警值超出0.0~999.9",
                                        "上限报警值超出在0.0~999.9，或者格式不对"};
const OneDecimalRule kLowerAlarmRule = {5,
                                        999.9,
                                        {{{4, 1000.0}, {5, 1000.0}}},
                                        3,
                                        "下限报警值超出0.0~999.9，或者格式不对",
                                        "下限报警值超出0.0~999.9",
                                        "下限报警值超出在0.0~999.9，或者格式不对"};

FieldCheck checkOneDecimal(const OneDecimalRule& rule, const std::string& text) {
    const std::u32string chars = text::characters(text);
    if (chars.size() > rule.longest) {
        return rejected(rule.tooLong, false);
    }
    if (chars.size() == 1 && !text::isDigit(chars[0])) {
        return rejected(kFormatMessage, false);
    }
    const DecimalText number(chars);
    if (chars.size() >= 2) {
        for (const auto& [length, limit] : rule.valueTests) {
            if (chars.size() == length && number.value() >= limit) {
                return rejected(rule.valueTest, false);
            }
        }
        for (const char32_t c : chars) {
            if (!text::isDigit(c) && c != U'.') {
                return rejected(kFormatMessage, false);
            }
        }
    }
    if (number.value() > rule.largest) {
        return rejected(rule.aboveLargest, false);
    }
    if (chars.empty()) {
        return accepted(std::string(), true);
    }
    return accepted(number.formatted(rule.integerDigits, 1), true);
}

// A text that begins with "." is read with a "0" in front of it.
std::u32string withLeadingZero(const std::string& text) {
    std::u32string chars = text::characters(text);
    if (!chars.empty() && chars[0] == U'.') {
        chars.insert(chars.begin(), U'0');
    }
    return chars;
}

// Sensor coefficient and flow multiplier: 0.0000 to 3.9999, one digit before the point. A text
// that would round to 4.0000 is out of the meter's range too.
FieldCheck checkCoefficient(const char* message, const std::string& text) {
    const std::u32string chars = withLeadingZero(text);
    const DecimalText number(chars);
    const double value = number.value();
    const bool pointSecond = chars.size() >= 2 && chars[1] == U'.';
    const std::string shown = number.formatted(1, 4);
    if (!(value >= 0.0 && value < 4.0 && pointSecond) || shown == "4.0000") {
        return rejected(message, false);
    }
    return accepted(shown, true);
}

FieldCheck checkZeroCorrection(const std::string& text) {
    const std::u32string chars = withLeadingZero(text);
    const DecimalText number(chars);
    if (!(std::fabs(number.value()) <= 9.999)) {
        return rejected("零点修正值不对，零点修正值范围在±0.000~9.999", false);
    }
    if (chars.empty()) {
        return accepted(std::string(), true);
    }
    return accepted(number.formatted(1, 3), true);
}

}  // namespace

FieldCheck checkField(Param param, const std::string& text) {
    if (isSelection(param)) {
        if (wireCode(param, text)) {
            return accepted(text, std::nullopt);
        }
        return rejected(selectionMessage(param), std::nullopt);
    }
    switch (param) {
        case Param::RangeValue:
            return checkWholeNumber(kRangeValueRule, text);
        case Param::FrequencyRange:
            return checkWholeNumber(kFrequencyRule, text);
        case Param::CutoffValue:
            return checkOneDecimal(kCutoffRule, text);
        case Param::UpperAlarmValue:
            return checkOneDecimal(kUpperAlarmRule, text);
        case Param::LowerAlarmValue:
            return checkOneDecimal(kLowerAlarmRule, text);
        case Param::SensorCoefficient:
            return checkCoefficient("设置值不对，传感器系数范围在0.0000~3.9999", text);
        case Param::FlowMultiplier:
            return checkCoefficient("流量系数值不对，流量系数范围在0.0000~3.9999", text);
        default:
            return checkZeroCorrection(text);
    }
}

}  // namespace parameters
