#pragma once

#include <sys/types.h>
#include <unistd.h>

namespace records_test {

// The unprivileged user the tests fall back to when they run as root.
inline constexpr uid_t kNobody = 65534;

// Drops root's right to write any file for the scope, so that file modes apply to this process.
class WithoutRoot {
  public:
    WithoutRoot() : wasRoot_(geteuid() == 0) {
        if (wasRoot_) {
            dropped_ = seteuid(kNobody) == 0;
        }
    }
    ~WithoutRoot() {
        if (dropped_) {
            [[maybe_unused]] const int restored = seteuid(0);
        }
    }
    WithoutRoot(const WithoutRoot&) = delete;
    WithoutRoot& operator=(const WithoutRoot&) = delete;
    bool effective() const { return !wasRoot_ || dropped_; }

  private:
    bool wasRoot_;
    bool dropped_ = false;
};

}  // namespace records_test
