#include "platform/qt/serial/port_holder.h"

#include <QtGlobal>

#ifdef Q_OS_LINUX
#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <vector>
#endif

namespace platform::qt {

#ifdef Q_OS_LINUX
namespace {

// Unix98 pseudo-terminals: the slaves /dev/pts/N are character devices 136:N, every master is
// opened through the multiplexer /dev/ptmx, 5:2.
constexpr unsigned kPtySlaveMajor = 136;
constexpr unsigned kPtyMultiplexerMajor = 5;
constexpr unsigned kPtyMultiplexerMinor = 2;

bool isPtyMaster(dev_t device) {
    return major(device) == kPtyMultiplexerMajor && minor(device) == kPtyMultiplexerMinor;
}

// The names of a /proc directory's entries that are numbers: process ids or descriptors.
std::vector<long> numberedEntries(const std::string& directory) {
    std::vector<long> numbers;
    DIR* listing = ::opendir(directory.c_str());
    if (listing == nullptr) {
        return numbers;
    }
    while (const dirent* entry = ::readdir(listing)) {
        char* end = nullptr;
        const long number = std::strtol(entry->d_name, &end, 10);
        if (end != entry->d_name && *end == '\0') {
            numbers.push_back(number);
        }
    }
    ::closedir(listing);
    return numbers;
}

// The pseudo-terminal a master descriptor belongs to, from the "tty-index:" line of its fdinfo.
std::optional<unsigned> masterIndex(const std::string& process, long descriptor) {
    std::ifstream info(process + "/fdinfo/" + std::to_string(descriptor));
    const std::string key = "tty-index:";
    for (std::string line; std::getline(info, line);) {
        if (line.compare(0, key.size(), key) == 0) {
            return static_cast<unsigned>(std::strtoul(line.c_str() + key.size(), nullptr, 10));
        }
    }
    return std::nullopt;
}

std::string commandName(const std::string& process) {
    std::ifstream comm(process + "/comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

}  // namespace

std::optional<PortHolder> findPortHolder(const std::string& devicePath) {
    struct stat device {};
    if (::stat(devicePath.c_str(), &device) != 0 || !S_ISCHR(device.st_mode)) {
        return std::nullopt;
    }
    const bool ptySlave = major(device.st_rdev) == kPtySlaveMajor;
    const long self = static_cast<long>(::getpid());
    for (const long pid : numberedEntries("/proc")) {
        if (pid == self) {
            continue;
        }
        const std::string process = "/proc/" + std::to_string(pid);
        bool opensDevice = false;
        bool farEnd = false;
        for (const long descriptor : numberedEntries(process + "/fd")) {
            struct stat opened {};
            const std::string link = process + "/fd/" + std::to_string(descriptor);
            if (::stat(link.c_str(), &opened) != 0 || !S_ISCHR(opened.st_mode)) {
                continue;
            }
            if (opened.st_rdev == device.st_rdev) {
                opensDevice = true;
            } else if (ptySlave && isPtyMaster(opened.st_rdev) &&
                       masterIndex(process, descriptor) == minor(device.st_rdev)) {
                farEnd = true;
            }
        }
        if (opensDevice && !farEnd) {
            return PortHolder{pid, commandName(process)};
        }
    }
    return std::nullopt;
}

#else

std::optional<PortHolder> findPortHolder(const std::string&) {
    return std::nullopt;
}

#endif

}  // namespace platform::qt
