#pragma once

#include <map>
#include <string>

#include "platform/file_writer.h"

namespace fakes {

// Files written land in `files`; `failing` makes every write fail.
class FakeFileWriter final : public platform::FileWriter {
  public:
    std::map<std::string, std::string> files;
    bool failing = false;

    bool writeText(const std::string& path, const std::string& text) override {
        if (failing) {
            return false;
        }
        files[path] = text;
        return true;
    }
};

}  // namespace fakes
