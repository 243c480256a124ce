#pragma once

#include "platform/program_end.h"

namespace platform::qt {

// Ends the program through `programEnd` on SIGINT, SIGTERM or SIGHUP, so that the serial port and
// the records store are closed as on "退出" rather than left to the kernel. Does nothing where
// there are no such signals.
void endProgramOnTerminationSignals(ProgramEnd& programEnd);

}  // namespace platform::qt
