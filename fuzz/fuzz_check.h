#pragma once

#include <cstdlib>

// A broken invariant ends the fuzz run with a crash that libFuzzer records as a finding.
inline void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}
