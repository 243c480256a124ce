#pragma once

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

namespace testsupport {

// What a test puts where a program expects a regular file, or nothing there.
enum class Made { Nothing, Directory, Fifo, Socket, Device, LinkToFifo, LinkToDevice };

inline const char* madeName(Made made) {
    constexpr const char* kNames[] = {
        "nothing", "directory", "FIFO", "socket", "device", "link to a FIFO", "link to a device"};
    return kNames[static_cast<int>(made)];
}

// Makes `made` at `path` (a link's target beside it). The FIFO has no writer: opening it to read
// waits for one. The device discards what it is given, as /dev/null does; it is made with mknod
// where the test may (root), elsewhere it is a link to /dev/null, which such a test cannot
// replace. The socket stays bound for the rest of the test. True when it was made.
inline bool make(Made made, const std::string& path) {
    switch (made) {
        case Made::Nothing:
            return true;
        case Made::Directory:
            return ::mkdir(path.c_str(), 0755) == 0;
        case Made::Fifo:
            return ::mkfifo(path.c_str(), 0644) == 0;
        case Made::Socket: {
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            if (fd < 0 || path.size() >= sizeof address.sun_path) {
                return false;
            }
            std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
            return ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        }
        case Made::Device:
            return ::geteuid() == 0 ? ::mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0
                                    : ::symlink("/dev/null", path.c_str()) == 0;
        case Made::LinkToFifo:
        case Made::LinkToDevice:
            return make(made == Made::LinkToFifo ? Made::Fifo : Made::Device, path + ".target") &&
                   ::symlink((path + ".target").c_str(), path.c_str()) == 0;
    }
    return false;
}

// What is at `path` now, links followed: a regular file's contents, else the kind of node.
inline std::string describe(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return "nothing";
    }
    if (!S_ISREG(status.st_mode)) {
        return "mode " + std::to_string(status.st_mode & S_IFMT);
    }
    std::ifstream file(path);
    return "file:" + std::string(std::istreambuf_iterator<char>(file), {});
}

}  // namespace testsupport
