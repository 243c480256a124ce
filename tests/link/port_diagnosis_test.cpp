#include "link/port_diagnosis.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace seriallink {
namespace {

DeviceFacts present() {
    DeviceFacts facts;
    facts.exists = true;
    facts.group = "dialout";
    facts.groupMayOpen = true;
    facts.user = "alice";
    return facts;
}

struct DiagnosisCase {
    const char* what;
    std::optional<std::string> device;
    DeviceFacts facts;
    PortState state;
    std::string reason;
};

TEST(PortDiagnosis, FactsDecideTheStateAndTheAdvice) {
    DeviceFacts missing = present();
    missing.exists = false;
    DeviceFacts opens = present();
    opens.opens = true;
    DeviceFacts sharedOpen = opens;
    sharedOpen.holder = OtherProgram{4242, "cat"};
    DeviceFacts denied = present();
    denied.accessDenied = true;
    denied.holder = OtherProgram{77, "minicom"};  // permission comes first: it is what to fix
    DeviceFacts deniedToGroup = denied;
    deniedToGroup.group = "tty";
    deniedToGroup.groupMayOpen = false;
    DeviceFacts rootGroup = denied;
    rootGroup.group = "root";
    DeviceFacts held = present();
    held.holder = OtherProgram{77, "minicom"};
    held.busy = true;
    DeviceFacts busyUnseen = present();
    busyUnseen.busy = true;
    DeviceFacts other = present();
    other.failure = "not a serial device";

    const std::vector<DiagnosisCase> cases = {
        {"no device for the number", std::nullopt, present(), PortState::NoSuchDevice,
         "no such device"},
        {"named device absent", "/dev/ttyUSB3", missing, PortState::NoSuchDevice, "no such device"},
        {"opens", "/dev/ttyUSB0", opens, PortState::Usable, "usable"},
        {"opens beside another reader", "/dev/ttyUSB0", sharedOpen, PortState::Usable,
         "usable, but also open in cat (process 4242)"},
        {"permission", "/dev/ttyUSB0", denied, PortState::PermissionDenied,
         "permission denied: the device belongs to group dialout; join it with \"sudo usermod "
         "-aG dialout alice\", then log in again"},
        {"group may not open it", "/dev/ttyS0", deniedToGroup, PortState::PermissionDenied,
         "permission denied: its group tty may not use it either; ask the administrator for "
         "access"},
        {"group root is no group to join", "/dev/ttyS0", rootGroup, PortState::PermissionDenied,
         "permission denied: the device belongs to group root; ask the administrator for access"},
        {"held", "/dev/ttyUSB0", held, PortState::Held,
         "held by another program: minicom (process 77)"},
        {"held by a program out of sight", "/dev/ttyUSB0", busyUnseen, PortState::Held,
         "held by another program (run as root to see which)"},
        {"other failure", "/home/alice/notes", other, PortState::Unopenable,
         "cannot be opened: not a serial device"},
    };
    for (const DiagnosisCase& c : cases) {
        const PortLine line = diagnosePort(7, c.device, c.facts);
        EXPECT_EQ(line.number, 7) << c.what;
        EXPECT_EQ(line.device, c.device.value_or("")) << c.what;
        EXPECT_EQ(line.state, c.state) << c.what;
        EXPECT_EQ(line.reason, c.reason) << c.what;
    }
}

TEST(PortDiagnosis, TableAlignsTheColumnsAndReasonsNameEachPort) {
    const std::vector<PortLine> lines = {
        {1, "/dev/ttyUSB0", PortState::Usable, "usable"},
        {2, "", PortState::NoSuchDevice, "no such device"},
        {10, "/dev/ttyS0", PortState::Held, "held by another program: minicom (process 77)"},
    };
    EXPECT_EQ(portTable(lines),
              "port   device        state\n"
              "COM1   /dev/ttyUSB0  usable\n"
              "COM2   -             no such device\n"
              "COM10  /dev/ttyS0    held by another program: minicom (process 77)\n");
    EXPECT_EQ(portReasons(lines),
              "COM1 (/dev/ttyUSB0): usable\n"
              "COM2: no such device\n"
              "COM10 (/dev/ttyS0): held by another program: minicom (process 77)\n");
}

}  // namespace
}  // namespace seriallink
