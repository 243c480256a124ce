#pragma once

#include <string>

namespace platform {

class FileWriter {
  public:
    virtual ~FileWriter() = default;
    // Replaces the file with the text, all or nothing. False when it cannot be written.
    [[nodiscard]] virtual bool writeText(const std::string& path, const std::string& text) = 0;
};

}  // namespace platform
