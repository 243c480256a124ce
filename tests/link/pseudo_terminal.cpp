#include "link/pseudo_terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace testing_pty {
namespace {

bool waitReadable(int fd, std::chrono::milliseconds timeout) {
    pollfd readable{fd, POLLIN, 0};
    return ::poll(&readable, 1, static_cast<int>(timeout.count())) > 0 &&
           (readable.revents & POLLIN) != 0;
}

}  // namespace

PseudoTerminal::~PseudoTerminal() {
    if (observer_ >= 0) {
        ::close(observer_);
    }
    closeMaster();
}

std::string PseudoTerminal::create() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master_ < 0) {
        return std::string("posix_openpt failed: ") + std::strerror(errno);
    }
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        return std::string("grantpt/unlockpt failed: ") + std::strerror(errno);
    }
    const char* name = ::ptsname(master_);
    if (name == nullptr) {
        return "ptsname failed";
    }
    slavePath_ = name;
    termios raw{};
    if (::tcgetattr(master_, &raw) != 0) {
        return std::string("tcgetattr on the master failed: ") + std::strerror(errno);
    }
    ::cfmakeraw(&raw);
    if (::tcsetattr(master_, TCSANOW, &raw) != 0) {
        return std::string("tcsetattr on the master failed: ") + std::strerror(errno);
    }
    observer_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (observer_ < 0) {
        return std::string("cannot open the pty slave: ") + std::strerror(errno);
    }
    return {};
}

bool PseudoTerminal::send(const std::vector<std::uint8_t>& bytes) {
    return ::write(master_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

std::vector<std::uint8_t> PseudoTerminal::receive(std::chrono::milliseconds timeout) {
    std::vector<std::uint8_t> bytes;
    if (!waitReadable(master_, timeout)) {
        return bytes;
    }
    std::uint8_t buffer[512];
    ssize_t count = 0;
    while ((count = ::read(master_, buffer, sizeof buffer)) > 0) {
        bytes.insert(bytes.end(), buffer, buffer + count);
    }
    return bytes;
}

bool PseudoTerminal::inputQueued(std::chrono::milliseconds timeout) {
    return waitReadable(observer_, timeout);
}

bool PseudoTerminal::inputQueueEmpty() {
    int waiting = 0;
    return ::ioctl(observer_, FIONREAD, &waiting) == 0 && waiting == 0;
}

void PseudoTerminal::closeMaster() {
    if (master_ >= 0) {
        ::close(master_);
        master_ = -1;
    }
}

pid_t holdInChild(const PseudoTerminal& pty, const std::function<bool()>& take) {
    int ready[2];
    if (::pipe(ready) != 0) {
        return -1;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pty.masterFd());
        ::close(pty.observerFd());
        const char answer = take() ? 'y' : 'n';
        if (answer == 'y' && ::write(ready[1], &answer, 1) == 1) {
            for (;;) {
                ::pause();
            }
        }
        _exit(1);
    }
    char answer = 'n';
    if (child > 0 && ::read(ready[0], &answer, 1) != 1) {
        answer = 'n';
    }
    ::close(ready[0]);
    ::close(ready[1]);
    if (child > 0 && answer != 'y') {
        ::waitpid(child, nullptr, 0);
        return -1;
    }
    return child;
}

}  // namespace testing_pty
