#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

// Writes a file piece by piece, so that a file of any size passes through little memory. The new
// file takes the place of one of the same name only once it is finished: a failed or abandoned
// write leaves what was there.
class FileWriter {
  public:
    virtual ~FileWriter() = default;
    [[nodiscard]] virtual bool begin(const std::string& path) = 0;
    [[nodiscard]] virtual bool append(std::string_view text) = 0;
    [[nodiscard]] virtual bool finish() = 0;
    // Drops the write begun; the new file is removed and what was at the path stays.
    virtual void abandon() = 0;

    // The whole file at once.
    [[nodiscard]] bool writeText(const std::string& path, std::string_view text) {
        return begin(path) && append(text) && finish();
    }
};

// Makes a file writer of its own for a thread that writes (an export in the background).
using FileWriterMaker = std::function<std::unique_ptr<FileWriter>()>;

}  // namespace platform
