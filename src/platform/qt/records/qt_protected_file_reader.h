#pragma once

#include "platform/protected_file_reader.h"

namespace platform::qt {

// Reads the file and takes its permissions from the open file, so both belong to the same file.
// Only a regular file is read: a FIFO, a device or a directory is refused without being waited on.
class QtProtectedFileReader final : public ProtectedFileReader {
  public:
    std::optional<ProtectedFile> read(const std::string& path) override;
};

}  // namespace platform::qt
