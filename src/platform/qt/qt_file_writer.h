#pragma once

#include "platform/file_writer.h"

namespace platform::qt {

// Writes through QSaveFile: a new file takes the old one's place only once it is complete.
class QtFileWriter final : public FileWriter {
  public:
    bool writeText(const std::string& path, const std::string& text) override;
};

}  // namespace platform::qt
