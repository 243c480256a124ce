#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/event_gate.h"

namespace {

TEST(EventGate, EventsDuringAHandlerAreDroppedOrDeferred) {
    platform::EventGate gate;
    std::vector<std::string> order;
    const int portA = 0;
    const int portB = 0;
    gate.run([&] {
        order.push_back("handler");
        gate.run([&] { order.push_back("tick"); });  // dropped
        gate.runDeferred(&portA, [&] { order.push_back("port A"); });
        gate.runDeferred(&portA, [&] { order.push_back("port A again"); });  // folded
        gate.runDeferred(&portB, [&] { order.push_back("port B"); });
        EXPECT_TRUE(gate.busy());
        order.push_back("handler end");
    });
    EXPECT_FALSE(gate.busy());
    EXPECT_EQ(order, (std::vector<std::string>{"handler", "handler end", "port A", "port B"}));
}

TEST(EventGate, DeferredEventArrivingWhileDrainingRunsToo) {
    platform::EventGate gate;
    const int port = 0;
    int deliveries = 0;
    gate.run([&] {
        gate.runDeferred(&port, [&] {
            ++deliveries;
            gate.runDeferred(&port, [&] { ++deliveries; });
        });
    });
    EXPECT_EQ(deliveries, 2);
}

TEST(EventGate, IdleGateRunsAtOnceAndReopensAfterAnEscapedException) {
    platform::EventGate gate;
    int runs = 0;
    gate.run([&] { throw std::runtime_error("handler fault"); });
    EXPECT_FALSE(gate.busy());
    gate.run([&] { ++runs; });
    gate.runDeferred(&runs, [&] { ++runs; });
    EXPECT_EQ(runs, 2);
}

}  // namespace
