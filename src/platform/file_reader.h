#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

class FileReader {
  public:
    virtual ~FileReader() = default;
    // Up to `count` bytes from the start of the file; nothing when it is missing or unreadable.
    virtual std::optional<std::vector<std::uint8_t>> readStart(const std::string& fileName,
                                                               std::size_t count) = 0;
};

}  // namespace platform
