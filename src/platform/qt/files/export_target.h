#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform::qt {

// A file of the program that an export must never replace, and what it is.
struct OwnFile {
    std::string path;     // relative paths are taken in the working directory
    std::string what;     // "the records store"
    std::string chinese;  // "记录库"
};

// The program's own files in the working directory: the records store and its journals, the
// records server's settings "records.conf", the password file they name and the spool of the
// server's records with its journals, "comports.conf" and "config.dat".
[[nodiscard]] std::vector<OwnFile> programFiles();

// Why the records may not be exported to a file.
struct ExportRefusal {
    std::string english;  // for standard error: "kvt97.mdb is the records store"
    std::string chinese;  // for a message box
};

// Why `target` may not receive an export, or nothing when it may. An export replaces the file it
// writes, so the target must not be one of `ownFiles`, under its own path (whether it exists or
// not) or under any other name for the same file (another path, a hard link, a symbolic link),
// and must not be anything that exists and is not a regular file (a device, a FIFO, a socket, a
// directory), also at the end of symbolic links.
[[nodiscard]] std::optional<ExportRefusal> exportRefusal(const std::string& target,
                                                         const std::vector<OwnFile>& ownFiles);

// As above, against the program's own files in the working directory.
[[nodiscard]] std::optional<ExportRefusal> exportRefusal(const std::string& target);

}  // namespace platform::qt
