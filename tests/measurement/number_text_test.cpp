#include <gtest/gtest.h>

#include "measurement/number_text.h"
#include "text/leading_number.h"

namespace measurement {
namespace {

TEST(NumberText, SinglePrecision) {
    const struct {
        float value;
        const char* text;
    } cases[] = {
        {1234.56f, "1234.56"},
        {12.3f, "12.3"},
        {0.25f, ".25"},
        {-0.5f, "-.5"},
        {0.0f, "0"},
        {-0.0f, "0"},
        {100.0f, "100"},
        {1234567.0f, "1234567"},
        {12345678.0f, "1.234568E+07"},
        {10000000.0f, "1E+07"},
        {99999900000.0f, "9.99999E+10"},
        {-12345600000.0f, "-1.23456E+10"},
        {0.1234567f, ".1234567"},
        {0.00001f, ".00001"},
        {0.01234567f, "1.234567E-02"},
        {0.00000001f, "1E-08"},
        {1e-7f, ".0000001"},
        {1.5e-7f, "1.5E-07"},
        {1e20f, "1E+20"},
        {3.4e38f, "3.4E+38"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(singleNumberText(c.value), c.text) << c.text;
    }
}

TEST(NumberText, DoublePrecision) {
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {123456.78, "123456.78"},
        {0.5, ".5"},
        {0.1 + 0.2, ".3"},
        {1234567890.0, "1234567890"},
        {123456789012345.0, "123456789012345"},
        {1234567890123456.0, "1.23456789012346E+15"},
        {1e15, "1E+15"},
        {12345678901234.5, "12345678901234.5"},
        {1e-15, ".000000000000001"},
        {1e-16, "1E-16"},
        {1e-300, "1E-300"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(doubleNumberText(c.value), c.text) << c.text;
    }
}

TEST(NumberText, RoundingGoesThroughThePattern) {
    EXPECT_EQ(roundSingle(12.345678f, 2), 12.35f);
    EXPECT_EQ(roundSingle(0.000049f, 4), 0.0f);
    EXPECT_EQ(roundDouble(123456.78499, 2), 123456.78);
    EXPECT_EQ(roundDouble(2.0 / 3.0, 3), 0.667);
}

TEST(NumberText, FixedTextHasExactlyTheDecimals) {
    EXPECT_EQ(fixedText(123456.28, 3), "123456.280");
    EXPECT_EQ(fixedText(-2.5, 3), "-2.500");
    EXPECT_EQ(fixedText(0.0, 3), "0.000");
    EXPECT_EQ(fixedText(-0.0, 3), "0.000");
    EXPECT_EQ(fixedText(0.25, 3), "0.250");
    EXPECT_EQ(fixedText(123456.78 - 0.5, 3), "123456.280");
}

TEST(NumberText, LeadingNumberReadsTheStartOfAText) {
    const struct {
        const char* text;
        double value;
    } cases[] = {
        {"123456.78", 123456.78},
        {".5", 0.5},
        {"", 0.0},
        {"abc", 0.0},
        {"9.99999E+10", 9.99999e10},
        {"+12.5m3/h", 12.5},
        {"-2.5x", -2.5},
        {"  7", 7.0},
        {"1E", 1.0},
        {"1e-2", 0.01},
        {"5.", 5.0},
        {".", 0.0},
        {"-", 0.0},
        {"12:30", 12.0},
    };
    for (const auto& c : cases) {
        const auto value = text::leadingNumber(c.text);
        ASSERT_TRUE(value) << c.text;
        EXPECT_EQ(*value, c.value) << c.text;
    }
    EXPECT_FALSE(text::leadingNumber("1E+999"));
}

}  // namespace
}  // namespace measurement
