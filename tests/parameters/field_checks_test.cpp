// The checks a field runs when the operator leaves it: what each accepts, how it rewrites the
// text, which message a rejection shows, and whether a write may start afterwards.
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

#include "parameters/field_checks.h"
#include "parameters/param_names.h"
#include "support/case_names.h"

namespace parameters {
namespace {

struct Entry {
    Param param;
    const char* typed;
    const char* shown;    // the text after the check; "" when rejected
    const char* message;  // "" when accepted
};

// The field is in the case's name.
void PrintTo(const Entry& e, std::ostream* out) {
    *out << "typed \"" << e.typed << '"';
}

const char* const kRange = "输入数值不对，或者是带有小数点，请重新输入！";
const char* const kFrequencyLong = "输入数值超过5000，或者是带有小数点，请重新输入！";
const char* const kFrequencyBounds = "输入数值超过5000，或者是格式不对，请重新输入！";
const char* const kFormat = "输入格式不对";
const char* const kSensor = "设置值不对，传感器系数范围在0.0000~3.9999";
const char* const kMultiplier = "流量系数值不对，流量系数范围在0.0000~3.9999";
const char* const kZero = "零点修正值不对，零点修正值范围在±0.000~9.999";

const Entry kEntries[] = {
    // Selections keep exactly one of their options.
    {Param::Diameter, "250", "250", ""},
    {Param::Diameter, "03", "03", ""},
    {Param::Diameter, "3", "", "请选择正确口径！不能错误输入"},
    {Param::Diameter, "", "", "请选择正确口径！不能错误输入"},
    {Param::PulseEquivalent, "100m3/P", "100m3/P", ""},
    {Param::RangeUnit, "M3/h", "", "请正确选择量程单位！不能错误输入"},
    {Param::RangeUnit, "m3/h ", "", "请正确选择量程单位！不能错误输入"},
    {Param::RangeExponent, "1", "", "请正确选择量程冥指数！不能错误输入"},
    {Param::RangeExponent, "+1", "+1", ""},
    {Param::FlowDirection, "向前", "", "请正确选择流向！不能错误输入"},
    {Param::LowerAlarmEnable, "允许", "允许", ""},
    // Whole numbers without leading zeros, sign or point.
    {Param::RangeValue, "28274", "28274", ""},
    {Param::RangeValue, "0", "", kRange},
    {Param::RangeValue, "05", "", kRange},
    {Param::RangeValue, "1.5", "", kRange},
    {Param::RangeValue, "123456", "", kRange},
    {Param::RangeValue, "", "", ""},
    {Param::FrequencyRange, "5000", "5000", ""},
    {Param::FrequencyRange, "5001", "", kFrequencyBounds},
    {Param::FrequencyRange, "12345", "", kFrequencyLong},
    {Param::FrequencyRange, "一二", "", kFrequencyBounds},  // two characters, not six bytes
    // One decimal, digits and points only.
    {Param::CutoffValue, "0.5", "00.5", ""},
    {Param::CutoffValue, "5", "05.0", ""},
    {Param::CutoffValue, "99.9", "99.9", ""},
    {Param::CutoffValue, "100", "", "小信号值超出0.0~99.9"},
    {Param::CutoffValue, "a", "", kFormat},
    {Param::CutoffValue, "1a", "", kFormat},
    {Param::CutoffValue, "99.95", "", "小信号值超出0.0~99.9，或者格式不对"},
    {Param::CutoffValue, "999.", "", "小信号值超出在0.0~99.9，或者格式不对"},
    {Param::CutoffValue, "", "", ""},
    {Param::UpperAlarmValue, "90", "090.0", ""},
    {Param::UpperAlarmValue, "999.9", "999.9", ""},
    {Param::UpperAlarmValue, "1000", "", "上限报警值超出0.0~999.9"},
    {Param::UpperAlarmValue, "-5", "", kFormat},
    {Param::LowerAlarmValue, "15.04", "015.0", ""},
    {Param::LowerAlarmValue, "123456", "", "下限报警值超出0.0~999.9，或者格式不对"},
    // Coefficients: one digit, a point in the second place, below 4 after rounding.
    {Param::FlowMultiplier, ".5", "0.5000", ""},
    {Param::FlowMultiplier, "1.5", "1.5000", ""},
    {Param::FlowMultiplier, "1", "", kMultiplier},
    {Param::FlowMultiplier, "4.0", "", kMultiplier},
    {Param::FlowMultiplier, "12.5", "", kMultiplier},
    {Param::FlowMultiplier, "", "", kMultiplier},
    {Param::SensorCoefficient, "3.99994", "3.9999", ""},
    {Param::SensorCoefficient, "3.99995", "", kSensor},   // would read 4.0000, beyond the meter
    {Param::SensorCoefficient, "1.00005", "1.0001", ""},  // rounded on the decimal text
    {Param::SensorCoefficient, "-0.5", "", kSensor},
    // Zero correction: -9.999 to 9.999.
    {Param::ZeroCorrection, "-1.5", "-1.500", ""},
    {Param::ZeroCorrection, "5", "5.000", ""},
    {Param::ZeroCorrection, ".25", "0.250", ""},
    {Param::ZeroCorrection, "9.999", "9.999", ""},
    {Param::ZeroCorrection, "-0.0001", "0.000", ""},  // no negative zero
    {Param::ZeroCorrection, "10", "", kZero},
    {Param::ZeroCorrection, "1e1", "1.000", ""},  // no exponent: the number ends at "e"
    {Param::ZeroCorrection, "", "", ""},
};

class FieldCheckTable : public ::testing::TestWithParam<Entry> {};

TEST_P(FieldCheckTable, AcceptsRewritesOrRejects) {
    const Entry& e = GetParam();
    const FieldCheck check = checkField(e.param, e.typed);
    EXPECT_EQ(check.text, e.shown);
    EXPECT_EQ(check.message.value_or(""), e.message);
    // Only the six decimal fields report their validity; the others leave it alone.
    const bool decimal =
        !isSelection(e.param) && e.param != Param::RangeValue && e.param != Param::FrequencyRange;
    if (decimal) {
        EXPECT_EQ(check.fieldValid, std::optional<bool>(*e.message == '\0'));
    } else {
        EXPECT_EQ(check.fieldValid, std::nullopt);
    }
}

INSTANTIATE_TEST_SUITE_P(Entries, FieldCheckTable, ::testing::ValuesIn(kEntries),
                         [](const ::testing::TestParamInfo<Entry>& info) {
                             const auto field = [](const Entry& e) { return e.param; };
                             return std::string(nameOf(info.param.param)) + "_" +
                                    std::to_string(
                                        testsupport::ordinalAmong(kEntries, info.index, field));
                         });

TEST(WireCodes, PositionInTheListExceptTheRangeExponent) {
    const struct {
        Param param;
        const char* text;
        int code;
    } codes[] = {
        {Param::Diameter, "03", 0},
        {Param::Diameter, "250", 16},
        {Param::Diameter, "3000", 38},
        {Param::TotalizerUnit, "1.0t", 23},
        {Param::PulseEquivalent, "100m3/P", 9},
        {Param::RangeUnit, "kg/h", 15},
        {Param::RangeExponent, "+0", 0},
        {Param::RangeExponent, "-1", 6},
        {Param::RangeExponent, "-2", 7},
        {Param::RangeExponent, "+5", 5},
        {Param::Damping, "100.0S", 14},
        {Param::CutoffEnable, "禁止", 1},
    };
    for (const auto& c : codes) {
        EXPECT_EQ(wireCode(c.param, c.text), std::optional<std::uint8_t>(c.code)) << c.text;
    }
    EXPECT_EQ(wireCode(Param::Diameter, "3"), std::nullopt);
    EXPECT_EQ(wireCode(Param::RangeValue, "100"), std::nullopt);
}

TEST(SavedParameters, DefaultsStandInTheFixedOrder) {
    SavedParameters saved;
    saved.assign(defaultTexts());
    EXPECT_EQ(saved.text(Param::Diameter), "100");
    EXPECT_EQ(saved.text(Param::TotalizerUnit), "1.0m3");
    EXPECT_EQ(saved.text(Param::LowerAlarmValue), "015.0");
    EXPECT_EQ(saved.text(Param::ZeroCorrection), "+0.000");
    EXPECT_EQ(saved.text(Param::FlowMultiplier), "1.0000");
    EXPECT_EQ(saved.texts(), defaultTexts());
}

}  // namespace
}  // namespace parameters
