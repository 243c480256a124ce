#pragma once

#include "platform/program_end.h"

namespace fakes {

class FakeProgramEnd final : public platform::ProgramEnd {
  public:
    int endings = 0;
    void endProgram() override { ++endings; }
    bool hasEnded() const override { return endings > 0; }
};

}  // namespace fakes
