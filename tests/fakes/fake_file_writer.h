#pragma once

#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>

#include "platform/file_writer.h"

namespace fakes {

// Finished files land in `files`; `failing` makes every step fail. A named write goes to
// `namedFile`, a real file the test provides, and lands in `files` when it is finished.
class FakeFileWriter final : public platform::FileWriter {
  public:
    std::map<std::string, std::string> files;
    bool failing = false;
    std::string namedFile;
    int abandoned = 0;

    bool begin(const std::string& path) override {
        path_ = path;
        named_ = false;
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
        if (named_) {
            std::ifstream file(namedFile, std::ios::binary);
            text_.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        }
        files[*path_] = text_;
        path_.reset();
        return true;
    }
    void abandon() override {
        ++abandoned;
        path_.reset();
    }
    std::optional<std::string> beginNamed(const std::string& path) override {
        if (!begin(path) || namedFile.empty()) {
            return std::nullopt;
        }
        named_ = true;
        return namedFile;
    }

  private:
    std::optional<std::string> path_;
    bool named_ = false;
    std::string text_;
};

}  // namespace fakes
