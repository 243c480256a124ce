#pragma once

#include <iostream>

#include "platform/file_reader.h"

namespace platform::qt {

// Reads regular files only. Anything else at the name (a FIFO, a device, a directory) is refused
// without being waited on, and the refusal is told to `complaints`; a missing file is not.
class QtFileReader final : public FileReader {
  public:
    explicit QtFileReader(std::ostream& complaints = std::cerr) : complaints_(complaints) {}

    std::optional<std::vector<std::uint8_t>> readStart(const std::string& fileName,
                                                       std::size_t count) override;

  private:
    std::ostream& complaints_;
};

}  // namespace platform::qt
