#include "platform/qt/records/qt_protected_file_reader.h"

#include <utility>

#include "platform/qt/files/regular_file.h"

namespace platform::qt {

std::optional<ProtectedFile> QtProtectedFileReader::read(const std::string& path) {
    FileRead file = readRegularFile(path, kMaxBytes);
    if (!file.bytes) {
        return std::nullopt;
    }
    return ProtectedFile{file.permissions, std::move(*file.bytes)};
}

}  // namespace platform::qt
