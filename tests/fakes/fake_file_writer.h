#pragma once

#include <map>
#include <optional>
#include <string>

#include "platform/file_writer.h"

namespace fakes {

// Finished files land in `files`; `failing` makes every step fail.
class FakeFileWriter final : public platform::FileWriter {
  public:
    std::map<std::string, std::string> files;
    bool failing = false;
    int abandoned = 0;

    bool begin(const std::string& path) override {
        path_ = path;
        text_.clear();
        return !failing;
    }
    bool append(std::string_view text) override {
        text_ += text;
        return !failing && path_.has_value();
    }
    bool finish() override {
        if (failing || !path_) {
            return false;
        }
        files[*path_] = text_;
        path_.reset();
        return true;
    }
    void abandon() override {
        ++abandoned;
        path_.reset();
    }

  private:
    std::optional<std::string> path_;
    std::string text_;
};

}  // namespace fakes
