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

// What a test puts at a path: the kinds of file a program may find where it expects a regular one.
enum class Made {
    Regular,        // a file holding "contents\n"
    Nothing,        // no file at all
    Directory,      // an empty directory
    Fifo,           // a FIFO without a writer: opening it to read waits for one
    Socket,         // a bound Unix socket
    Device,         // a character device that discards what it is given, like /dev/null
    LinkToRegular,  // a symbolic link to a regular file beside it
    LinkToFifo,     // a symbolic link to a FIFO beside it
    LinkToDevice,   // a symbolic link to a device
    DanglingLink,   // a symbolic link to nothing
};

inline const char* madeName(Made made) {
    constexpr const char* kNames[] = {
        "regular file",   "nothing",        "directory",        "FIFO",         "socket", "device",
        "link to a file", "link to a FIFO", "link to a device", "dangling link"};
    return kNames[static_cast<int>(made)];
}

// Makes `made` at `path`, helpers beside it named after it. A device is made with mknod where the
// test may (root); elsewhere /dev/null stands in, which such a test cannot replace. The socket is
// left bound, its descriptor open, for the length of the test. True when it was made.
inline bool make(Made made, const std::string& path) {
    switch (made) {
        case Made::Regular:
            return static_cast<bool>(std::ofstream(path) << "contents\n");
        case Made::Nothing:
            return true;
        case Made::Directory:
            return ::mkdir(path.c_str(), 0755) == 0;
        case Made::Fifo:
            return ::mkfifo(path.c_str(), 0644) == 0;
        case Made::Socket: {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            if (fd < 0 || path.size() >= sizeof address.sun_path) {
                return false;
            }
            std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
            return ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        }
        case Made::Device:
            if (::geteuid() == 0) {
                return ::mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
            }
            return ::symlink("/dev/null", path.c_str()) == 0;
        case Made::LinkToRegular:
            return make(Made::Regular, path + ".target") &&
                   ::symlink((path + ".target").c_str(), path.c_str()) == 0;
        case Made::LinkToFifo:
            return make(Made::Fifo, path + ".target") &&
                   ::symlink((path + ".target").c_str(), path.c_str()) == 0;
        case Made::LinkToDevice:
            return make(Made::Device, path + ".target") &&
                   ::symlink((path + ".target").c_str(), path.c_str()) == 0;
        case Made::DanglingLink:
            return ::symlink((path + ".nowhere").c_str(), path.c_str()) == 0;
    }
    return false;
}

// What is at `path` now (links followed), to check that nothing replaced it: the kind and, for
// a regular file, its contents.
inline std::string describe(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return "nothing";
    }
    if (S_ISREG(status.st_mode)) {
        std::ifstream file(path);
        return "file:" + std::string(std::istreambuf_iterator<char>(file), {});
    }
    return "mode " + std::to_string(status.st_mode & S_IFMT);
}

}  // namespace testsupport
