#pragma once

#include "platform/file_reader.h"

namespace platform::qt {

class QtFileReader final : public FileReader {
  public:
    std::optional<std::vector<std::uint8_t>> readStart(const std::string& fileName,
                                                       std::size_t count) override;
};

}  // namespace platform::qt
