#include "link/pauses.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>

namespace seriallink {
namespace {

using namespace std::chrono_literals;

struct CharacterCase {
    const char* settings;
    std::chrono::nanoseconds expected;  // start + data + parity + stop bits, rounded up
};

class CharacterTime : public ::testing::TestWithParam<CharacterCase> {};

TEST_P(CharacterTime, CountsStartDataParityAndStopBits) {
    const auto line = parseLineSettings(GetParam().settings);
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(characterTime(*line), GetParam().expected) << GetParam().settings;
}

INSTANTIATE_TEST_SUITE_P(Lines, CharacterTime,
                         ::testing::Values(CharacterCase{"600,n,8,1", 16'666'667ns},
                                           CharacterCase{"9600,n,8,1", 1'041'667ns},
                                           CharacterCase{"14400,s,8,1", 763'889ns},
                                           CharacterCase{"19200,e,7,2", 572'917ns},
                                           CharacterCase{"1200,o,5,1.5", 7'083'334ns}));

struct PauseCase {
    const char* settings;
    std::int32_t count;
    std::chrono::nanoseconds atLeast;
};

class PauseBetweenBytes : public ::testing::TestWithParam<PauseCase> {};

// Only the lower bound is checked: how long a pause may last depends on the machine's load.
TEST_P(PauseBetweenBytes, LastsAtLeastOneCharacter) {
    const auto start = std::chrono::steady_clock::now();
    pauseBetweenBytes(GetParam().count, GetParam().settings);
    EXPECT_GE(std::chrono::steady_clock::now() - start, GetParam().atLeast)
        << GetParam().settings << " count " << GetParam().count;
}

INSTANTIATE_TEST_SUITE_P(Lines, PauseBetweenBytes,
                         ::testing::Values(PauseCase{"600,n,8,1", 0, 16'666'667ns},
                                           PauseCase{"9600,n,8,1", 0, 1'041'667ns},
                                           PauseCase{"9600,n,8,1", 300000, 1'041'667ns},
                                           // not line settings: the slowest line, 600 baud
                                           PauseCase{"9600,x,8,1", 0, 16'666'667ns}));

}  // namespace
}  // namespace seriallink
