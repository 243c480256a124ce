#pragma once

#include <QSaveFile>

#include <memory>
#include <string>

#include "platform/file_writer.h"

namespace platform::qt {

// Writes through QSaveFile: a new file takes the old one's place only once it is complete, and
// only when that place holds a regular file or nothing (symbolic links followed).
class QtFileWriter final : public FileWriter {
  public:
    bool begin(const std::string& path) override;
    bool append(std::string_view text) override;
    bool finish() override;
    void abandon() override;

  private:
    std::string path_;
    std::unique_ptr<QSaveFile> file_;
};

}  // namespace platform::qt
