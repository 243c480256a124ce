#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace records::sql {

// Which file a path names: its device and inode number. A file moved into place under the same
// name, or deleted and made again, has another identity. Where the system has no inode numbers,
// every existing file has the same identity, so only a file appearing or vanishing shows.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;

    bool operator==(const FileIdentity& other) const {
        return device == other.device && inode == other.inode;
    }
    bool operator!=(const FileIdentity& other) const { return !(*this == other); }
};

// The identity of the file at `path`; none when there is no file there.
std::optional<FileIdentity> fileIdentity(const QString& path);

}  // namespace records::sql
