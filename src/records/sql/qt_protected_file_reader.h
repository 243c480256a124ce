#pragma once

#include "platform/protected_file_reader.h"

namespace records::sql {

// Reads the file and takes its permissions from the open file, so both belong to the same file.
class QtProtectedFileReader final : public platform::ProtectedFileReader {
  public:
    std::optional<platform::ProtectedFile> read(const std::string& path) override;
};

}  // namespace records::sql
