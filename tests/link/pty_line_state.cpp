// termios2 carries the numeric speed; its header cannot be mixed with <termios.h>, so it lives
// in this file alone.
#include "link/pty_line_state.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>

extern "C" int ioctl(int fd, unsigned long request, ...);

namespace testing_pty {

std::optional<LineState> readLineState(int fd) {
    struct termios2 tio {};
    if (ioctl(fd, TCGETS2, &tio) != 0) {
        return std::nullopt;
    }
    LineState state;
    state.speed = tio.c_ospeed;
    state.parityEnabled = (tio.c_cflag & PARENB) != 0;
    state.parityOdd = (tio.c_cflag & PARODD) != 0;
    state.parityStick = (tio.c_cflag & CMSPAR) != 0;
    switch (tio.c_cflag & CSIZE) {
        case CS5:
            state.dataBits = 5;
            break;
        case CS6:
            state.dataBits = 6;
            break;
        case CS7:
            state.dataBits = 7;
            break;
        default:
            state.dataBits = 8;
            break;
    }
    state.twoStopBits = (tio.c_cflag & CSTOPB) != 0;
    state.hardwareFlowControl = (tio.c_cflag & CRTSCTS) != 0;
    state.softwareFlowControl = (tio.c_iflag & (IXON | IXOFF)) != 0;
    return state;
}

}  // namespace testing_pty
