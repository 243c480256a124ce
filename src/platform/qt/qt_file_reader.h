#pragma once

#include <iostream>
#include <string>
#include <utility>

#include "platform/file_reader.h"

namespace platform::qt {

// Reads regular files only. Anything else at the name (a FIFO, a device, a directory) is refused
// without being waited on, and the refusal is told to `complaints`, after the program's name; a
// missing file is not.
class QtFileReader final : public FileReader {
  public:
    explicit QtFileReader(std::ostream& complaints = std::cerr, std::string program = "tuskocp")
        : complaints_(complaints), program_(std::move(program)) {}

    std::optional<std::vector<std::uint8_t>> readStart(const std::string& fileName,
                                                       std::size_t count) override;

  private:
    std::ostream& complaints_;
    std::string program_;
};

}  // namespace platform::qt
