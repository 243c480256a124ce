#include "link/port_note.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>

namespace seriallink {
namespace {

struct NoteCase {
    const char* what;
    const char* conf;
    std::set<std::string> present;  // the devices that exist
    int used;
    std::optional<std::string> chinese;
    std::optional<std::string> english;
};

TEST(PortNote, APinnedPortWithoutItsDeviceIsNamedBesideThePortPolled) {
    const std::vector<SystemDevice> system = {{"/dev/ttyS0", "", false}, {"/dev/ttyS1", "", false}};
    const NoteCase cases[] = {
        {"the adapter pinned to COM1 is unplugged, the built-in port is polled",
         "COM1=/dev/ttyUSB0\n",
         {"/dev/ttyS0", "/dev/ttyS1"},
         2,
         "COM1 (/dev/ttyUSB0) 未找到，正在使用 COM2 (/dev/ttyS0)",
         "COM1 (/dev/ttyUSB0) not found; polling COM2 (/dev/ttyS0) instead"},
        {"the pinned adapter is there and polled",
         "COM1=/dev/ttyUSB0\n",
         {"/dev/ttyUSB0", "/dev/ttyS0", "/dev/ttyS1"},
         1,
         std::nullopt,
         std::nullopt},
        {"no file: numbers given by the system are never pinned",
         "",
         {"/dev/ttyS1"},
         2,
         std::nullopt,
         std::nullopt},
        {"two pinned adapters missing, a third pinned one polled",
         "COM1=/dev/ttyUSB0\nCOM3=/dev/ttyUSB2\nCOM2=/dev/ttyUSB1\n",
         {"/dev/ttyUSB1"},
         2,
         "COM1 (/dev/ttyUSB0)、COM3 (/dev/ttyUSB2) 未找到，正在使用 COM2 (/dev/ttyUSB1)",
         "COM1 (/dev/ttyUSB0), COM3 (/dev/ttyUSB2) not found; polling COM2 (/dev/ttyUSB1) "
         "instead"},
        {"a missing pinned port above the one polled is named too",
         "COM1=/dev/ttyS1\nCOM5=/dev/ttyUSB0\n",
         {"/dev/ttyS0", "/dev/ttyS1"},
         1,
         "COM5 (/dev/ttyUSB0) 未找到，正在使用 COM1 (/dev/ttyS1)",
         "COM5 (/dev/ttyUSB0) not found; polling COM1 (/dev/ttyS1) instead"},
        {"a line not understood pins nothing",
         "COM11=/dev/ttyUSB0\n",
         {"/dev/ttyS0"},
         1,
         std::nullopt,
         std::nullopt},
    };
    for (const NoteCase& c : cases) {
        const PortMap map = PortMap::fromConfig(c.conf, system);
        const auto note = missingPinnedPortNote(
            map, c.used, [&c](const std::string& device) { return c.present.count(device) > 0; });
        ASSERT_EQ(note.has_value(), c.chinese.has_value()) << c.what;
        if (note) {
            EXPECT_EQ(note->chinese, *c.chinese) << c.what;
            EXPECT_EQ(note->english, *c.english) << c.what;
        }
    }
}

}  // namespace
}  // namespace seriallink
