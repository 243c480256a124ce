#include "platform/qt/serial/qt_serial_port.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <future>
#include <iostream>
#include <memory>
#include <numeric>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "link/pseudo_terminal.h"
#include "link/pty_line_state.h"
#include "link/termios_spy.h"
#include "platform/qt/serial/port_holder.h"
#include "support/case_names.h"
#include "support/sanitized_build.h"

namespace platform::qt {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

constexpr int kPtyPort = 3;

void runEventLoopFor(std::chrono::milliseconds duration) {
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(duration.count()), &loop, &QEventLoop::quit);
    loop.exec();
}

// The limit is generous: a condition that holds at all holds within milliseconds.
template <typename Condition>
bool runEventLoopUntil(Condition done, std::chrono::milliseconds limit = 5000ms) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done() && elapsed.elapsed() < limit.count()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }
    return done();
}

// Keeps the thread busy without ever running the event loop. It yields while it spins: a pty
// hands bytes to its master side from a kernel worker that may otherwise wait for this CPU.
void busyPause(std::chrono::microseconds length) {
    const auto end = Clock::now() + length;
    while (Clock::now() < end) {
        sched_yield();
    }
}

double threadCpuMilliseconds() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    const auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// Reports the processor time the thread used during `window` and holds it to `limitMs`, except
// in a sanitised build, whose instrumented code is too slow for such a limit to mean anything.
void expectCpuBelow(double usedMs, double limitMs, const char* window) {
    std::cout << "[ cpu      ] " << usedMs << " ms in " << window << std::endl;
    if (!testsupport::kSanitizedBuild) {
        EXPECT_LT(usedMs, limitMs) << "processor milliseconds in " << window;
    }
}

seriallink::PortMap mapWith(int number, const std::string& device) {
    return seriallink::PortMap::fromConfig("COM" + std::to_string(number) + "=" + device, {});
}

// A child process of the test, killed and reaped when the test ends however it ends.
struct ChildProcess {
    pid_t pid = -1;
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess() {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }
};

class QtSerialPortOnPty : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string why = pty_.create();
        if (!why.empty()) {
            GTEST_SKIP() << "no pseudo-terminal: " << why;
        }
        testing_pty::forgetRequestedFraming();
        testing_pty::holdOutputQueueUntil({});
        port_ = std::make_unique<QtSerialPort>(mapWith(kPtyPort, pty_.slavePath()));
        port_->setNotificationHandler([this](int code) { events_.push_back(code); });
        ASSERT_TRUE(port_->setPortNumber(kPtyPort));
    }

    testing_pty::LineState lineState() {
        const auto state = testing_pty::readLineState(pty_.observerFd());
        EXPECT_TRUE(state.has_value());
        return state.value_or(testing_pty::LineState{});
    }

    // Runs the event loop and collects what the port reads until `count` bytes have come.
    Bytes readFromPort(std::size_t count) {
        Bytes received;
        runEventLoopUntil([&] {
            const auto block = port_->readAll();
            if (block) {
                received.insert(received.end(), block->begin(), block->end());
            }
            return received.size() >= count;
        });
        return received;
    }

    testing_pty::PseudoTerminal pty_;
    std::unique_ptr<QtSerialPort> port_;
    std::vector<int> events_;
};

TEST(QtSerialPort, OpenFailsForMissingUnmappedAndOutOfRangeNumbers) {
    QtSerialPort port(mapWith(1, "/dev/tusko-no-such-device"));
    for (const int number : {1, 2, 0, 11, -1}) {
        ASSERT_TRUE(port.setPortNumber(number));
        EXPECT_FALSE(port.open()) << number;
        EXPECT_FALSE(port.isOpen()) << number;
    }
}

