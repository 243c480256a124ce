#pragma once

#include <QSaveFile>

#include <memory>

#include "platform/file_writer.h"

namespace platform::qt {

// Writes through QSaveFile: a new file takes the old one's place only once it is complete.
class QtFileWriter final : public FileWriter {
  public:
    bool begin(const std::string& path) override;
    bool append(std::string_view text) override;
    bool finish() override;
    void abandon() override;
    std::optional<std::string> beginNamed(const std::string& path) override;

  private:
    std::unique_ptr<QSaveFile> file_;
};

}  // namespace platform::qt
