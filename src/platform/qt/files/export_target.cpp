#include "platform/qt/files/export_target.h"

#include <filesystem>
#include <string_view>
#include <system_error>

#include "platform/qt/files/regular_file.h"
#include "records/records_store.h"
#include "records/server_settings.h"
#include "text/characters.h"

namespace platform::qt {
namespace {

namespace fs = std::filesystem;

// Where the records the server does not take yet wait, beside "records.conf".
constexpr const char* kSpoolFile = "records-spool.db";
// The files an SQLite database keeps beside itself while a change is under way.
constexpr const char* kJournalEndings[] = {"-journal", "-wal", "-shm"};
constexpr std::size_t kMaxSettingsBytes = 64 * 1024;
// As many links as the system follows in one path.
constexpr int kMaxLinks = 40;

// The password file "records.conf" names, read leniently: a settings file the server connection
// refuses may still name a file worth keeping.
std::optional<std::string> passwordFileOf(const std::string& settingsFile) {
    const FileRead settings = readRegularFile(settingsFile, kMaxSettingsBytes);
    std::string_view text = settings.bytes ? std::string_view(*settings.bytes) : "";
    std::optional<std::string> found;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = ::text::trimBlanks(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        const std::size_t equals = line.find('=');
        if (equals != std::string_view::npos &&
            ::text::trimBlanks(line.substr(0, equals)) == "password_file") {
            found = std::string(::text::trimBlanks(line.substr(equals + 1)));
        }
    }
    return found;
}

void addWithJournals(std::vector<OwnFile>& files, const std::string& path, const std::string& what,
                     const std::string& chinese) {
    files.push_back({path, what, chinese});
    for (const char* ending : kJournalEndings) {
        files.push_back({path + ending, "a journal of " + what, chinese + "的日志文件"});
    }
}

// The file a write to `path` ends in: symbolic links followed to their end, even to where
// nothing is, in a directory named by its canonical path.
fs::path finalPath(fs::path path) {
    std::error_code error;
    for (int hops = 0; hops < kMaxLinks && fs::is_symlink(fs::symlink_status(path, error));
         ++hops) {
        const fs::path target = fs::read_symlink(path, error);
        if (error) {
            break;
        }
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    const fs::path absolute = fs::absolute(path, error);
    fs::path directory = fs::weakly_canonical(absolute.parent_path(), error);
    if (error) {
        directory = absolute.parent_path().lexically_normal();
    }
    return directory / absolute.filename();
}

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    if (fs::equivalent(a, b, error) && !error) {
        return true;
    }
    return finalPath(a) == finalPath(b);
}

std::string chineseKindName(FileKind kind) {
    switch (kind) {
        case FileKind::Directory:
            return "目录";
        case FileKind::Fifo:
            return "命名管道";
        case FileKind::Socket:
            return "套接字";
        case FileKind::CharacterDevice:
        case FileKind::BlockDevice:
            return "设备";
        default:
            return "特殊文件";
    }
}

}  // namespace

std::vector<OwnFile> programFiles() {
    std::vector<OwnFile> files;
    addWithJournals(files, records::kDatabaseFile, "the records store", "记录库");
    addWithJournals(files, kSpoolFile, "the spool of the records server", "记录服务器的暂存库");
    files.push_back(
        {records::kServerSettingsFile, "the records server's settings", "记录服务器设置文件"});
    if (const auto passwordFile = passwordFileOf(records::kServerSettingsFile)) {
        files.push_back(
            {*passwordFile, "the records server's password file", "记录服务器的密码文件"});
    }
    files.push_back({"comports.conf", "the port numbering", "端口编号文件"});
    files.push_back({"config.dat", "the port choice", "端口选择文件"});
    return files;
}

std::optional<ExportRefusal> exportRefusal(const std::string& target,
                                           const std::vector<OwnFile>& ownFiles) {
    for (const OwnFile& own : ownFiles) {
        if (sameFile(target, own.path)) {
            const bool named = target == own.path;
            return ExportRefusal{target + " is " + own.what + (named ? "" : " (" + own.path + ")"),
                                 "不能导出到 " + target + "：它是" + own.chinese +
                                     (named ? "" : "（" + own.path + "）")};
        }
    }
    const FileKind kind = fileKind(target);
    if (kind != FileKind::Missing && kind != FileKind::Regular) {
        std::error_code error;
        const bool link = fs::is_symlink(fs::symlink_status(target, error));
        const std::string english = link
                                        ? target + " leads to " + finalPath(target).string() +
                                              ", " + kindName(kind) + ", not a regular file"
                                        : target + " is " + kindName(kind) + ", not a regular file";
        return ExportRefusal{
            english, "不能导出到 " + target + "：它不是普通文件（" + chineseKindName(kind) + "）"};
    }
    return std::nullopt;
}

std::optional<ExportRefusal> exportRefusal(const std::string& target) {
    return exportRefusal(target, programFiles());
}

}  // namespace platform::qt
