#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/protected_file_reader.h"

namespace records {

// When this file is in the working directory, the records store is a table on a PostgreSQL
// server instead of the file.
inline constexpr const char* kServerSettingsFile = "records.conf";

struct ServerSettings {
    static constexpr int kDefaultPort = 5432;

    // A host name or address, or the directory of the server's Unix socket; empty: the local
    // server's socket.
    std::string host;
    int port = kDefaultPort;
    std::string database;
    std::string user;
    std::string passwordFile;  // empty: no password is sent
    std::string site;          // empty: the rows carry no site
};

// A value, or why there is none.
template <typename T>
struct Checked {
    std::optional<T> value;
    std::string problem;  // set when there is no value
};

// Reads the text of "records.conf": lines "key=value" with the keys host, port, database, user,
// password_file and site, each at most once, blanks around key and value dropped; blank lines and
// lines whose first character other than a blank is "#" are ignored. database and user are
// required. Any other line makes the whole text unusable, and the problem names its line.
[[nodiscard]] Checked<ServerSettings> parseServerSettings(std::string_view text);

// The password held in the file `path`: its first line without the line end. Refused when the
// group or others have any permission on the file, and when it cannot be read.
[[nodiscard]] Checked<std::string> readPassword(platform::ProtectedFileReader& reader,
                                                const std::string& path);

}  // namespace records
