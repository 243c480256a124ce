#include "link/port_map.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace seriallink {
namespace {

std::vector<std::optional<std::string>> allDevices(const PortMap& map) {
    std::vector<std::optional<std::string>> devices;
    for (int n = PortMap::kFirstPort; n <= PortMap::kLastPort; ++n) {
        devices.push_back(map.device(n));
    }
    return devices;
}

constexpr std::nullopt_t none = std::nullopt;

std::vector<SystemDevice> builtIn(const std::vector<std::string>& paths) {
    std::vector<SystemDevice> devices;
    for (const std::string& path : paths) {
        devices.push_back({path, "", false});
    }
    return devices;
}

TEST(PortMap, EmptyConfigAndNoDevicesMapsNothing) {
    const PortMap map = PortMap::fromConfig("", {});
    for (int n = 0; n <= 11; ++n) {
        EXPECT_FALSE(map.device(n).has_value()) << n;
    }
}

TEST(PortMap, ConfigLineFormsAreRead) {
    const PortMap map = PortMap::fromConfig(
        "# serial adapters\r\n"
        "COM1=/dev/ttyUSB0\r\n"
        "\r\n"
        "  com2 =  /dev/ttyS1  \r\n"
        "Com3=/dev/ttyACM0 # the meter bench\n"
        "\tCOM10=/dev/ttyS9\n"
        "COM04=/dev/ttyS4",
        {});
    EXPECT_EQ(allDevices(map), (std::vector<std::optional<std::string>>{
                                   "/dev/ttyUSB0", "/dev/ttyS1", "/dev/ttyACM0", "/dev/ttyS4", none,
                                   none, none, none, none, "/dev/ttyS9"}));
}

// Each line not understood pins nothing and is kept with its number, as written, and why.
TEST(PortMap, LinesNotUnderstoodAreNamedWithTheirNumbers) {
    const PortConfig config = readPortConfig(
        "COM0=/dev/a\n"
        "COM11=/dev/b\r\n"
        "COM-1=/dev/c\n"
        "COMX=/dev/d\n"
        "CON1=/dev/e\n"
        "COM1\n"
        "COM1=\n"
        "COM1=/dev/has blank\n"
        "COM1=/dev/f=g\n"
        "#COM1=/dev/commented\n"
        "\n"
        "COM 1=/dev/h\n"
        "=/dev/i\n"
        "COM001=/dev/j\n"
        "garbage # with a comment\n"
        "COM2=/dev/good\n");
    const std::vector<std::pair<int, std::string>> expected = {
        {1, "\"COM0\" is not a port name COM1 to COM10"},
        {2, "\"COM11\" is not a port name COM1 to COM10"},
        {3, "\"COM-1\" is not a port name COM1 to COM10"},
        {4, "\"COMX\" is not a port name COM1 to COM10"},
        {5, "\"CON1\" is not a port name COM1 to COM10"},
        {6, "not COMn=device"},
        {7, "no device after \"=\""},
        {8, "a device name holds no blank and no \"=\""},
        {9, "a device name holds no blank and no \"=\""},
        {12, "\"COM 1\" is not a port name COM1 to COM10"},
        {13, "\"\" is not a port name COM1 to COM10"},
        {14, "\"COM001\" is not a port name COM1 to COM10"},
        {15, "not COMn=device"},
    };
    ASSERT_EQ(config.unread.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(config.unread[i].number, expected[i].first) << i;
        EXPECT_EQ(config.unread[i].why, expected[i].second) << config.unread[i].number;
    }
    EXPECT_EQ(config.unread[1].text, "COM11=/dev/b") << "the line end is not part of the line";
    EXPECT_EQ(config.unread.back().text, "garbage # with a comment");
    const PortMap map = PortMap::fromConfig(config, {});
    EXPECT_EQ(allDevices(map),
              (std::vector<std::optional<std::string>>{none, "/dev/good", none, none, none, none,
                                                       none, none, none, none}));
    const std::string complaints = configComplaints(config, "comports.conf");
    EXPECT_EQ(complaints.substr(0, complaints.find('\n') + 1),
              "comports.conf line 1: \"COM0=/dev/a\" not understood: \"COM0\" is not a port name "
              "COM1 to COM10\n");
    EXPECT_EQ(std::count(complaints.begin(), complaints.end(), '\n'), 13);
}

TEST(PortMap, LaterLineForTheSameNumberWins) {
    const PortMap map = PortMap::fromConfig("COM1=/dev/first\nCOM1=/dev/second\n", {});
    EXPECT_EQ(map.device(1), "/dev/second");
}

TEST(PortMap, SystemDevicesFillFreeNumbersInNaturalOrder) {
    const PortMap map = PortMap::fromConfig(
        "", builtIn({"/dev/ttyUSB0", "/dev/ttyS10", "/dev/ttyS2", "/dev/ttyACM0", "/dev/ttyS0"}));
    EXPECT_EQ(allDevices(map), (std::vector<std::optional<std::string>>{
                                   "/dev/ttyACM0", "/dev/ttyS0", "/dev/ttyS2", "/dev/ttyS10",
                                   "/dev/ttyUSB0", none, none, none, none, none}));
}

TEST(PortMap, ExplicitLinesWinAndNamedDevicesAreNotRepeated) {
    const PortMap map = PortMap::fromConfig(
        "COM2=/dev/ttyUSB0\nCOM3=/dev/ttyS7\n",
        builtIn({"/dev/ttyS1", "/dev/ttyUSB0", "/dev/ttyS0", "/dev/ttyUSB1", "/dev/ttyS1"}));
    EXPECT_EQ(allDevices(map), (std::vector<std::optional<std::string>>{
                                   "/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyS7", "/dev/ttyS1",
                                   "/dev/ttyUSB1", none, none, none, none, none}));
    for (int n = PortMap::kFirstPort; n <= PortMap::kLastPort; ++n) {
        EXPECT_EQ(map.pinned(n), n == 2 || n == 3) << n;
    }
}

TEST(PortMap, DevicesBeyondTheTenNumbersStayUnmapped) {
    std::vector<std::string> devices;
    for (int i = 11; i >= 0; --i) {
        devices.push_back("/dev/ttyS" + std::to_string(i));
    }
    const PortMap map = PortMap::fromConfig("COM5=/dev/ttyUSB0", builtIn(devices));
    EXPECT_EQ(map.device(1), "/dev/ttyS0");
    EXPECT_EQ(map.device(4), "/dev/ttyS3");
    EXPECT_EQ(map.device(5), "/dev/ttyUSB0");
    EXPECT_EQ(map.device(6), "/dev/ttyS4");
    EXPECT_EQ(map.device(10), "/dev/ttyS8");
    EXPECT_FALSE(map.device(11).has_value());
}

// Two USB adapters and the machine's own ports. The kernel names the adapters ttyUSB0, ttyUSB1 in
// the order it finds them, which changes with the sockets they are plugged into and with the order
// they were plugged in; their stable names do not.
const char* const kFtdi = "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
const char* const kCh340 = "usb-1a86_USB_Serial-if00-port0";
const char* const kProlific = "usb-Prolific_Technology_Inc._USB-Serial_Controller-if00-port0";

struct PlugCase {
    const char* what;
    const char* conf;
    std::vector<SystemDevice> devices;
    std::vector<std::optional<std::string>> expected;
};

TEST(PortMap, AdaptersComeFirstInTheOrderOfTheirStableNames) {
    const std::vector<PlugCase> cases = {
        {"built-in ports reported first",
         "",
         {{"/dev/ttyS0", "", false},
          {"/dev/ttyS1", "", false},
          {"/dev/ttyUSB0", kFtdi, true},
          {"/dev/ttyUSB1", kCh340, true}},
         {"/dev/ttyUSB1", "/dev/ttyUSB0", "/dev/ttyS0", "/dev/ttyS1", none, none, none, none, none,
          none}},
        {"the same adapters in swapped sockets",
         "",
         {{"/dev/ttyUSB1", kFtdi, true},
          {"/dev/ttyS1", "", false},
          {"/dev/ttyUSB0", kCh340, true},
          {"/dev/ttyS0", "", false}},
         {"/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyS0", "/dev/ttyS1", none, none, none, none, none,
          none}},
        {"an adapter without a stable name sorts by its path among the adapters",
         "",
         {{"/dev/ttyS0", "", false}, {"/dev/ttyACM0", "", true}, {"/dev/ttyUSB3", kProlific, true}},
         {"/dev/ttyACM0", "/dev/ttyUSB3", "/dev/ttyS0", none, none, none, none, none, none, none}},
        {"explicit lines keep their numbers, adapters fill the rest first",
         "COM1=/dev/ttyS0\nCOM3=/dev/ttyUSB1\n",
         {{"/dev/ttyS0", "", false},
          {"/dev/ttyS1", "", false},
          {"/dev/ttyUSB0", kFtdi, true},
          {"/dev/ttyUSB1", kCh340, true},
          {"/dev/ttyUSB2", kProlific, true}},
         {"/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyUSB2", "/dev/ttyS1", none, none,
          none, none, none}},
    };
    for (const PlugCase& c : cases) {
        EXPECT_EQ(allDevices(PortMap::fromConfig(c.conf, c.devices)), c.expected) << c.what;
    }
}

TEST(PortMap, IdentityNamesEachNumberItself) {
    const PortMap map = PortMap::identity();
    EXPECT_EQ(map.device(1), "COM1");
    EXPECT_EQ(map.device(10), "COM10");
    EXPECT_FALSE(map.device(0).has_value());
    EXPECT_FALSE(map.device(11).has_value());
}

}  // namespace
}  // namespace seriallink
