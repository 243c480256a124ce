// Stands in for the C library's tcsetattr in the test program: records the request, passes it on.
#include "link/termios_spy.h"

#include <dlfcn.h>
#include <termios.h>

namespace testing_pty {
namespace {

std::optional<RequestedFraming> lastRequest;

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
