#pragma once

#include <optional>
#include <string>
#include <vector>

namespace seriallink {

// A running program that has a device open.
struct OtherProgram {
    long processId = 0;
    std::string name;
};

// What the system tells about the device behind one port number when the port is tried.
struct DeviceFacts {
    bool exists = false;                 // the path names a device (links followed)
    bool opens = false;                  // the program's own open succeeded
    bool accessDenied = false;           // the system refused this user the device
    bool busy = false;                   // the system refused it as in use by another program
    std::string group;                   // the group that owns the device
    bool groupMayOpen = false;           // the members of that group may read and write it
    std::string user;                    // who runs the program
    std::optional<OtherProgram> holder;  // another program that has the device open
    std::string failure;                 // the system's word for any other failed open
};

enum class PortState { Usable, NoSuchDevice, PermissionDenied, Held, Unopenable };

// One line of the port table.
struct PortLine {
    int number = 0;
    std::string device;  // empty when no device stands behind the number
    PortState state = PortState::NoSuchDevice;
    std::string reason;  // what the operator reads, and what to do about it
};

// Whether port number `number`, standing for `device`, can be used, and if not why.
PortLine diagnosePort(int number, const std::optional<std::string>& device,
                      const DeviceFacts& facts);

// A heading and one line per port, in aligned columns, each line ended by a newline.
std::string portTable(const std::vector<PortLine>& lines);

// One line per port for a text shown in a proportional font, where columns do not line up:
// "COM3 (/dev/ttyS0): permission denied: ..." or "COM4: no such device", each ended by a newline.
std::string portReasons(const std::vector<PortLine>& lines);

}  // namespace seriallink
