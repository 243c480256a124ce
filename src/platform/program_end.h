#pragma once

namespace platform {

class ProgramEnd {
  public:
    virtual ~ProgramEnd() = default;
    // Closes every window and ends the program once control returns to the event loop.
    virtual void endProgram() = 0;
};

}  // namespace platform
