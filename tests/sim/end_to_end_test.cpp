// Runs the real simulator on a pseudo-terminal and talks to it as the PC does.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

bool ptyAvailable() {
    const int fd = posix_openpt(O_RDWR | O_NOCTTY);
    if (fd < 0) {
        return false;
    }
    close(fd);
    return true;
}

// Reads from fd until count bytes have come or the time is up.
Bytes readFor(int fd, std::size_t count, std::chrono::milliseconds limit) {
    Bytes bytes;
    const auto end = std::chrono::steady_clock::now() + limit;
    while (bytes.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            break;
        }
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0) {
            break;
        }
        std::uint8_t buffer[64];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    return bytes;
}

class Simulator {
  public:
    explicit Simulator(std::vector<std::string> args) {
        int out[2];
        if (pipe(out) != 0) {
            return;
        }
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            close(out[1]);
            std::vector<char*> argv{const_cast<char*>(TUSKO_METER_SIM_EXE)};
            for (auto& a : args) {
                argv.push_back(a.data());
            }
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(out[1]);
        stdout_ = out[0];
        const Bytes first = readLine();
        firstLine_ = std::string(first.begin(), first.end());
    }

    ~Simulator() {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (stdout_ >= 0) {
            close(stdout_);
        }
    }

    [[nodiscard]] const std::string& firstLine() const { return firstLine_; }
    [[nodiscard]] std::string device() const {
        const std::string prefix = "device: ";
        return firstLine_.rfind(prefix, 0) == 0 ? firstLine_.substr(prefix.size()) : "";
    }

    // Exit status once the process has ended within the limit.
    std::optional<int> waitExit(std::chrono::milliseconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                exited_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(10ms);
        }
        return std::nullopt;
    }

    std::optional<int> terminate() {
        kill(pid_, SIGTERM);
        return waitExit(3000ms);
    }

  private:
    // Reads one byte at a time so that nothing after the first line is consumed.
    Bytes readLine() {
        Bytes line;
        while (true) {
            pollfd p{stdout_, POLLIN, 0};
            char c = 0;
            if (poll(&p, 1, 5000) <= 0 || read(stdout_, &c, 1) != 1 || c == '\n') {
                return line;
            }
            line.push_back(static_cast<std::uint8_t>(c));
        }
    }

    pid_t pid_ = -1;
    int stdout_ = -1;
    bool exited_ = false;
    std::string firstLine_;
};

int openPort(const std::string& path) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY);
    if (fd >= 0) {
        termios t{};
        tcgetattr(fd, &t);
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
    }
    return fd;
}

// Sends bytes one at a time with a pause, as the PC's busy waits pace them.
void sendPaced(int fd, const Bytes& bytes) {
    for (auto b : bytes) {
        ASSERT_EQ(write(fd, &b, 1), 1);
        std::this_thread::sleep_for(1ms);
    }
}

std::uint8_t xor2to7(const Bytes& r) {
    std::uint8_t x = 0;
    for (std::size_t i = 2; i <= 7; ++i) {
        x = static_cast<std::uint8_t>(x ^ r[i]);
    }
    return x;
}

class EndToEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!ptyAvailable()) {
            GTEST_SKIP() << "no pseudo-terminal can be opened here (posix_openpt failed)";
        }
        char pattern[] = "/tmp/meter-sim-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        if (!dir_.empty()) {
            unlink((dir_ + "/sim.log").c_str());
            unlink((dir_ + "/ttyMETER").c_str());
            rmdir(dir_.c_str());
        }
    }
    std::string dir_;
};

TEST_F(EndToEnd, AnswersAPollSentByteByByte) {
    const std::string link = dir_ + "/ttyMETER";
    const std::string log = dir_ + "/sim.log";
    Simulator sim({"--link", link, "--log", log, "--stations", "1-16"});
    ASSERT_FALSE(sim.device().empty()) << "first line: " << sim.firstLine();

    const int port = openPort(link);
    ASSERT_GE(port, 0) << "cannot open " << link;
    // Several polls: the simulator stamps a byte when it gets to read it, and on a loaded machine
    // it may read two bytes in one go; one poll with every gap intact shows the stamps are right.
    constexpr int kPolls = 5;
    for (int poll = 0; poll < kPolls; ++poll) {
        sendPaced(port, {0x2A, 0x01, 0x00, 0x2E});
        const Bytes reply = readFor(port, 10, 1000ms);
        ASSERT_EQ(reply.size(), 10u);
        EXPECT_EQ(reply[0], 0x01);
        EXPECT_EQ(reply[1], 0x00);
        EXPECT_EQ(reply[8], xor2to7(reply));
        EXPECT_EQ(reply[9], 0xAA);
    }
    close(port);

    EXPECT_EQ(sim.terminate(), 0);
    struct stat info {};
    EXPECT_NE(lstat(link.c_str(), &info), 0) << "link left behind";

    // The log has the four bytes of each poll with microsecond stamps, then the reply.
    std::ifstream in(log);
    std::vector<long long> stamps;
    int replies = 0;
    for (std::string line; std::getline(in, line);) {
        const auto space = line.find(' ');
        const std::string kind = line.substr(space + 1, 2);
        if (kind == "rx") {
            stamps.push_back(std::stoll(line.substr(0, space)));
        }
        replies += kind == "tx" && line.find("01 00 ") != std::string::npos ? 1 : 0;
    }
    ASSERT_EQ(stamps.size(), 4u * kPolls);
    EXPECT_EQ(replies, kPolls);
    bool onePollPaced = false;
    for (std::size_t first = 0; first < stamps.size(); first += 4) {
        bool paced = true;
        for (std::size_t i = first + 1; i < first + 4; ++i) {
            paced = paced && stamps[i] - stamps[i - 1] >= 900;
        }
        onePollPaced = onePollPaced || paced;
    }
    EXPECT_TRUE(onePollPaced) << "no poll was logged with its bytes at least the pause apart";
}

TEST_F(EndToEnd, AbsentStationSilentFaultsAppliedAndPortCanBeReopened) {
    Simulator sim(
        {"--stations", "2", "--fault-bad-check", "1", "--seed", "5", "--duration-s", "2"});
    ASSERT_FALSE(sim.device().empty()) << "first line: " << sim.firstLine();

    int port = openPort(sim.device());
    ASSERT_GE(port, 0);
    sendPaced(port, {0x2A, 0x01, 0x00, 0x2E});
    EXPECT_TRUE(readFor(port, 10, 200ms).empty());
    close(port);

    port = openPort(sim.device());
    ASSERT_GE(port, 0);
    sendPaced(port, {0x2A, 0x02, 0x07, 0x2E});
    const Bytes reply = readFor(port, 10, 1000ms);
    ASSERT_EQ(reply.size(), 10u);
    EXPECT_EQ(reply[0], 0x02);
    EXPECT_EQ(reply[1], 0x07);
    EXPECT_NE(reply[8], xor2to7(reply));
    close(port);

    EXPECT_EQ(sim.waitExit(3000ms), 0) << "--duration-s ends the run";
}

TEST_F(EndToEnd, RejectsBadOptions) {
    Simulator sim({"--fault-split", "1.5"});
    EXPECT_EQ(sim.waitExit(2000ms), 2);
    EXPECT_TRUE(sim.device().empty());
}

}  // namespace
