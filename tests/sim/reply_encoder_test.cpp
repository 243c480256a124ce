#include "reply_encoder.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "sim_test_support.h"

namespace meter_sim {
namespace {

using testing::Bytes;
using testing::bytesOf;
using testing::hexOf;

// A frame from the encoder and the bytes worked out by hand for it.
struct Vector {
    const char* name;
    Frame frame;
    Bytes expected;
};

void PrintTo(const Vector& vector, std::ostream* out) {
    *out << hexOf(vector.expected);
}

class ReplyVectors : public ::testing::TestWithParam<Vector> {};

TEST_P(ReplyVectors, Match) {
    EXPECT_EQ(hexOf(bytesOf(GetParam().frame)), hexOf(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    AllKinds, ReplyVectors,
    ::testing::Values(Vector{"flow_1234_56_m3h",
                             encodeFlow(3, 1234.56, 2),
                             {0x03, 0x00, 0x56, 0x34, 0x12, 0x03, 0x02, 0x00, 0x71, 0xAA}},
                      Vector{"flow_negative_half_litre",
                             encodeFlow(1, -0.5, 4),
                             {0x01, 0x00, 0x00, 0x00, 0x05, 0x00, 0x04, 0x01, 0x00, 0xAA}},
                      Vector{"flow_seven_digits_rounds_to_tens",
                             encodeFlow(1, 1234567.0, 2),
                             {0x01, 0x00, 0x57, 0x34, 0x12, 0x06, 0x02, 0x00, 0x75, 0xAA}},
                      Vector{"flow_beyond_reach_clamps",
                             encodeFlow(2, 1e12, 10),
                             {0x02, 0x00, 0x99, 0x99, 0x99, 0x0A, 0x0A, 0x00, 0x99, 0xAA}},
                      Vector{"velocity_cutoff_disabled",
                             encodeVelocity(1, 1.25, 1),
                             {0x01, 0x01, 0x00, 0x25, 0x01, 0x01, 0x04, 0x00, 0x21, 0xAA}},
                      Vector{"velocity_negative",
                             encodeVelocity(1, -12.3456, 0),
                             {0x01, 0x01, 0x56, 0x34, 0x12, 0x00, 0x04, 0x01, 0x75, 0xAA}},
                      Vector{"velocity_three_decimals",
                             encodeVelocity(1, 150.5, 0),
                             {0x01, 0x01, 0x00, 0x05, 0x15, 0x00, 0x03, 0x00, 0x13, 0xAA}},
                      Vector{"percentage",
                             encodePercentage(3, 45.6, 1, 0, 1),
                             {0x03, 0x02, 0x56, 0x04, 0x01, 0x00, 0x01, 0x00, 0x52, 0xAA}},
                      Vector{"percentage_negative_small",
                             encodePercentage(3, -0.5, 0, 0, 0),
                             {0x03, 0x02, 0x05, 0x00, 0x00, 0x00, 0x00, 0x01, 0x04, 0xAA}},
                      Vector{"resistance",
                             encodeResistance(4, 12.5, 0),
                             {0x04, 0x03, 0x25, 0x01, 0x00, 0x00, 0x00, 0x00, 0x24, 0xAA}},
                      Vector{"forward_total_two_decimals",
                             encodeTotal(3, Command::ForwardTotal, 123456.78, 5),
                             {0x03, 0x04, 0x78, 0x56, 0x34, 0x12, 0x00, 0x05, 0x0D, 0xAA}},
                      Vector{"reverse_total_three_decimals",
                             encodeTotal(3, Command::ReverseTotal, 0.5, 4),
                             {0x03, 0x05, 0x00, 0x05, 0x00, 0x00, 0x00, 0x04, 0x01, 0xAA}},
                      Vector{"total_ten_digits",
                             encodeTotal(1, Command::ForwardTotal, 9876543210.0, 3),
                             {0x01, 0x04, 0x10, 0x32, 0x54, 0x76, 0x98, 0x03, 0x9B, 0xAA}},
                      Vector{"total_wraps_at_ten_digits",
                             encodeTotal(1, Command::ForwardTotal, 12345678901.0, 3),
                             {0x01, 0x04, 0x01, 0x89, 0x67, 0x45, 0x23, 0x03, 0x8A, 0xAA}},
                      Vector{"alarms",
                             encodeAlarms(1, 0x18),
                             {0x01, 0x06, 0x18, 0x00, 0x00, 0x00, 0x00, 0x00, 0x18, 0xAA}},
                      Vector{"diameter_3000",
                             encodeDiameter(16, 38),
                             {0x10, 0x07, 0x26, 0x00, 0x00, 0x00, 0x00, 0x00, 0x26, 0xAA}},
                      Vector{"power_failures",
                             encodePowerFailures(2, 300, 5, 59),
                             {0x02, 0x08, 0x2C, 0x01, 0x05, 0x00, 0x3B, 0x00, 0x13, 0xAA}},
                      Vector{"power_failures_clamped",
                             encodePowerFailures(2, 40000, -3, 0),
                             {0x02, 0x08, 0xFF, 0x7F, 0x00, 0x00, 0x00, 0x00, 0x80, 0xAA}},
                      Vector{"start_ack",
                             encodeAck(5, 100),
                             {0x05, 0x64, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00, 0x06, 0xAA}},
                      Vector{"step_ack",
                             encodeAck(3, 7),
                             {0x03, 0x07, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0xAA}},
                      Vector{"wrong_password",
                             encodeError(1, 0, 0x80),
                             {0x01, 0x00, 0x0D, 0x80, 0x00, 0x00, 0x00, 0x00, 0x8C, 0xAA}}),
    [](const ::testing::TestParamInfo<Vector>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace meter_sim
