// The service's command line: what it takes, what it refuses, and the port map it polls with.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "service/options.h"

namespace servicetest {
namespace {

using service::Action;

std::string shown(const std::vector<std::string>& arguments) {
    std::string line;
    for (const std::string& argument : arguments) {
        line += (line.empty() ? "" : " ") + argument;
    }
    return line;
}

TEST(ServiceOptions, AcceptedLines) {
    const struct {
        std::vector<std::string> arguments;
        Action action;
        int portNumber;  // -1: no port named
        std::string device;
        std::string speed;
        bool multi;
        int station;
    } cases[] = {
        {{}, Action::Run, -1, "", "14400", false, 1},
        {{"--multi"}, Action::Run, -1, "", "14400", true, 1},
        {{"--station", "16"}, Action::Run, -1, "", "14400", false, 16},
        {{"--station=07"}, Action::Run, -1, "", "14400", false, 7},
        {{"--port", "COM3", "--speed", "9600"}, Action::Run, 3, "", "9600", false, 1},
        {{"--port=com10", "--speed=600"}, Action::Run, 10, "", "600", false, 1},
        {{"--port", "COM04"}, Action::Run, 4, "", "14400", false, 1},
        {{"--port", "/dev/ttyUSB0", "--multi"}, Action::Run, 0, "/dev/ttyUSB0", "14400", true, 1},
        {{"--port", "./ttyMETER"}, Action::Run, 0, "./ttyMETER", "14400", false, 1},
        {{"--check"}, Action::Check, -1, "", "14400", false, 1},
        {{"--multi", "--check", "--port", "COM2", "--speed", "1200"},
         Action::Check,
         2,
         "",
         "1200",
         true,
         1},
        {{"--help"}, Action::Help, -1, "", "14400", false, 1},
        {{"-h"}, Action::Help, -1, "", "14400", false, 1},
        {{"--version"}, Action::Version, -1, "", "14400", false, 1},
    };
    for (const auto& c : cases) {
        const service::Options options = service::readOptions(c.arguments);
        const std::string line = shown(c.arguments);
        ASSERT_EQ(options.action, c.action) << line << ": " << options.refused;
        EXPECT_EQ(options.port.has_value(), c.portNumber >= 0) << line;
        if (options.port) {
            EXPECT_EQ(options.port->number, c.portNumber) << line;
            EXPECT_EQ(options.port->device, c.device) << line;
        }
        EXPECT_EQ(options.lineSpeed, c.speed) << line;
        EXPECT_EQ(options.multiStation, c.multi) << line;
        EXPECT_EQ(options.station, c.station) << line;
    }
}

TEST(ServiceOptions, RefusedLines) {
    const struct {
        std::vector<std::string> arguments;
        std::string why;
    } cases[] = {
        {{"--frobnicate"}, "unrecognized option '--frobnicate'"},
        {{"COM1"}, "unexpected argument 'COM1'"},
        {{"--multi=yes"}, "unrecognized option '--multi=yes'"},
        {{"--port"}, "option '--port' needs a value"},
        {{"--speed"}, "option '--speed' needs a value"},
        {{"--port", "COM11"}, "option '--port': \"COM11\" is not a port name COM1 to COM10"},
        {{"--port", "ttyUSB0"},
         "option '--port': \"ttyUSB0\" is neither a port name COM1 to COM10 nor a device path "
         "such as /dev/ttyUSB0"},
        {{"--port="}, "option '--port': \"\" is neither"},
        // The window's list of speeds and nothing else; the window would poll at 9600 instead.
        {{"--speed", "38400"},
         "speed '38400' is not one of 600, 1200, 2400, 4800, 9600, 14400, 19200"},
        {{"--speed", "9600 "}, "speed '9600 ' is not one of"},
        {{"--station", "0"}, "station '0' is not 1 to 16"},
        {{"--station", "17"}, "station '17' is not 1 to 16"},
        {{"--station", "+3"}, "station '+3' is not 1 to 16"},
        {{"--multi", "--station", "2"}, "options '--multi' and '--station' do not go together"},
        {{"--station", "2", "--multi"}, "options '--multi' and '--station' do not go together"},
        {{"--port", "COM1", "--port", "COM2"}, "option '--port' given twice"},
        {{"--check", "--check"}, "option '--check' given twice"},
        {{"--check", "--help"}, "options '--check' and '--help' do not go together"},
        {{"--help", "--multi"}, "option '--multi' does not go with '--help'"},
        {{"--speed", "9600", "--version"}, "option '--speed' does not go with '--version'"},
    };
    for (const auto& c : cases) {
        const service::Options options = service::readOptions(c.arguments);
        EXPECT_EQ(options.action, Action::Refuse) << shown(c.arguments);
        EXPECT_EQ(options.refused.rfind(c.why, 0), 0U)
            << shown(c.arguments) << ": " << options.refused;
    }
}

// A port named on the command line is the only one discovery can find: a number keeps the
// device the machine gives it, a device stands as COM1.
TEST(ServiceOptions, NamedPortIsTheOnlyOneMapped) {
    const seriallink::PortMap machine = seriallink::PortMap::fromConfig(
        "COM2=/dev/ttyUSB7\nCOM11=x\n", {{"/dev/ttyS0", "", false}, {"/dev/ttyS1", "", false}});
    const struct {
        service::PortChoice choice;
        int mapped;
        std::string device;  // empty: nothing stands behind it
        std::string name;
    } cases[] = {
        {{2, ""}, 2, "/dev/ttyUSB7", "COM2 (/dev/ttyUSB7)"},
        {{3, ""}, 3, "/dev/ttyS1", "COM3 (/dev/ttyS1)"},
        {{5, ""}, 5, "", "COM5"},
        {{0, "/dev/ttyACM0"}, 1, "/dev/ttyACM0", "/dev/ttyACM0"},
    };
    for (const auto& c : cases) {
        const seriallink::PortMap map = service::portMapFor(c.choice, machine);
        for (int number = 1; number <= 10; ++number) {
            const auto device = map.device(number);
            if (number == c.mapped && !c.device.empty()) {
                EXPECT_EQ(device, c.device) << c.name;
            } else {
                EXPECT_FALSE(device) << c.name << ": COM" << number << " is " << *device;
            }
        }
        EXPECT_EQ(service::portName(c.choice, c.mapped, c.device), c.name);
        // What comports.conf said goes with a number only.
        EXPECT_EQ(map.config().unread.size(), c.choice.device.empty() ? 1U : 0U) << c.name;
    }
}

}  // namespace
}  // namespace servicetest
