#pragma once

#include <map>
#include <string>

#include "shell/port_advice.h"

namespace shelltest {

// Says what the test sets: the reasons, and a note per port number polled.
struct FakePortAdvice final : shell::PortAdvice {
    std::string reasons;
    std::map<int, std::string> notes;

    std::string whyPortsAreUnusable() override { return reasons; }
    std::string missingPinnedPortNote(int usedNumber) override { return notes[usedNumber]; }
};

}  // namespace shelltest
