#pragma once

#include <map>
#include <string>

#include "shell/port_advice.h"

namespace shelltest {

// Says what the test sets: the reasons, and a note per port number in use.
struct FakePortAdvice final : shell::PortAdvice {
    std::string reasons;
    std::map<int, std::string> notes;  // by the port number polled
    int surveys = 0;

    std::string whyPortsAreUnusable() override {
        ++surveys;
        return reasons;
    }
    std::string missingPinnedPortNote(int usedNumber) override {
        const auto note = notes.find(usedNumber);
        return note == notes.end() ? std::string() : note->second;
    }
};

}  // namespace shelltest
