#pragma once

namespace platform {

class ProgramEnd {
  public:
    virtual ~ProgramEnd() = default;
    // Closes every window and ends the program once control returns to the event loop.
    virtual void endProgram() = 0;
    // True once endProgram was called: windows that close now are closing with the program.
    virtual bool hasEnded() const = 0;
};

}  // namespace platform
