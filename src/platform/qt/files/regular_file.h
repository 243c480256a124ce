#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace platform::qt {

// What a path names, symbolic links followed.
enum class FileKind {
    Missing,
    Regular,
    Directory,
    Fifo,
    Socket,
    CharacterDevice,
    BlockDevice,
    Other,
};

// Missing also when a link leads nowhere or a directory on the way cannot be searched.
[[nodiscard]] FileKind fileKind(const std::string& path);

// "a FIFO", "a directory", "a device", ...: what a refusal calls a file of this kind.
[[nodiscard]] std::string kindName(FileKind kind);

struct FileRead {
    // The first bytes of a regular file that was read.
    std::optional<std::string> bytes;
    // POSIX permission bits of the file read (0400 owner may read, 0040 group, 0004 others...).
    unsigned permissions = 0;
    // Nothing is at the path: no refusal, no bytes.
    bool missing = false;
    // Why a file that is there was not read: "config.dat is a FIFO, not a regular file".
    std::string refusal;
};

// Up to `maxBytes` from the start of `path` when it is a regular file (links followed). Anything
// else there (a FIFO, a device, a directory, a socket) is refused without being waited on: a
// FIFO is never opened for reading in a way that waits for a writer, a device is not opened at
// all, and the kind is checked again on the open file so that a file swapped in meanwhile is
// refused too. The permissions are those of the file the bytes come from.
[[nodiscard]] FileRead readRegularFile(const std::string& path, std::size_t maxBytes);

}  // namespace platform::qt
