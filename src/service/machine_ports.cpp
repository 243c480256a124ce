#include "service/machine_ports.h"

#include <vector>

#include "link/port_diagnosis.h"
#include "platform/qt/serial/port_survey.h"
#include "platform/qt/serial/qt_serial_port.h"

namespace service {

namespace {

constexpr const char* kPortConfigFile = "comports.conf";

}  // namespace

seriallink::PortMap pollingPortMap(const std::optional<PortChoice>& choice) {
    if (choice && !choice->device.empty()) {
        return portMapFor(*choice, seriallink::PortMap{});
    }
    const seriallink::PortMap machine = platform::qt::portMapForThisMachine();
    return choice ? portMapFor(*choice, machine) : machine;
}

std::string portTable(const seriallink::PortMap& map, const std::optional<PortChoice>& choice) {
    std::vector<seriallink::PortLine> lines = platform::qt::surveyPorts(map);
    if (choice) {
        const int named = choice->device.empty() ? choice->number : 1;
        std::vector<seriallink::PortLine> kept;
        for (const seriallink::PortLine& line : lines) {
            if (line.number == named) {
                kept.push_back(line);
            }
        }
        lines = kept;
    }
    return seriallink::portTable(lines) +
           seriallink::configComplaints(map.config(), kPortConfigFile);
}

std::string portReasons(const seriallink::PortMap& map) {
    return seriallink::portReasons(platform::qt::surveyPorts(map)) +
           seriallink::configComplaints(map.config(), kPortConfigFile);
}

std::string portNotes(const seriallink::PortMap& map, int usedNumber, const std::string& program) {
    std::string notes;
    const std::string complaints = seriallink::configComplaints(map.config(), kPortConfigFile);
    for (std::size_t start = 0; start < complaints.size();) {
        const std::size_t end = complaints.find('\n', start);
        notes += program + ": " + complaints.substr(start, end + 1 - start);
        start = end + 1;
    }
    if (const auto note = platform::qt::missingPinnedPortNote(map, usedNumber)) {
        notes += program + ": " + note->english + "\n";
    }
    return notes;
}

}  // namespace service
