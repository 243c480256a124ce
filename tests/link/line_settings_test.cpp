#include "link/line_settings.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "support/case_names.h"

namespace seriallink {

// Settings as "{speed, parity, data bits, stop bits}", e.g. "{1200, odd, 5, 1.5}".
void PrintTo(const LineSettings& line, std::ostream* out) {
    static const char* const kParities[] = {"none", "even", "odd", "mark", "space"};
    static const char* const kStopBits[] = {"1", "1.5", "2"};
    *out << '{' << line.baud << ", " << kParities[static_cast<int>(line.parity)] << ", "
         << line.dataBits << ", " << kStopBits[static_cast<int>(line.stopBits)] << '}';
}

namespace {

struct GoodCase {
    std::string text;
    LineSettings expected;
};

void PrintTo(const GoodCase& c, std::ostream* out) {
    *out << ::testing::PrintToString(c.text) << ": " << ::testing::PrintToString(c.expected);
}

class LineSettingsGood : public ::testing::TestWithParam<GoodCase> {};

TEST_P(LineSettingsGood, Parses) {
    const auto parsed = parseLineSettings(GetParam().text);
    ASSERT_TRUE(parsed.has_value()) << GetParam().text;
    EXPECT_EQ(*parsed, GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    AllForms, LineSettingsGood,
    ::testing::Values(GoodCase{"9600,n,8,1", {9600, Parity::None, 8, StopBits::One}},
                      GoodCase{"14400,s,8,1", {14400, Parity::Space, 8, StopBits::One}},
                      GoodCase{"14400,n,8,1", {14400, Parity::None, 8, StopBits::One}},
                      GoodCase{"600,n,8,1", {600, Parity::None, 8, StopBits::One}},
                      GoodCase{"19200,e,7,2", {19200, Parity::Even, 7, StopBits::Two}},
                      GoodCase{"1200,o,5,1.5", {1200, Parity::Odd, 5, StopBits::OneAndHalf}},
                      GoodCase{"2400,m,6,1", {2400, Parity::Mark, 6, StopBits::One}},
                      GoodCase{"4800,N,8,1", {4800, Parity::None, 8, StopBits::One}},
                      GoodCase{"14400,S,8,1", {14400, Parity::Space, 8, StopBits::One}}),
    [](const ::testing::TestParamInfo<GoodCase>& info) {
        return testsupport::caseName(info.param.text);
    });

struct MalformedCase {
    std::string text;
    const char* fault;  // the case's name
};

void PrintTo(const MalformedCase& c, std::ostream* out) {
    *out << ::testing::PrintToString(c.text);
}

class LineSettingsMalformed : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(LineSettingsMalformed, IsRefused) {
    EXPECT_FALSE(parseLineSettings(GetParam().text).has_value())
        << ::testing::PrintToString(GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    AllFaults, LineSettingsMalformed,
    ::testing::Values(
        MalformedCase{"", "empty"}, MalformedCase{",,,", "fields_empty"},
        MalformedCase{"9600", "speed_alone"}, MalformedCase{"9600,n,8", "stop_bits_absent"},
        MalformedCase{"9600,n,8,1,", "fifth_field_empty"},
        MalformedCase{"9600,n,8,1,1", "fifth_field"}, MalformedCase{"0,n,8,1", "speed_zero"},
        MalformedCase{"-9600,n,8,1", "speed_negative"},
        MalformedCase{"+9600,n,8,1", "speed_with_plus"},
        MalformedCase{"96a0,n,8,1", "speed_with_letter"}, MalformedCase{",n,8,1", "speed_empty"},
        MalformedCase{"99999999999,n,8,1", "speed_beyond_int"},
        MalformedCase{"9600.5,n,8,1", "speed_fraction"},
        MalformedCase{"9600,x,8,1", "parity_unknown"}, MalformedCase{"9600,,8,1", "parity_empty"},
        MalformedCase{"9600,no,8,1", "parity_two_letters"},
        MalformedCase{"9600,n,4,1", "data_bits_4"}, MalformedCase{"9600,n,9,1", "data_bits_9"},
        MalformedCase{"9600,n,08,1", "data_bits_leading_zero"},
        MalformedCase{"9600,n,,1", "data_bits_empty"}, MalformedCase{"9600,n,8,0", "stop_bits_0"},
        MalformedCase{"9600,n,8,3", "stop_bits_3"}, MalformedCase{"9600,n,8,1.0", "stop_bits_1_0"},
        MalformedCase{"9600,n,8,", "stop_bits_empty"}, MalformedCase{" 9600,n,8,1", "blank_before"},
        MalformedCase{"9600, n,8,1", "blank_after_comma"},
        MalformedCase{"9600,n,8,1 ", "blank_after"},
        MalformedCase{"9600,n,8,1\r", "carriage_return_after"},
        MalformedCase{"9600;n;8;1", "semicolons"}),
    [](const ::testing::TestParamInfo<MalformedCase>& info) {
        return std::string(info.param.fault);
    });

}  // namespace
}  // namespace seriallink
