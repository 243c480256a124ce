// A record's value: blank is none, anything else as the program reads a number.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "text/leading_number.h"
#include "trend/record_value.h"

namespace {

TEST(RecordValue, ReadsTheDisplaysTexts) {
    const std::pair<const char*, std::optional<double>> cases[] = {
        {"+1234.56m3/h", 1234.56},
        {"-0.5m3/h", -0.5},
        {"+00", 0.0},
        {"123456.78m3", 123456.78},
        {".5m3", 0.5},
        {"+45.6%", 45.6},
        {"1.5E+10m3", 1.5e10},
        {"通讯错误", 0.0},
        {"", std::nullopt},
        {"  +12.5", 12.5},
        {"12.5.3", 12.5},
        {"+", 0.0},
        {"9999999999999999", 9999999999999999.0},
        {"123456789.012345m3", 123456789.012345},  // fifteen digits, read here
        {"1234567890.123456m3", 1234567890.123456},
        {"1.e5", 1e5},
        {"+.5m3/h", 0.5},
        {"-.m3/h", 0.0},
        {"7.", 7.0},
    };
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(trend::recordValue(text), value) << text;
    }
}

// Texts made of the characters numbers and units are made of: every one reads as the program's
// one way of reading numbers reads it, to the last bit.
TEST(RecordValue, AgreesWithTheProgramsReadingOfNumbers) {
    std::mt19937 random(11);
    const std::string alphabet = "0123456789+-.eE m3/h%L";
    for (int i = 0; i < 200000; ++i) {
        std::string text;
        const int length = static_cast<int>(random() % 20);
        for (int j = 0; j < length; ++j) {
            // Mostly digits, so that long numbers come up.
            const bool digit = random() % 3 != 0;
            text += digit ? static_cast<char>('0' + random() % 10)
                          : alphabet[random() % alphabet.size()];
        }
        const std::optional<double> expected =
            text.empty() ? std::nullopt : text::leadingNumber(text);
        const std::optional<double> got = trend::recordValue(text);
        ASSERT_EQ(got.has_value(), expected.has_value()) << text;
        if (got) {
            ASSERT_EQ(std::signbit(*got), std::signbit(*expected)) << text;
            ASSERT_EQ(*got, *expected) << text;
        }
    }
}

}  // namespace
