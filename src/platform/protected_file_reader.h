#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace platform {

// A small file read together with its permission bits, taken from the same open file.
struct ProtectedFile {
    // POSIX-style bits: 0400 owner may read, 0040 group may read, 0004 others may read, and the
    // write and execute bits beside them.
    unsigned permissions = 0;
    std::string contents;
};

// Reads files that hold secrets, so that the caller can refuse one that others may read.
class ProtectedFileReader {
  public:
    virtual ~ProtectedFileReader() = default;
    // The file's first kMaxBytes bytes and its permissions; nothing when it cannot be read.
    static constexpr std::size_t kMaxBytes = 4096;
    virtual std::optional<ProtectedFile> read(const std::string& path) = 0;
};

}  // namespace platform
