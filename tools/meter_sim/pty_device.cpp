#include "pty_device.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace meter_sim {
namespace {

std::string systemError(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

bool makeRaw(int fd) {
    termios settings{};
    if (tcgetattr(fd, &settings) != 0) {
        return false;
    }
    cfmakeraw(&settings);
    return tcsetattr(fd, TCSANOW, &settings) == 0;
}

}  // namespace

std::optional<PtyDevice> PtyDevice::open(std::string& error) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master < 0) {
        error = systemError("posix_openpt");
        return std::nullopt;
    }
    char name[128];
    if (grantpt(master) != 0 || unlockpt(master) != 0 ||
        ptsname_r(master, name, sizeof name) != 0) {
        error = systemError("pseudo-terminal setup");
        ::close(master);
        return std::nullopt;
    }
    const int slave = ::open(name, O_RDWR | O_NOCTTY);
    if (slave < 0 || !makeRaw(slave) || !makeRaw(master)) {
        error = systemError("raw mode");
        if (slave >= 0) {
            ::close(slave);
        }
        ::close(master);
        return std::nullopt;
    }
    return PtyDevice(master, slave, name);
}

PtyDevice::PtyDevice(int master, int heldSlave, std::string slavePath)
    : master_(master), heldSlave_(heldSlave), slavePath_(std::move(slavePath)) {}

PtyDevice::PtyDevice(PtyDevice&& other) noexcept
    : master_(std::exchange(other.master_, -1)),
      heldSlave_(std::exchange(other.heldSlave_, -1)),
      slavePath_(std::move(other.slavePath_)) {}

PtyDevice::~PtyDevice() {
    if (heldSlave_ >= 0) {
        ::close(heldSlave_);
    }
    if (master_ >= 0) {
        ::close(master_);
    }
}

std::optional<SymlinkGuard> SymlinkGuard::create(const std::string& linkPath,
                                                 const std::string& target, std::string& error) {
    struct stat info {};
    if (lstat(linkPath.c_str(), &info) == 0) {
        if (!S_ISLNK(info.st_mode)) {
            error = linkPath + " exists and is not a symbolic link";
            return std::nullopt;
        }
        if (unlink(linkPath.c_str()) != 0) {
            error = systemError(("remove " + linkPath).c_str());
            return std::nullopt;
        }
    }
    if (symlink(target.c_str(), linkPath.c_str()) != 0) {
        error = systemError(("symlink " + linkPath).c_str());
        return std::nullopt;
    }
    return SymlinkGuard(linkPath, target);
}

SymlinkGuard::SymlinkGuard(std::string linkPath, std::string target)
    : linkPath_(std::move(linkPath)), target_(std::move(target)) {}

SymlinkGuard::SymlinkGuard(SymlinkGuard&& other) noexcept
    : linkPath_(std::exchange(other.linkPath_, {})), target_(std::move(other.target_)) {}

SymlinkGuard::~SymlinkGuard() {
    if (linkPath_.empty()) {
        return;
    }
    char pointsTo[256];
    const ssize_t length = readlink(linkPath_.c_str(), pointsTo, sizeof pointsTo - 1);
    if (length > 0 && target_ == std::string(pointsTo, static_cast<std::size_t>(length))) {
        unlink(linkPath_.c_str());
    }
}

}  // namespace meter_sim
