#pragma once

#include <sys/types.h>
#include <chrono>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace testing_pty {

// A pseudo-terminal standing in for a serial adapter: the program opens the slave device, the
// test plays the meter on the master. A second descriptor on the slave stays open so that the
// test can read the line settings the program made and see what waits in its input queue.
class PseudoTerminal {
  public:
    PseudoTerminal() = default;
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // Returns an empty text on success, otherwise why no pty could be had.
    std::string create();

    const std::string& slavePath() const { return slavePath_; }
    int masterFd() const { return master_; }
    int observerFd() const { return observer_; }

    // Sends bytes as the meter would; true when all went.
    bool send(const std::vector<std::uint8_t>& bytes);
    // Bytes the program has sent, waiting at most timeout for the first.
    std::vector<std::uint8_t> receive(std::chrono::milliseconds timeout);
    // True once bytes wait in the program's input queue (the driver has them).
    bool inputQueued(std::chrono::milliseconds timeout);
    // True while nothing waits there: the program has read all it was sent.
    bool inputQueueEmpty();
    // The adapter is pulled out.
    void closeMaster();

  private:
    int master_ = -1;
    int observer_ = -1;
    std::string slavePath_;
};

// Another program on the same device: a child process that keeps none of the pseudo-terminal's
// descriptors, runs `take` (which opens the slave its own way) and, when that succeeds, waits
// until it is killed. Its pid, or -1 when it could not take the device (it has ended then).
pid_t holdInChild(const PseudoTerminal& pty, const std::function<bool()>& take);

}  // namespace testing_pty
