#include "link/line_settings.h"

#include <gtest/gtest.h>

#include <string>

namespace seriallink {
namespace {

struct GoodCase {
    std::string text;
    LineSettings expected;
};

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
                      GoodCase{"14400,S,8,1", {14400, Parity::Space, 8, StopBits::One}}));

class LineSettingsMalformed : public ::testing::TestWithParam<std::string> {};

TEST_P(LineSettingsMalformed, IsRefused) {
    EXPECT_FALSE(parseLineSettings(GetParam()).has_value()) << '"' << GetParam() << '"';
}

INSTANTIATE_TEST_SUITE_P(
    AllFaults, LineSettingsMalformed,
    ::testing::Values("", ",,,", "9600", "9600,n,8", "9600,n,8,1,", "9600,n,8,1,1",     // fields
                      "0,n,8,1", "-9600,n,8,1", "+9600,n,8,1", "96a0,n,8,1", ",n,8,1",  // speed
                      "99999999999,n,8,1", "9600.5,n,8,1",                              //
                      "9600,x,8,1", "9600,,8,1", "9600,no,8,1",                         // parity
                      "9600,n,4,1", "9600,n,9,1", "9600,n,08,1", "9600,n,,1",           // data bits
                      "9600,n,8,0", "9600,n,8,3", "9600,n,8,1.0", "9600,n,8,",          // stop bits
                      " 9600,n,8,1", "9600, n,8,1", "9600,n,8,1 ", "9600,n,8,1\r",      // blanks
                      "9600;n;8;1"));

}  // namespace
}  // namespace seriallink
