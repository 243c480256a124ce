#include "platform/qt/serial/port_survey.h"

#include <QSerialPortInfo>
#include <QString>

#include "platform/qt/serial/port_holder.h"
#include "platform/qt/serial/qt_serial_port.h"

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace platform::qt {
namespace {

bool opensAsDiscoveryDoes(const seriallink::PortMap& map, int number) {
    QtSerialPort port(map);
    if (!port.setPortNumber(number) || !port.open()) {
        return false;
    }
    port.close();
    return true;
}

#ifdef Q_OS_UNIX

void addOwnership(const struct stat& device, seriallink::DeviceFacts& facts) {
    if (const group* owner = ::getgrgid(device.st_gid)) {
        facts.group = owner->gr_name;
    } else {
        facts.group = std::to_string(device.st_gid);
    }
    facts.groupMayOpen = (device.st_mode & S_IRGRP) != 0 && (device.st_mode & S_IWGRP) != 0;
    if (const passwd* user = ::getpwuid(::geteuid())) {
        facts.user = user->pw_name;
    }
}

// Why the system refuses the device, if it does: the open and the lock the serial adapter makes,
// stripped of everything but the system's own checks. The program that holds the device may
// belong to another user and stay hidden in /proc; the refusal still tells that one holds it.
void addOpenFailure(const std::string& path, seriallink::DeviceFacts& facts) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        facts.accessDenied = errno == EACCES || errno == EPERM;
        facts.busy = errno == EBUSY;
        facts.failure = std::strerror(errno);
        return;
    }
    if (::isatty(fd) == 0) {
        facts.failure = "not a serial device";
    } else if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        facts.busy = errno == EWOULDBLOCK;
        facts.failure = std::strerror(errno);
    }
    ::close(fd);
}

#endif

}  // namespace

seriallink::DeviceFacts gatherDeviceFacts(const seriallink::PortMap& map, int number) {
    seriallink::DeviceFacts facts;
    const auto device = map.device(number);
    if (!device) {
        return facts;
    }
    facts.opens = opensAsDiscoveryDoes(map, number);
#ifdef Q_OS_UNIX
    struct stat status {};
    facts.exists = ::stat(device->c_str(), &status) == 0;
    if (!facts.exists) {
        return facts;
    }
    addOwnership(status, facts);
    if (!facts.opens) {
        addOpenFailure(*device, facts);
    }
#else
    facts.exists = facts.opens || !QSerialPortInfo(QString::fromStdString(*device)).isNull();
#endif
    if (const auto holder = findPortHolder(*device)) {
        facts.holder = seriallink::OtherProgram{holder->processId, holder->name};
    }
    return facts;
}

std::vector<seriallink::PortLine> surveyPorts(const seriallink::PortMap& map) {
    std::vector<seriallink::PortLine> lines;
    for (int number = seriallink::PortMap::kFirstPort; number <= seriallink::PortMap::kLastPort;
         ++number) {
        lines.push_back(
            seriallink::diagnosePort(number, map.device(number), gatherDeviceFacts(map, number)));
    }
    return lines;
}

}  // namespace platform::qt
