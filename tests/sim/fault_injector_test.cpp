#include "fault_injector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <ostream>
#include <string>

#include "delivery_queue.h"
#include "reply_encoder.h"
#include "sim_test_support.h"

namespace meter_sim {
namespace {

using testing::Bytes;
using testing::bytesOf;

const Frame kReply = encodeFlow(3, 1234.56, 2);

Bytes joinedChunks(const DeliveryPlan& plan) {
    Bytes all;
    for (const auto& chunk : plan.chunks) {
        all.insert(all.end(), chunk.bytes.begin(), chunk.bytes.end());
    }
    return all;
}

TEST(FaultInjector, RateZeroPassesEveryReplyUntouched) {
    FaultInjector injector(FaultRates{}, 7);
    for (int i = 0; i < 200; ++i) {
        const DeliveryPlan plan = injector.apply(kReply);
        EXPECT_FALSE(plan.dropped);
        EXPECT_FALSE(plan.late);
        EXPECT_TRUE(plan.faults.empty());
        ASSERT_EQ(plan.chunks.size(), 1u);
        EXPECT_EQ(plan.chunks[0].bytes, bytesOf(kReply));
    }
}

struct SingleFault {
    const char* name;
    double FaultRates::*rate;
    std::function<void(const DeliveryPlan&)> check;
};

void PrintTo(const SingleFault& fault, std::ostream* out) {
    *out << ::testing::PrintToString(fault.name);
}

class EachFaultAtRateOne : public ::testing::TestWithParam<SingleFault> {};

TEST_P(EachFaultAtRateOne, HitsEveryReply) {
    FaultRates rates;
    rates.*(GetParam().rate) = 1.0;
    FaultInjector injector(rates, 42);
    for (int i = 0; i < 50; ++i) {
        const DeliveryPlan plan = injector.apply(kReply);
        ASSERT_EQ(plan.faults, std::vector<std::string>{GetParam().name});
        GetParam().check(plan);
    }
}

void expectOnlyByteChanged(const DeliveryPlan& plan, std::size_t index) {
    ASSERT_EQ(plan.chunks.size(), 1u);
    const Bytes& bytes = plan.chunks[0].bytes;
    ASSERT_EQ(bytes.size(), 10u);
    for (std::size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(bytes[i] != kReply[i], i == index) << "byte " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, EachFaultAtRateOne,
    ::testing::Values(SingleFault{"no-reply", &FaultRates::noReply,
                                  [](const DeliveryPlan& p) {
                                      EXPECT_TRUE(p.dropped);
                                      EXPECT_TRUE(p.chunks.empty());
                                  }},
                      SingleFault{"bad-check", &FaultRates::badCheck,
                                  [](const DeliveryPlan& p) { expectOnlyByteChanged(p, 8); }},
                      SingleFault{"wrong-station", &FaultRates::wrongStation,
                                  [](const DeliveryPlan& p) {
                                      expectOnlyByteChanged(p, 0);
                                      EXPECT_EQ(p.chunks[0].bytes[0], 4);
                                  }},
                      SingleFault{"wrong-command", &FaultRates::wrongCommand,
                                  [](const DeliveryPlan& p) {
                                      expectOnlyByteChanged(p, 1);
                                      EXPECT_LT(p.chunks[0].bytes[1], 9);
                                  }},
                      SingleFault{"bad-end", &FaultRates::badEnd,
                                  [](const DeliveryPlan& p) {
                                      expectOnlyByteChanged(p, 9);
                                      EXPECT_EQ(p.chunks[0].bytes[9], 0x55);
                                  }},
                      SingleFault{"late", &FaultRates::late,
                                  [](const DeliveryPlan& p) {
                                      EXPECT_TRUE(p.late);
                                      EXPECT_EQ(joinedChunks(p), bytesOf(kReply));
                                  }},
                      SingleFault{"extra-bytes", &FaultRates::extraBytes,
                                  [](const DeliveryPlan& p) {
                                      const Bytes all = joinedChunks(p);
                                      ASSERT_GE(all.size(), 11u);
                                      ASSERT_LE(all.size(), 13u);
                                      EXPECT_EQ(Bytes(all.begin(), all.begin() + 10),
                                                bytesOf(kReply));
                                  }},
                      SingleFault{"split", &FaultRates::split,
                                  [](const DeliveryPlan& p) {
                                      ASSERT_EQ(p.chunks.size(), 2u);
                                      EXPECT_FALSE(p.chunks[0].bytes.empty());
                                      EXPECT_FALSE(p.chunks[1].bytes.empty());
                                      EXPECT_GE(p.chunks[1].afterUs, 5000);
                                      EXPECT_LE(p.chunks[1].afterUs, 20000);
                                      EXPECT_EQ(joinedChunks(p), bytesOf(kReply));
                                  }},
                      SingleFault{"noise", &FaultRates::noise,
                                  [](const DeliveryPlan& p) {
                                      const Bytes all = joinedChunks(p);
                                      ASSERT_GE(all.size(), 11u);
                                      ASSERT_LE(all.size(), 14u);
                                      EXPECT_EQ(Bytes(all.end() - 10, all.end()), bytesOf(kReply));
                                  }}),
    [](const ::testing::TestParamInfo<SingleFault>& info) {
        std::string name = info.param.name;
        std::replace(name.begin(), name.end(), '-', '_');
        return name;
    });

TEST(FaultInjector, SameSeedGivesSameFaults) {
    FaultRates rates;
    rates.badCheck = 0.3;
    rates.split = 0.3;
    rates.noise = 0.3;
    FaultInjector first(rates, 1234);
    FaultInjector second(rates, 1234);
    FaultInjector other(rates, 1235);
    int differences = 0;
    for (int i = 0; i < 100; ++i) {
        const DeliveryPlan a = first.apply(kReply);
        const DeliveryPlan b = second.apply(kReply);
        const DeliveryPlan c = other.apply(kReply);
        EXPECT_EQ(a.faults, b.faults);
        EXPECT_EQ(joinedChunks(a), joinedChunks(b));
        differences += a.faults != c.faults;
    }
    EXPECT_GT(differences, 10);
}

TEST(FaultInjector, RateIsAProbabilityPerReply) {
    FaultRates rates;
    rates.noReply = 0.25;
    FaultInjector injector(rates, 99);
    int dropped = 0;
    for (int i = 0; i < 4000; ++i) {
        dropped += injector.apply(kReply).dropped;
    }
    EXPECT_GT(dropped, 850);
    EXPECT_LT(dropped, 1150);
}

TEST(DeliveryQueue, RepliesFallDueAfterTheirDelay) {
    DeliveryQueue queue;
    queue.schedule(plainDelivery(kReply), 5000, "reply");
    EXPECT_EQ(queue.nextDueUs(), 5000);
    EXPECT_TRUE(queue.takeDue(4999).empty());
    const auto due = queue.takeDue(5000);
    ASSERT_EQ(due.size(), 1u);
    EXPECT_EQ(due[0].bytes, bytesOf(kReply));
    EXPECT_TRUE(queue.empty());
}

TEST(DeliveryQueue, SplitReplyArrivesInTwoParts) {
    DeliveryPlan plan;
    plan.chunks = {{{1, 2, 3}, 0}, {{4, 5}, 8000}};
    DeliveryQueue queue;
    queue.schedule(plan, 1000, "reply");
    EXPECT_EQ(queue.takeDue(1000).size(), 1u);
    EXPECT_EQ(queue.nextDueUs(), 9000);
    const auto second = queue.takeDue(9000);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second[0].bytes, (Bytes{4, 5}));
}

TEST(DeliveryQueue, LateReplyWaitsForTheNextPoll) {
    DeliveryPlan plan = plainDelivery(kReply);
    plan.late = true;
    DeliveryQueue queue;
    queue.schedule(plan, 1000, "late reply");
    EXPECT_FALSE(queue.nextDueUs());
    EXPECT_TRUE(queue.takeDue(10'000'000).empty());
    queue.releaseLate(20'000'000);
    const auto due = queue.takeDue(20'000'000);
    ASSERT_EQ(due.size(), 1u);
    EXPECT_EQ(due[0].label, "late reply");
    EXPECT_TRUE(queue.empty());
}

TEST(DeliveryQueue, DroppedReplyIsNeverSent) {
    DeliveryPlan plan;
    plan.dropped = true;
    DeliveryQueue queue;
    queue.schedule(plan, 0, "reply");
    EXPECT_TRUE(queue.empty());
}

}  // namespace
}  // namespace meter_sim
