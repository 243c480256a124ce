#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/file_reader.h"

namespace fakes {

// Files the test puts in `files`; any other name is missing.
class FakeFileReader final : public platform::FileReader {
  public:
    std::map<std::string, std::vector<std::uint8_t>> files;

    std::optional<std::vector<std::uint8_t>> readStart(const std::string& fileName,
                                                       std::size_t count) override {
        const auto found = files.find(fileName);
        if (found == files.end()) {
            return std::nullopt;
        }
        const std::vector<std::uint8_t>& bytes = found->second;
        return std::vector<std::uint8_t>(bytes.begin(),
                                         bytes.begin() + std::min(count, bytes.size()));
    }
};

}  // namespace fakes
