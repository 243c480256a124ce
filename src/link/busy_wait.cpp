#include "link/busy_wait.h"

namespace seriallink {

void busyCount16(std::int16_t limit) {
    for (volatile std::int32_t i = 0; i <= limit; i = i + 1) {
    }
}

void busyCountDouble(double limit) {
    for (volatile double i = 0.0; i <= limit; i = i + 1.0) {
    }
}

}  // namespace seriallink
