#include "platform/qt/qt_file_reader.h"

#include "platform/qt/files/regular_file.h"

namespace platform::qt {

std::optional<std::vector<std::uint8_t>> QtFileReader::readStart(const std::string& fileName,
                                                                 std::size_t count) {
    const FileRead read = readRegularFile(fileName, count);
    if (!read.refusal.empty()) {
        complaints_ << program_ << ": " << read.refusal << "; not read\n";
    }
    if (!read.bytes) {
        return std::nullopt;
    }
    return std::vector<std::uint8_t>(read.bytes->begin(), read.bytes->end());
}

}  // namespace platform::qt
