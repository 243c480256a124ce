#include "link/port_note.h"

#include <gtest/gtest.h>

#include <string>

namespace seriallink {
namespace {

TEST(PortNote, PinnedPortsWithoutTheirDeviceAreNamedBesideThePortPolled) {
    struct Case {
        const char* conf;
        std::string present;  // the devices that exist, each followed by ";"
        int used;
        std::string chinese;  // empty: no note
        std::string english;
    };
    const Case cases[] = {
        {"COM1=/dev/ttyUSB0\n", "/dev/ttyS0;/dev/ttyS1;", 2,
         "COM1 (/dev/ttyUSB0) 未找到，正在使用 COM2 (/dev/ttyS0)",
         "COM1 (/dev/ttyUSB0) not found; polling COM2 (/dev/ttyS0) instead"},
        {"COM1=/dev/ttyUSB0\nCOM5=/dev/ttyUSB2\nCOM2=/dev/ttyUSB1\n", "/dev/ttyUSB1;", 2,
         "COM1 (/dev/ttyUSB0)、COM5 (/dev/ttyUSB2) 未找到，正在使用 COM2 (/dev/ttyUSB1)",
         "COM1 (/dev/ttyUSB0), COM5 (/dev/ttyUSB2) not found; polling COM2 (/dev/ttyUSB1) instead"},
        {"COM1=/dev/ttyUSB0\n", "/dev/ttyUSB0;/dev/ttyS0;", 1, "", ""},
        // Numbers given to the system's devices are not pinned: nothing was asked of them.
        {"", "/dev/ttyS1;", 2, "", ""},
    };
    for (const Case& c : cases) {
        const PortMap map =
            PortMap::fromConfig(c.conf, {{"/dev/ttyS0", "", false}, {"/dev/ttyS1", "", false}});
        const auto note = missingPinnedPortNote(map, c.used, [&c](const std::string& device) {
            return c.present.find(device + ";") != std::string::npos;
        });
        EXPECT_EQ(note ? note->chinese : "", c.chinese) << c.conf;
        EXPECT_EQ(note ? note->english : "", c.english) << c.conf;
    }
}

}  // namespace
}  // namespace seriallink