TEST(QtSerialPort, ClosedPortOperationsFail) {
    QtSerialPort port(mapWith(1, "/dev/tusko-no-such-device"));
    EXPECT_FALSE(port.close());
    EXPECT_FALSE(port.writeByte(0x2A));
    EXPECT_FALSE(port.readAll().has_value());
    EXPECT_FALSE(port.discardInput());
    EXPECT_FALSE(port.discardOutput());
    EXPECT_FALSE(port.setReceiveThreshold(-1));
    EXPECT_TRUE(port.setSendThreshold(0));
    EXPECT_FALSE(port.setSendThreshold(1));
}

TEST_F(QtSerialPortOnPty, OpenTwiceAndRenumberingWhileOpenFail) {
    ASSERT_TRUE(port_->open());
    EXPECT_FALSE(port_->open());
    EXPECT_FALSE(port_->setPortNumber(1));
    EXPECT_TRUE(port_->isOpen());
    EXPECT_TRUE(port_->close());
    EXPECT_FALSE(port_->isOpen());
    EXPECT_FALSE(port_->close());
    EXPECT_TRUE(port_->open());
}

TEST_F(QtSerialPortOnPty, SecondInstanceCannotOpenTheSameDevice) {
    QtSerialPort other(mapWith(1, pty_.slavePath()));
    ASSERT_TRUE(other.setPortNumber(1));
    ASSERT_TRUE(port_->open());
    EXPECT_FALSE(other.open());
    EXPECT_TRUE(port_->close());
    EXPECT_TRUE(other.open());
}

enum class HoldBy { Flock, ExclusiveMode };

void PrintTo(HoldBy holdBy, std::ostream* out) {
    *out << (holdBy == HoldBy::Flock ? "Flock" : "ExclusiveMode");
}

class QtSerialPortHeldElsewhere : public QtSerialPortOnPty,
                                  public ::testing::WithParamInterface<HoldBy> {};

