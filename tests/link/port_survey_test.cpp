// What --list-ports and a start without a usable port tell about real devices: pseudo-terminals
// stand in for the adapters.
#include "platform/qt/serial/port_survey.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "link/pseudo_terminal.h"
#include "records/without_root.h"

namespace platform::qt {
namespace {

using seriallink::PortState;

constexpr int kPtyPort = 3;

class PortSurvey : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string why = pty_.create();
        if (!why.empty()) {
            GTEST_SKIP() << "no pseudo-terminal: " << why;
        }
    }
    void TearDown() override {
        if (holder_ > 0) {
            ::kill(holder_, SIGKILL);
            ::waitpid(holder_, nullptr, 0);
        }
    }

    seriallink::PortLine surveyed() {
        const seriallink::PortMap map = seriallink::PortMap::fromConfig(
            "COM" + std::to_string(kPtyPort) + "=" + pty_.slavePath(), {});
        return surveyPorts(map).at(kPtyPort - 1);
    }

    // Another program opens the device and locks it, then waits until it is killed.
    void holdInAnotherProcess() {
        holder_ = testing_pty::holdInChild(pty_, [this] {
            ::prctl(PR_SET_NAME, "tusko-holder");
            const int fd = ::open(pty_.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
            return fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        });
        ASSERT_GT(holder_, 0) << "the holder could not take the device";
    }

    testing_pty::PseudoTerminal pty_;
    pid_t holder_ = -1;
};

TEST(PortSurveyWithoutDevices, MissingAndUnmappedNumbersHaveNoSuchDevice) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string absent = dir.filePath("ttyUSB7").toStdString();
    const auto lines = surveyPorts(seriallink::PortMap::fromConfig("COM1=" + absent, {}));
    ASSERT_EQ(lines.size(), 10U);
    EXPECT_EQ(lines[0].device, absent);
    EXPECT_EQ(lines[0].state, PortState::NoSuchDevice);
    EXPECT_EQ(lines[0].reason, "no such device");
    EXPECT_EQ(lines[9].number, 10);
    EXPECT_EQ(lines[9].state, PortState::NoSuchDevice);
}

TEST_F(PortSurvey, FreeDeviceIsUsable) {
    const seriallink::PortLine line = surveyed();
    EXPECT_EQ(line.device, pty_.slavePath());
    EXPECT_EQ(line.state, PortState::Usable);
    EXPECT_EQ(line.reason, "usable");
}

TEST_F(PortSurvey, DeviceAnotherProgramHoldsNamesThatProgram) {
    holdInAnotherProcess();
    const seriallink::PortLine line = surveyed();
    EXPECT_EQ(line.state, PortState::Held);
    EXPECT_EQ(line.reason,
              "held by another program: tusko-holder (process " + std::to_string(holder_) + ")");
}

// The device belongs to group dialout, as a USB adapter does; the program runs as a user who is
// not a member.
TEST_F(PortSurvey, DeviceWithoutPermissionNamesItsGroupAndHowToJoin) {
    const group* dialout = ::getgrnam("dialout");
    if (dialout == nullptr || ::chown(pty_.slavePath().c_str(), -1, dialout->gr_gid) != 0 ||
        ::chmod(pty_.slavePath().c_str(), 0660) != 0) {
        GTEST_SKIP() << "cannot give the pseudo-terminal to group dialout";
    }
    records_test::WithoutRoot unprivileged;
    ASSERT_TRUE(unprivileged.effective());
    if (::faccessat(AT_FDCWD, pty_.slavePath().c_str(), R_OK | W_OK, AT_EACCESS) == 0) {
        GTEST_SKIP() << "this user is a member of dialout";
    }
    const seriallink::PortLine line = surveyed();
    EXPECT_EQ(line.state, PortState::PermissionDenied);
    const passwd* user = ::getpwuid(::geteuid());
    ASSERT_NE(user, nullptr);
    EXPECT_EQ(line.reason,
              "permission denied: the device belongs to group dialout; join it with \"sudo usermod "
              "-aG dialout " +
                  std::string(user->pw_name) + "\", then log in again");
}

}  // namespace
}  // namespace platform::qt
