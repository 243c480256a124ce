#pragma once

#include "platform/program_end.h"

namespace platform::qt {

// Ends the program through the application's event loop. When the end is asked for before the
// event loop runs (no usable port at start-up), main() sees hasEnded() and does not start it.
class QtProgramEnd final : public ProgramEnd {
  public:
    void endProgram() override;
    bool hasEnded() const override { return ended_; }

  private:
    bool ended_ = false;
};

}  // namespace platform::qt
