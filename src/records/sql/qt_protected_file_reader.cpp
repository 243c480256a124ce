#include "records/sql/qt_protected_file_reader.h"

#include <utility>

#include "platform/qt/files/regular_file.h"

namespace records::sql {

std::optional<platform::ProtectedFile> QtProtectedFileReader::read(const std::string& path) {
    platform::qt::FileRead file = platform::qt::readRegularFile(path, kMaxBytes);
    if (!file.bytes) {
        return std::nullopt;
    }
    return platform::ProtectedFile{file.permissions, std::move(*file.bytes)};
}

}  // namespace records::sql