// Another program holds the device: a child process opens it and locks it the way other serial
// programs do, then waits to be told to let go. It is named while it holds the device; once it
// has ended, whatever it left behind does not count.
TEST_P(QtSerialPortHeldElsewhere, OpenFailsAndNamesTheHolder) {
    int ready[2];
    int release[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(release), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Another program has no part in this pseudo-terminal's far end.
        ::close(pty_.masterFd());
        ::close(pty_.observerFd());
        ::prctl(PR_SET_NAME, "tusko-holder");
        const int fd = ::open(pty_.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        const bool held =
            fd >= 0 && (GetParam() == HoldBy::Flock ? ::flock(fd, LOCK_EX | LOCK_NB) == 0
                                                    : ::ioctl(fd, TIOCEXCL) == 0);
        const char answer = held ? 'y' : 'n';
        char go = 0;
        const bool told = ::write(ready[1], &answer, 1) == 1 && ::read(release[0], &go, 1) == 1;
        _exit(told ? 0 : 1);
    }
    char answer = 0;
    ASSERT_EQ(::read(ready[0], &answer, 1), 1);
    ASSERT_EQ(answer, 'y') << "the child could not take the device";

    EXPECT_FALSE(port_->open());
    const auto holder = findPortHolder(pty_.slavePath());
    ASSERT_TRUE(holder.has_value());
    EXPECT_EQ(holder->processId, child);
    EXPECT_EQ(holder->name, "tusko-holder");

    const char go = 'g';
    ASSERT_EQ(::write(release[1], &go, 1), 1);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    for (const int fd : {ready[0], ready[1], release[0], release[1]}) {
        ::close(fd);
    }
    EXPECT_FALSE(findPortHolder(pty_.slavePath()).has_value());
    EXPECT_TRUE(port_->open());
}

INSTANTIATE_TEST_SUITE_P(Locks, QtSerialPortHeldElsewhere,
                         ::testing::Values(HoldBy::Flock, HoldBy::ExclusiveMode),
                         ::testing::PrintToStringParamName());

enum class FarEnd { ThisProcess, AnotherProcess };

void PrintTo(FarEnd farEnd, std::ostream* out) {
    *out << (farEnd == FarEnd::ThisProcess ? "ThisProcess" : "AnotherProcess");
}

class QtSerialPortAfterKill : public QtSerialPortOnPty,
                              public ::testing::WithParamInterface<FarEnd> {};

// A predecessor killed with SIGKILL leaves the tty in exclusive use and Qt's lock file behind,
// while the pseudo-terminal's far end keeps the line up: this test process, or a process that
// holds master and slave as the meter simulator does.
TEST_P(QtSerialPortAfterKill, PortOpensAgain) {
    ChildProcess farEnd;
    if (GetParam() == FarEnd::AnotherProcess) {
        farEnd.pid = fork();
        ASSERT_GE(farEnd.pid, 0);
        if (farEnd.pid == 0) {
            for (;;) {
                ::pause();  // keeps the master and the slave it inherited open
            }
        }
    }
    std::optional<QtSerialPort> predecessorPort;  // opened in the child, which never closes it
    ChildProcess predecessor;
    predecessor.pid = testing_pty::holdInChild(pty_, [&] {
        predecessorPort.emplace(mapWith(kPtyPort, pty_.slavePath()));
        return predecessorPort->setPortNumber(kPtyPort) && predecessorPort->open();
    });
    ASSERT_GT(predecessor.pid, 0) << "the predecessor could not open the device";
    int exclusive = 0;
    ASSERT_EQ(::ioctl(pty_.observerFd(), TIOCGEXCL, &exclusive), 0);
    ASSERT_NE(exclusive, 0) << "the predecessor left no exclusive flag";

    ASSERT_EQ(::kill(predecessor.pid, SIGKILL), 0);
    ASSERT_EQ(::waitpid(predecessor.pid, nullptr, 0), predecessor.pid);
    predecessor.pid = -1;

    EXPECT_FALSE(findPortHolder(pty_.slavePath()).has_value());
    EXPECT_TRUE(port_->open());
}

INSTANTIATE_TEST_SUITE_P(FarEnds, QtSerialPortAfterKill,
                         ::testing::Values(FarEnd::ThisProcess, FarEnd::AnotherProcess),
                         ::testing::PrintToStringParamName());

TEST_F(QtSerialPortOnPty, EachByteReachesTheDeviceBeforeWriteByteReturns) {
    ASSERT_TRUE(port_->open());
    for (int value = 0; value < 256; ++value) {
        ASSERT_TRUE(port_->writeByte(static_cast<std::uint8_t>(value)));
        // No event loop runs here: a byte that only sat in Qt's queue would never arrive.
        EXPECT_EQ(pty_.receive(500ms), Bytes{static_cast<std::uint8_t>(value)}) << value;
    }
}

// A held device takes no byte: the port stays open and never sends the refused byte later.
TEST_F(QtSerialPortOnPty, ByteTheDriverRefusesIsDroppedAndThePortStaysOpen) {
    ASSERT_TRUE(port_->open());
    ASSERT_EQ(::tcflow(pty_.observerFd(), TCOOFF), 0);
    EXPECT_FALSE(port_->writeByte(0x2A));
    EXPECT_TRUE(port_->isOpen());
    ASSERT_EQ(::tcflow(pty_.observerFd(), TCOON), 0);
    ASSERT_TRUE(port_->writeByte(0x2E));
    EXPECT_EQ(pty_.receive(500ms), Bytes{0x2E});
}

struct DrainCase {
    const char* name;
    std::optional<std::chrono::milliseconds> queueHeldFor;  // none: the device never takes it
    std::chrono::milliseconds atLeast;
};

void PrintTo(const DrainCase& c, std::ostream* out) {
    if (c.queueHeldFor) {
        *out << "held " << c.queueHeldFor->count() << "ms";
    } else {
        *out << "held for good";
    }
}

class QtSerialPortDrain : public QtSerialPortOnPty,
                          public ::testing::WithParamInterface<DrainCase> {};

// A slow device keeps the byte in the driver's output queue for a while, a stalled one for good:
// writeByte waits for the queue to drain and gives up after a few character times (three at
// 600 baud are 50 ms).
TEST_P(QtSerialPortDrain, WriteByteWaitsForTheDriverToPassTheByteOn) {
    ASSERT_TRUE(port_->setSettings("600,n,8,1"));
    ASSERT_TRUE(port_->open());
    const auto start = Clock::now();
    const auto& heldFor = GetParam().queueHeldFor;
    testing_pty::holdOutputQueueUntil(heldFor ? start + *heldFor : Clock::time_point::max());
    EXPECT_TRUE(port_->writeByte(0x2A));
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    testing_pty::holdOutputQueueUntil({});
    EXPECT_GE(took.count(), GetParam().atLeast.count()) << "milliseconds in writeByte";
    EXPECT_EQ(pty_.receive(500ms), Bytes{0x2A});
}

INSTANTIATE_TEST_SUITE_P(Devices, QtSerialPortDrain,
                         ::testing::Values(DrainCase{"Slow", 30ms, 30ms},
                                           DrainCase{"Stalled", std::nullopt, 50ms}),
                         [](const ::testing::TestParamInfo<DrainCase>& info) {
                             return std::string(info.param.name);
                         });

struct Arrival {
    Clock::time_point when;
    Bytes bytes;
};

// Sends the bytes one by one with a busy pause after each while another thread plays the meter
// and notes when each read on the master side returns what.
std::vector<Arrival> sendPaced(QtSerialPort& port, testing_pty::PseudoTerminal& pty,
                               const Bytes& bytes, std::chrono::microseconds pause) {
    std::vector<Arrival> arrivals;
    std::promise<void> listening;
    std::future<void> readerListens = listening.get_future();
    std::thread reader([&] {
        listening.set_value();
        std::size_t total = 0;
        while (total < bytes.size()) {
            Bytes received = pty.receive(1000ms);
            if (received.empty()) {
                return;
            }
            total += received.size();
            arrivals.push_back({Clock::now(), std::move(received)});
        }
    });
    readerListens.wait();  // the first byte goes once the reader is there to see it arrive
    for (const std::uint8_t byte : bytes) {
        EXPECT_TRUE(port.writeByte(byte));
        busyPause(pause);
    }
    reader.join();
    return arrivals;
}

TEST_F(QtSerialPortOnPty, BusyPauseSeparatesBytesOnTheLine) {
    constexpr auto kPause = 1000us;
    constexpr int kAttempts = 10;
    const Bytes poll{0x2A, 0x01, 0x00, 0x2E};
    ASSERT_TRUE(port_->open());

    // The pty's kernel worker competes with other processes for the CPU and may now and then
    // deliver two bytes in one read; one clean round out of a few shows the pacing. Bytes that
    // only left with the event loop would never arrive here at all.
    std::vector<std::chrono::microseconds> gaps;
    int attempt = 0;
    while (gaps.empty() && attempt < kAttempts) {
        ++attempt;
        const std::vector<Arrival> arrivals = sendPaced(*port_, pty_, poll, kPause);
        Bytes received;
        for (const Arrival& arrival : arrivals) {
            received.insert(received.end(), arrival.bytes.begin(), arrival.bytes.end());
        }
        ASSERT_EQ(received, poll);
        if (arrivals.size() != poll.size()) {
            continue;
        }
        std::vector<std::chrono::microseconds> measured;
        for (std::size_t i = 1; i < arrivals.size(); ++i) {
            measured.push_back(std::chrono::duration_cast<std::chrono::microseconds>(
                arrivals[i].when - arrivals[i - 1].when));
        }
        if (std::all_of(measured.begin(), measured.end(),
                        [&](std::chrono::microseconds gap) { return gap >= kPause / 2; })) {
            gaps = measured;
        }
    }
    ASSERT_FALSE(gaps.empty()) << "no round of " << kAttempts << " arrived byte by byte";
    std::cout << "[ gaps     ] after " << kPause.count() << " us busy pauses (round " << attempt
              << "):";
    for (const auto gap : gaps) {
        std::cout << ' ' << gap.count() << " us";
    }
    std::cout << std::endl;
}

TEST_F(QtSerialPortOnPty, ReceiveThresholdRaisesOneNotificationAndReadTakesAll) {
    ASSERT_TRUE(port_->setReceiveThreshold(10));
    ASSERT_TRUE(port_->open());
    const Bytes reply{0x03, 0x00, 0x56, 0x34, 0x12, 0x03, 0x02, 0x00, 0x71, 0xAA};

    ASSERT_TRUE(pty_.send(Bytes(reply.begin(), reply.begin() + 9)));
    ASSERT_TRUE(pty_.inputQueued(500ms));
    ASSERT_TRUE(runEventLoopUntil([&] { return pty_.inputQueueEmpty(); }))
        << "the port left them in the driver";
    EXPECT_TRUE(events_.empty()) << "raised before the threshold";

    ASSERT_TRUE(pty_.send(Bytes{reply.back()}));
    ASSERT_TRUE(runEventLoopUntil([&] { return !events_.empty(); }));
    EXPECT_EQ(events_, std::vector<int>{kCommEventReceive});
    EXPECT_EQ(port_->readAll(), reply);
    EXPECT_EQ(port_->readAll(), Bytes{});
}

TEST_F(QtSerialPortOnPty, ZeroThresholdNeverNotifies) {
    ASSERT_TRUE(port_->setReceiveThreshold(0));
    ASSERT_TRUE(port_->open());
    const Bytes data(20, 0x55);
    ASSERT_TRUE(pty_.send(data));
    EXPECT_EQ(readFromPort(data.size()), data);
    EXPECT_TRUE(events_.empty());
}

TEST_F(QtSerialPortOnPty, InputIsBinaryUnderBothStationSettings) {
    Bytes every(256);
    std::iota(every.begin(), every.end(), 0);
    for (const char* settings : {"9600,n,8,1", "14400,s,8,1"}) {
        ASSERT_TRUE(port_->setSettings(settings));
        ASSERT_TRUE(port_->setReceiveThreshold(static_cast<int>(every.size())));
        ASSERT_TRUE(port_->open());
        events_.clear();
        ASSERT_TRUE(pty_.send(every));
        ASSERT_TRUE(runEventLoopUntil([&] { return !events_.empty(); })) << settings;
        EXPECT_EQ(port_->readAll(), every) << settings;
        EXPECT_TRUE(port_->close());
    }
}

// A byte sent afterwards is the first the port reads unless older ones survived.
TEST_F(QtSerialPortOnPty, OpenDiscardsInputThatWaitedBeforeIt) {
    ASSERT_TRUE(pty_.send(Bytes{1, 2, 3, 4, 5}));
    ASSERT_TRUE(pty_.inputQueued(500ms));
    ASSERT_TRUE(port_->open());
    ASSERT_TRUE(pty_.send(Bytes{6}));
    EXPECT_EQ(readFromPort(1), Bytes{6});
}

TEST_F(QtSerialPortOnPty, DiscardInputDropsBytesInQtAndInTheDriver) {
    ASSERT_TRUE(port_->setReceiveThreshold(3));
    ASSERT_TRUE(port_->open());
    ASSERT_TRUE(pty_.send(Bytes{1, 2, 3}));
    ASSERT_TRUE(runEventLoopUntil([&] { return !events_.empty(); }));
    ASSERT_TRUE(pty_.send(Bytes{4, 5}));
    ASSERT_TRUE(pty_.inputQueued(500ms));

    EXPECT_TRUE(port_->discardInput());
    EXPECT_TRUE(port_->discardOutput());
    ASSERT_TRUE(pty_.send(Bytes{6}));
    EXPECT_EQ(readFromPort(1), Bytes{6});
}

struct SettingsCase {
    const char* text;
    unsigned speed;
    bool spaceParity;
    bool twoStopBits;
};

void PrintTo(const SettingsCase& c, std::ostream* out) {
    *out << ::testing::PrintToString(c.text);
}

class QtSerialPortSettings : public QtSerialPortOnPty,
                             public ::testing::WithParamInterface<SettingsCase> {
  protected:
    // The driver holds speed, stop bits and the stick-parity flag; parity enable and character
    // size are checked on the request, as a pty drops them.
    void expectLine(const SettingsCase& expected) {
        const testing_pty::LineState state = lineState();
        EXPECT_EQ(state.speed, expected.speed);
        EXPECT_EQ(state.twoStopBits, expected.twoStopBits);
        if (expected.spaceParity) {
            EXPECT_TRUE(state.parityStick);
            EXPECT_FALSE(state.parityOdd);
        }
        EXPECT_FALSE(state.hardwareFlowControl);
        EXPECT_FALSE(state.softwareFlowControl);

        const auto requested = testing_pty::lastRequestedFraming();
        ASSERT_TRUE(requested.has_value()) << "no tcsetattr seen";
        EXPECT_EQ(requested->parityEnabled, expected.spaceParity);
        if (expected.spaceParity) {
            EXPECT_TRUE(requested->parityStick);
            EXPECT_FALSE(requested->parityOdd);
        }
        EXPECT_EQ(requested->dataBits, 8);
        EXPECT_EQ(requested->twoStopBits, expected.twoStopBits);
    }
};

TEST_P(QtSerialPortSettings, TakeEffectOnTheOpenPort) {
    ASSERT_TRUE(port_->setSettings("19200,n,8,2"));
    ASSERT_TRUE(port_->open());
    ASSERT_TRUE(port_->setHandshakingNone());
    testing_pty::forgetRequestedFraming();
    ASSERT_TRUE(port_->setSettings(GetParam().text));
    expectLine(GetParam());
}

TEST_P(QtSerialPortSettings, KeptWhileClosedAndAppliedAtOpen) {
    ASSERT_TRUE(port_->setSettings(GetParam().text));
    testing_pty::forgetRequestedFraming();
    ASSERT_TRUE(port_->open());
    expectLine(GetParam());
}

TEST_P(QtSerialPortSettings, MalformedTextChangesNothing) {
    ASSERT_TRUE(port_->setSettings(GetParam().text));
    EXPECT_FALSE(port_->setSettings("9600,x,8,1"));
    ASSERT_TRUE(port_->open());
    EXPECT_FALSE(port_->setSettings("14400,s,9,1"));
    EXPECT_FALSE(port_->setSettings(""));
    expectLine(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Lines, QtSerialPortSettings,
                         ::testing::Values(SettingsCase{"14400,s,8,1", 14400, true, false},
                                           SettingsCase{"14400,n,8,1", 14400, false, false},
                                           SettingsCase{"600,n,8,1", 600, false, false},
                                           SettingsCase{"1200,n,8,1", 1200, false, false},
                                           SettingsCase{"2400,n,8,1", 2400, false, false},
                                           SettingsCase{"4800,n,8,1", 4800, false, false},
                                           SettingsCase{"9600,n,8,1", 9600, false, false},
                                           SettingsCase{"19200,n,8,1", 19200, false, false},
                                           SettingsCase{"9600,s,8,2", 9600, true, true}),
                         [](const ::testing::TestParamInfo<SettingsCase>& info) {
                             return testsupport::caseName(info.param.text);
                         });

// The main window opens with space parity and then polls without parity at every tick.
TEST_F(QtSerialPortOnPty, StationSettingsAlternateWithPollSettings) {
    ASSERT_TRUE(port_->setSettings("14400,s,8,1"));
    ASSERT_TRUE(port_->open());
    for (int tick = 0; tick < 3; ++tick) {
        ASSERT_TRUE(port_->setSettings("9600,n,8,1")) << tick;
        EXPECT_EQ(lineState().speed, 9600u);
        ASSERT_TRUE(port_->setSettings("14400,s,8,1")) << tick;
        EXPECT_EQ(lineState().speed, 14400u);
        EXPECT_TRUE(lineState().parityStick);
    }
}

TEST_F(QtSerialPortOnPty, LeavingSpaceParityClearsStickParity) {
    ASSERT_TRUE(port_->setSettings("14400,s,8,1"));
    ASSERT_TRUE(port_->open());
    ASSERT_TRUE(lineState().parityStick);
    ASSERT_TRUE(port_->setSettings("9600,n,8,1"));
    EXPECT_FALSE(lineState().parityStick);
}

// A framing the driver cannot hold (a pty keeps no parity bit, so even parity is refused) makes
// the change fail and leaves the line as it was; stored for the next open, that open fails.
TEST_F(QtSerialPortOnPty, FramingTheDriverRefusesFailsAndKeepsTheLine) {
    ASSERT_TRUE(port_->setSettings("14400,s,8,1"));
    ASSERT_TRUE(port_->open());
    EXPECT_FALSE(port_->setSettings("9600,e,8,1"));
    const testing_pty::LineState state = lineState();
    EXPECT_EQ(state.speed, 14400u);
    EXPECT_TRUE(state.parityStick);
    EXPECT_FALSE(state.parityOdd);

    EXPECT_TRUE(port_->close());
    EXPECT_TRUE(port_->setSettings("9600,e,8,1"));
    EXPECT_FALSE(port_->open());
    EXPECT_FALSE(port_->isOpen());
}

TEST_F(QtSerialPortOnPty, PulledOutDeviceClosesThePortWithoutSpinning) {
    ASSERT_TRUE(port_->setReceiveThreshold(1));
    ASSERT_TRUE(port_->open());
    pty_.closeMaster();

    const double cpuBefore = threadCpuMilliseconds();
    runEventLoopFor(200ms);  // a port that spun on the dead device would burn most of it
    expectCpuBelow(threadCpuMilliseconds() - cpuBefore, 50.0, "200 ms after the device went away");

    EXPECT_TRUE(runEventLoopUntil([&] { return !port_->isOpen(); }));
    EXPECT_FALSE(port_->writeByte(0x2A));
    EXPECT_FALSE(port_->readAll().has_value());
    EXPECT_FALSE(port_->discardInput());
    EXPECT_FALSE(port_->open());
    EXPECT_TRUE(events_.empty());
}

TEST_F(QtSerialPortOnPty, WriteToPulledOutDeviceFailsAndClosesThePort) {
    ASSERT_TRUE(port_->open());
    pty_.closeMaster();
    EXPECT_FALSE(port_->writeByte(0x2A));
    EXPECT_FALSE(port_->isOpen());
    const double cpuBefore = threadCpuMilliseconds();
    runEventLoopFor(100ms);
    expectCpuBelow(threadCpuMilliseconds() - cpuBefore, 25.0, "100 ms after the failed write");
}

TEST(MachinePortMap, FileNamesWinAndMissingFileIsEmpty) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("comports.conf");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("# bench\r\nCOM7 = /dev/tusko-bench\r\n");
    file.close();

    const seriallink::PortMap fromFile = portMapFromFile(path);
    EXPECT_EQ(fromFile.device(7), "/dev/tusko-bench");

    QFile empty(dir.filePath("empty.conf"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    const seriallink::PortMap withoutFile = portMapFromFile(dir.filePath("missing.conf"));
    const seriallink::PortMap withEmptyFile = portMapFromFile(dir.filePath("empty.conf"));
    for (int n = 1; n <= 10; ++n) {
        EXPECT_EQ(withoutFile.device(n), withEmptyFile.device(n)) << n;
        EXPECT_NE(withoutFile.device(n), "/dev/tusko-bench") << n;
    }
}

}  // namespace
}  // namespace platform::qt
