#pragma once

#include "platform/protected_file_reader.h"

namespace platform::qt {

// Reads the file and takes its permissions from the open file, so both belong to the same file.
class QtProtectedFileReader final : public ProtectedFileReader {
  public:
    std::optional<ProtectedFile> read(const std::string& path) override;
};

}  // namespace platform::qt
