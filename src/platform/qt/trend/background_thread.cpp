#include "platform/qt/trend/background_thread.h"

#include <utility>

#ifdef __linux__
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace platform::qt {

namespace {

void lowerThisThread() {
#ifdef __linux__
    // On Linux the niceness belongs to each thread, named by its thread id. A thread that cannot
    // be lowered reads at the priority it has.
    (void)setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), kBackgroundNiceness);
#endif
}

}  // namespace

trend::TrendRowsMaker inBackground(trend::TrendRowsMaker maker) {
    return [maker = std::move(maker)] {
        lowerThisThread();
        return maker();
    };
}

}  // namespace platform::qt
