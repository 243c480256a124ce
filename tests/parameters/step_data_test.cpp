// What each write step sends and how it rewrites the fields it reads; the start of a write.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "parameters/param_names.h"
#include "parameters/step_data.h"
#include "support/case_names.h"

namespace parameters {
namespace {

struct StepCase {
    std::uint8_t step;
    std::vector<std::pair<Param, const char*>> typed;  // changes to the default set
    StepData data;
    Param shownField;
    const char* shown;  // the field's text after the step
};

// The fields typed before the step, e.g. RangeValue="100"; the step is in the case's name.
void PrintTo(const StepCase& c, std::ostream* out) {
    if (c.typed.empty()) {
        *out << "defaults";
    }
    const char* separator = "";
    for (const auto& [param, text] : c.typed) {
        *out << separator << nameOf(param) << "=\"" << text << '"';
        separator = " ";
    }
}

const StepCase kSteps[] = {
    {1, {}, {12, 0, 0, 0, 0, 0}, Param::Diameter, "100"},
    {1, {{Param::Diameter, "3000"}}, {38, 0, 0, 0, 0, 0}, Param::Diameter, "3000"},
    {2, {}, {2, 8, 2, 7, 4, 114}, Param::RangeValue, "28274"},
    {2, {{Param::RangeValue, "100"}}, {0, 0, 1, 0, 0, 114}, Param::RangeValue, "00100"},
    {2,
     {{Param::RangeValue, ""}, {Param::RangeExponent, "+3"}, {Param::RangeUnit, "kg/h"}},
     {0, 0, 0, 0, 1, 3 * 16 + 15},
     Param::RangeValue,
     "00001"},
    {2, {{Param::RangeValue, "1234567"}}, {1, 2, 3, 4, 5, 114}, Param::RangeValue, "12345"},
    {3, {}, {6, 0, 0, 0, 0, 0}, Param::Damping, "4.0S"},
    {4, {{Param::FlowDirection, "反向"}}, {1, 0, 0, 0, 0, 0}, Param::FlowDirection, "反向"},
    {5,
     {{Param::CutoffValue, "0.5"}, {Param::CutoffEnable, "允许"}},
     {0, 0, 5, 0, 0, 0},
     Param::CutoffValue,
     "00.5"},
    {5, {{Param::CutoffValue, ""}}, {0, 0, 0, 1, 0, 0}, Param::CutoffValue, "00.0"},
    {6, {}, {7, 0, 0, 0, 0, 0}, Param::TotalizerUnit, "1.0m3"},
    {7,
     {{Param::FrequencyRange, "50"}, {Param::OutputMode, "脉冲"}},
     {0, 0, 5, 0, 1, 0},
     Param::FrequencyRange,
     "0050"},
    {8,
     {{Param::PulseEquivalent, "100m3/P"}},
     {0, 0, 0, 0, 9, 0},
     Param::PulseEquivalent,
     "100m3/P"},
    {9, {{Param::UpperAlarmValue, "90"}}, {0, 9, 0, 0, 1, 0}, Param::UpperAlarmValue, "090.0"},
    {10,
     {{Param::LowerAlarmValue, "999.9"}, {Param::LowerAlarmEnable, "允许"}},
     {9, 9, 9, 9, 0, 0},
     Param::LowerAlarmValue,
     "999.9"},
    {11, {{Param::ZeroCorrection, "-1.5"}}, {1, 5, 0, 0, 1, 0}, Param::ZeroCorrection, "-1.500"},
    {11, {{Param::ZeroCorrection, "0.25"}}, {0, 2, 5, 0, 0, 0}, Param::ZeroCorrection, "+0.250"},
    {11, {{Param::ZeroCorrection, "+0.000"}}, {0, 0, 0, 0, 0, 0}, Param::ZeroCorrection, "+0.000"},
    {12,
     {{Param::SensorCoefficient, "1.2345"}},
     {1, 2, 3, 4, 5, 0},
     Param::SensorCoefficient,
     "1.2345"},
    {13, {{Param::FlowMultiplier, ".5"}}, {0, 5, 0, 0, 0, 0}, Param::FlowMultiplier, "0.5000"},
    {15, {}, {6, 0, 0, 0, 0, 0}, Param::Diameter, "100"},
};

class StepTable : public ::testing::TestWithParam<StepCase> {};

TEST_P(StepTable, RewritesAndSends) {
    const StepCase& c = GetParam();
    ParameterTexts texts = defaultTexts();
    for (const auto& [param, text] : c.typed) {
        texts[indexOf(param)] = text;
    }
    const StepPreparation prepared = prepareStep(c.step, texts);
    ASSERT_FALSE(prepared.refused) << prepared.message.value_or("");
    EXPECT_EQ(texts[indexOf(c.shownField)], c.shown);
    EXPECT_EQ(stepData(c.step, texts), c.data);
}

INSTANTIATE_TEST_SUITE_P(Steps, StepTable, ::testing::ValuesIn(kSteps),
                         [](const ::testing::TestParamInfo<StepCase>& info) {
                             const auto step = [](const StepCase& c) { return c.step; };
                             return "step" + std::to_string(info.param.step) + "_" +
                                    std::to_string(
                                        testsupport::ordinalAmong(kSteps, info.index, step));
                         });

TEST(StepPreparation, AFieldThatFailsAtItsStepIsEmptiedAndNamed) {
    const struct {
        std::uint8_t step;
        Param param;
        const char* typed;
        const char* message;
    } cases[] = {
        {12, Param::SensorCoefficient, "1", "设置值不对，传感器系数范围在0.0000~3.9999"},
        {13, Param::FlowMultiplier, "", "流量系数值不对，流量系数范围在0.0000~3.9999"},
        {9, Param::UpperAlarmValue, "-5", "输入格式不对"},
        {1, Param::Diameter, "3", "请选择正确口径！不能错误输入"},
        {2, Param::RangeUnit, "m3/H", "请正确选择量程单位！不能错误输入"},
    };
    for (const auto& c : cases) {
        ParameterTexts texts = defaultTexts();
        texts[indexOf(c.param)] = c.typed;
        const StepPreparation prepared = prepareStep(c.step, texts);
        EXPECT_EQ(prepared.refused, std::optional<Param>(c.param)) << c.typed;
        EXPECT_EQ(prepared.message.value_or(""), c.message);
        EXPECT_EQ(texts[indexOf(c.param)], "");
    }
}

TEST(StartOfWrite, LineSpeedChoosesSettingsPeriodAndPause) {
    const struct {
        const char* text;
        const char* settings;
        int periodMs;
        std::int32_t pause;
    } speeds[] = {
        {"600", "600,n,8,1", 1000, 900000},    {"1200", "1200,n,8,1", 260, 600000},
        {"2400", "2400,n,8,1", 200, 300000},   {"19200", "19200,n,8,1", 200, 300000},
        {"38400", "14400,n,8,1", 200, 300000}, {"9600 ", "14400,n,8,1", 200, 300000},
    };
    for (const auto& s : speeds) {
        const WriteLineSpeed& speed = writeLineSpeed(s.text);
        EXPECT_STREQ(speed.settings, s.settings) << s.text;
        EXPECT_EQ(speed.timerIntervalMs, s.periodMs) << s.text;
        EXPECT_EQ(speed.pauseCount, s.pause) << s.text;
    }
    const std::array<std::uint8_t, 4> station5 = {0x2A, 0x05, 0x64, 0x2E};
    EXPECT_EQ(startCommand(5), station5);
}

}  // namespace
}  // namespace parameters
