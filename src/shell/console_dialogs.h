#pragma once

#include <iostream>

#include "platform/dialogs.h"

namespace shell {

// The dialogs of a program that runs without windows: messages go to standard error and nobody
// answers a question, as if every box were cancelled.
class ConsoleDialogs final : public platform::Dialogs {
  public:
    std::string inputBox(const std::string&, const std::string&, const std::string&) override {
        return {};
    }
    std::string passwordBox(const std::string&, const std::string&, const std::string&) override {
        return {};
    }
    void messageBox(const std::string& text) override { std::cerr << "tuskocp: " << text << "\n"; }
    std::string saveFileName(const std::string&, const std::string&, const std::string&) override {
        return {};
    }
    bool askYesNo(const std::string&) override { return false; }
};

}  // namespace shell
