#include "link/port_diagnosis.h"

#include <algorithm>
#include <cstddef>

namespace seriallink {
namespace {

constexpr std::size_t kColumnGap = 2;
constexpr std::size_t kPortColumn = sizeof("COM10") - 1 + kColumnGap;

std::string program(const OtherProgram& other) {
    return other.name + " (process " + std::to_string(other.processId) + ")";
}

std::string permissionAdvice(const DeviceFacts& facts) {
    const std::string denied = "permission denied: ";
    if (!facts.groupMayOpen) {
        return denied + "its group " + facts.group +
               " may not use it either; ask the administrator for access";
    }
    if (facts.group.empty() || facts.group == "root") {
        return denied + "the device belongs to group root; ask the administrator for access";
    }
    const std::string user = facts.user.empty() ? "$USER" : facts.user;
    return denied + "the device belongs to group " + facts.group +
           "; join it with \"sudo usermod -aG " + facts.group + " " + user +
           "\", then log in again";
}

std::string padded(std::string text, std::size_t width) {
    text.resize(std::max(text.size(), width), ' ');
    return text;
}

}  // namespace

PortLine diagnosePort(int number, const std::optional<std::string>& device,
                      const DeviceFacts& facts) {
    PortLine line;
    line.number = number;
    line.device = device.value_or("");
    if (!device || !facts.exists) {
        line.state = PortState::NoSuchDevice;
        line.reason = "no such device";
    } else if (facts.opens) {
        line.state = PortState::Usable;
        // Two programs reading one line each get only part of the replies.
        line.reason =
            facts.holder ? "usable, but also open in " + program(*facts.holder) : "usable";
    } else if (facts.accessDenied) {
        line.state = PortState::PermissionDenied;
        line.reason = permissionAdvice(facts);
    } else if (facts.holder || facts.busy) {
        // Another user's programs stay hidden from all but root.
        line.state = PortState::Held;
        line.reason = facts.holder ? "held by another program: " + program(*facts.holder)
                                   : "held by another program (run as root to see which)";
    } else {
        line.state = PortState::Unopenable;
        line.reason =
            facts.failure.empty() ? "cannot be opened" : "cannot be opened: " + facts.failure;
    }
    return line;
}

std::string portTable(const std::vector<PortLine>& lines) {
    const std::string deviceHeading = "device";
    std::size_t deviceColumn = deviceHeading.size();
    for (const PortLine& line : lines) {
        deviceColumn = std::max(deviceColumn, line.device.size());
    }
    deviceColumn += kColumnGap;
    std::string table =
        padded("port", kPortColumn) + padded(deviceHeading, deviceColumn) + "state\n";
    for (const PortLine& line : lines) {
        table += padded("COM" + std::to_string(line.number), kPortColumn) +
                 padded(line.device.empty() ? "-" : line.device, deviceColumn) + line.reason + "\n";
    }
    return table;
}

std::string portReasons(const std::vector<PortLine>& lines) {
    std::string reasons;
    for (const PortLine& line : lines) {
        reasons += "COM" + std::to_string(line.number) +
                   (line.device.empty() ? "" : " (" + line.device + ")") + ": " + line.reason +
                   "\n";
    }
    return reasons;
}

}  // namespace seriallink
