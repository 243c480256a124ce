#include "request_assembler.h"

#include <gtest/gtest.h>

#include "sim_test_support.h"

namespace meter_sim {
namespace {

using testing::Bytes;
using testing::parameterFrame;

constexpr StationMask kNoFrames = 0;

struct Fed {
    std::vector<Request> requests;
    std::vector<bool> started;
};

Fed feedAll(RequestAssembler& assembler, const Bytes& bytes, std::int64_t& nowUs,
            StationMask frames = kNoFrames, std::int64_t spacingUs = 1000) {
    Fed fed;
    for (auto b : bytes) {
        nowUs += spacingUs;
        auto out = assembler.push(b, nowUs, frames);
        fed.started.push_back(out.requestStarted);
        fed.requests.insert(fed.requests.end(), out.requests.begin(), out.requests.end());
    }
    return fed;
}

TEST(RequestAssembler, PollSentByteByByteCompletesOnItsLastByte) {
    RequestAssembler assembler;
    std::int64_t now = 0;
    const Fed fed = feedAll(assembler, {0x2A, 0x01, 0x00}, now);
    EXPECT_TRUE(fed.requests.empty());
    EXPECT_EQ(fed.started, (std::vector<bool>{true, false, false}));
    const Fed last = feedAll(assembler, {0x2E}, now);
    ASSERT_EQ(last.requests.size(), 1u);
    EXPECT_EQ(last.requests[0].kind, Request::Kind::Poll);
    EXPECT_EQ(last.requests[0].station, 1);
    EXPECT_EQ(last.requests[0].command, 0);
    EXPECT_EQ(assembler.pendingBytes(), 0u);
}

TEST(RequestAssembler, ResynchronisesOnStarAfterGarbage) {
    RequestAssembler assembler;
    std::int64_t now = 0;
    // Noise, a lone end marker, a "*" whose fourth byte is not "." and then a real poll.
    const Fed fed = feedAll(assembler, {0x00, 0xFF, 0x2E, 0x2A, 0x2A, 0x03, 0x07, 0x2E}, now);
    ASSERT_EQ(fed.requests.size(), 1u);
    EXPECT_EQ(fed.requests[0].station, 3);
    EXPECT_EQ(fed.requests[0].command, 7);
}

TEST(RequestAssembler, TwoPollsInOneDeliveryAreBothHeard) {
    RequestAssembler assembler;
    std::int64_t now = 0;
    const Fed fed =
        feedAll(assembler, {0x2A, 0x01, 0x08, 0x2E, 0x2A, 0x02, 0x00, 0x2E}, now, kNoFrames, 0);
    ASSERT_EQ(fed.requests.size(), 2u);
    EXPECT_EQ(fed.requests[1].station, 2);
    EXPECT_EQ(fed.requests[1].command, 0);
}

TEST(RequestAssembler, PauseLongerThanFrameGapDropsPartialPoll) {
    RequestAssembler assembler;
    std::int64_t now = 0;
    EXPECT_TRUE(feedAll(assembler, {0x2A, 0x05}, now).requests.empty());
    now += RequestAssembler::kFrameGapUs + 1;
    EXPECT_TRUE(feedAll(assembler, {0x00, 0x2E}, now).requests.empty());
    EXPECT_EQ(feedAll(assembler, testing::poll(5, 0), now).requests.size(), 1u);
}

TEST(RequestAssembler, ParameterFrameOnlyForListeningStation) {
    const Bytes frame = parameterFrame(2, 1, {12, 0, 0, 0, 0, 0});
    {
        RequestAssembler assembler;
        std::int64_t now = 0;
        EXPECT_TRUE(feedAll(assembler, frame, now).requests.empty());
    }
    RequestAssembler assembler;
    std::int64_t now = 0;
    const Fed fed = feedAll(assembler, frame, now, StationMask{1} << 2);
    ASSERT_EQ(fed.requests.size(), 1u);
    EXPECT_EQ(fed.requests[0].kind, Request::Kind::ParameterFrame);
    EXPECT_EQ(fed.requests[0].station, 2);
    EXPECT_EQ(Bytes(fed.requests[0].frame.begin(), fed.requests[0].frame.end()), frame);
}

TEST(RequestAssembler, StarInsideParameterFrameIsData) {
    RequestAssembler assembler;
    std::int64_t now = 0;
    // Range byte 7 = 0x2A (exponent code 2, unit code 10) and data that looks like a poll.
    const Bytes frame = parameterFrame(4, 2, {0x2A, 0x04, 0x00, 0x2E, 0, 0x2A});
    const Fed fed = feedAll(assembler, frame, now, StationMask{1} << 4);
    ASSERT_EQ(fed.requests.size(), 1u);
    EXPECT_EQ(fed.requests[0].kind, Request::Kind::ParameterFrame);
    for (std::size_t i = 1; i < fed.started.size(); ++i) {
        EXPECT_FALSE(fed.started[i]) << "byte " << i;
    }
}

TEST(RequestAssembler, BrokenParameterFrameDoesNotHideFollowingPoll) {
    RequestAssembler assembler;
    std::int64_t now = 0;
    Bytes bytes = parameterFrame(2, 3, {1, 0, 0, 0, 0, 0});
    bytes[9] = 0x00;  // end byte lost
    const Bytes next = testing::poll(2, 4);
    bytes.insert(bytes.end(), next.begin(), next.end());
    const Fed fed = feedAll(assembler, bytes, now, StationMask{1} << 2);
    ASSERT_EQ(fed.requests.size(), 1u);
    EXPECT_EQ(fed.requests[0].kind, Request::Kind::Poll);
    EXPECT_EQ(fed.requests[0].command, 4);
}

TEST(RequestAssembler, StationByteFollowedByImpossibleStepIsDroppedAtOnce) {
    RequestAssembler assembler;
    std::int64_t now = 0;
    // A stray byte equal to the listening station right before a poll.
    const Fed fed = feedAll(assembler, {0x02, 0x2A, 0x02, 0x01, 0x2E}, now, StationMask{1} << 2);
    ASSERT_EQ(fed.requests.size(), 1u);
    EXPECT_EQ(fed.requests[0].kind, Request::Kind::Poll);
    EXPECT_TRUE(fed.started[1]);
}

}  // namespace
}  // namespace meter_sim
