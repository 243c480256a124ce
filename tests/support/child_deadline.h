#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <optional>
#include <string>

namespace testsupport {

// Runs `body` in a child process, so that code which wrongly waits forever (on a FIFO without a
// writer, say) fails the test instead of hanging it: the child is killed by an alarm once
// `seconds` have passed. What the body returned, or nothing when the child did not end normally.
inline std::optional<std::string> runInChild(const std::function<std::string()>& body,
                                             unsigned seconds = 60) {
    int channel[2];
    if (::pipe(channel) != 0) {
        return std::nullopt;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(channel[0]);
        ::close(channel[1]);
        return std::nullopt;
    }
    if (child == 0) {
        ::close(channel[0]);
        ::signal(SIGALRM, SIG_DFL);
        ::alarm(seconds);
        const std::string told = body();
        std::size_t done = 0;
        while (done < told.size()) {
            const ssize_t wrote = ::write(channel[1], told.data() + done, told.size() - done);
            if (wrote <= 0) {
                ::_exit(2);
            }
            done += static_cast<std::size_t>(wrote);
        }
        ::_exit(0);
    }
    ::close(channel[1]);
    std::string told;
    char buffer[4096];
    for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) != 0;) {
        if (got > 0) {
            told.append(buffer, static_cast<std::size_t>(got));
        } else if (errno != EINTR) {
            break;
        }
    }
    ::close(channel[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return std::nullopt;
    }
    return told;
}

}  // namespace testsupport
