#include "link/pauses.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>

#include "support/case_names.h"

namespace seriallink {
namespace {

using namespace std::chrono_literals;
using std::chrono::nanoseconds;

struct CharacterCase {
    const char* settings;
    nanoseconds expected;  // start + data + parity + stop bits, rounded up
};

void PrintTo(const CharacterCase& c, std::ostream* out) {
    *out << ::testing::PrintToString(c.settings) << ": " << c.expected.count() << "ns";
}

class CharacterTime : public ::testing::TestWithParam<CharacterCase> {};

TEST_P(CharacterTime, CountsStartDataParityAndStopBits) {
    const auto line = parseLineSettings(GetParam().settings);
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(characterTime(*line).count(), GetParam().expected.count())
        << "nanoseconds at " << GetParam().settings;
}

INSTANTIATE_TEST_SUITE_P(Lines, CharacterTime,
                         ::testing::Values(CharacterCase{"600,n,8,1", 16'666'667ns},
                                           CharacterCase{"9600,n,8,1", 1'041'667ns},
                                           CharacterCase{"14400,s,8,1", 763'889ns},
                                           CharacterCase{"19200,e,7,2", 572'917ns},
                                           CharacterCase{"1200,o,5,1.5", 7'083'334ns}),
                         [](const ::testing::TestParamInfo<CharacterCase>& info) {
                             return testsupport::caseName(info.param.settings);
                         });

struct PauseCase {
    const char* settings;
    std::int32_t count;
    nanoseconds atLeast;
};

void PrintTo(const PauseCase& c, std::ostream* out) {
    *out << ::testing::PrintToString(c.settings) << ", count " << c.count;
}

class PauseBetweenBytes : public ::testing::TestWithParam<PauseCase> {};

// Only the lower bound is checked: how long a pause may last depends on the machine's load.
TEST_P(PauseBetweenBytes, LastsACharacter) {
    const auto start = std::chrono::steady_clock::now();
    pauseBetweenBytes(GetParam().count, GetParam().settings);
    const nanoseconds took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took.count(), GetParam().atLeast.count())
        << "nanoseconds at " << GetParam().settings << " count " << GetParam().count;
}

INSTANTIATE_TEST_SUITE_P(Lines, PauseBetweenBytes,
                         ::testing::Values(PauseCase{"600,n,8,1", 0, 16'666'667ns},
                                           PauseCase{"9600,n,8,1", 0, 1'041'667ns},
                                           PauseCase{"9600,n,8,1", 300000, 1'041'667ns},
                                           // not line settings: the slowest line, 600 baud
                                           PauseCase{"9600,x,8,1", 0, 16'666'667ns}),
                         [](const ::testing::TestParamInfo<PauseCase>& info) {
                             const std::string line = testsupport::caseName(info.param.settings);
                             return info.param.count == 0
                                        ? line
                                        : line + "_count" + std::to_string(info.param.count);
                         });

}  // namespace
}  // namespace seriallink
