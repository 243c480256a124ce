// Stands in for the C library's tcsetattr and ioctl in the test program: records tcsetattr
// requests and passes them on; answers TIOCOUTQ while the output queue is held.
#include "link/termios_spy.h"

#include <dlfcn.h>
#include <sys/ioctl.h>
#include <termios.h>

#include <cstdarg>

namespace testing_pty {
namespace {

std::optional<RequestedFraming> lastRequest;
std::chrono::steady_clock::time_point outputQueueHeldUntil;

RequestedFraming framingOf(const termios& tio) {
    RequestedFraming framing;
    framing.parityEnabled = (tio.c_cflag & PARENB) != 0;
    framing.parityOdd = (tio.c_cflag & PARODD) != 0;
    framing.parityStick = (tio.c_cflag & CMSPAR) != 0;
    switch (tio.c_cflag & CSIZE) {
        case CS5:
            framing.dataBits = 5;
            break;
        case CS6:
            framing.dataBits = 6;
            break;
        case CS7:
            framing.dataBits = 7;
            break;
        default:
            framing.dataBits = 8;
            break;
    }
    framing.twoStopBits = (tio.c_cflag & CSTOPB) != 0;
    return framing;
}

template <typename Function>
Function realFunction(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

}  // namespace

void forgetRequestedFraming() {
    lastRequest.reset();
}

std::optional<RequestedFraming> lastRequestedFraming() {
    return lastRequest;
}

void holdOutputQueueUntil(std::chrono::steady_clock::time_point until) {
    outputQueueHeldUntil = until;
}

}  // namespace testing_pty

extern "C" int tcsetattr(int fd, int optionalActions, const struct termios* tio) {
    static const auto real =
        testing_pty::realFunction<int (*)(int, int, const struct termios*)>("tcsetattr");
    const int result = real(fd, optionalActions, tio);
    if (result == 0 && tio != nullptr) {
        testing_pty::lastRequest = testing_pty::framingOf(*tio);
    }
    return result;
}

extern "C" int ioctl(int fd, unsigned long request, ...) noexcept {
    static const auto real = testing_pty::realFunction<int (*)(int, unsigned long, ...)>("ioctl");
    va_list arguments;
    va_start(arguments, request);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    if (request == TIOCOUTQ &&
        std::chrono::steady_clock::now() < testing_pty::outputQueueHeldUntil) {
        *static_cast<int*>(argument) = 1;
        return 0;
    }
    return real(fd, request, argument);
}
