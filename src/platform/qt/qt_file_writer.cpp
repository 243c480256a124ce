#include "platform/qt/qt_file_writer.h"

#include <QString>

#include "platform/qt/files/regular_file.h"

namespace platform::qt {
namespace {

// The new file takes the place of what is at `path`, at the end of its symbolic links: only a
// regular file may be replaced, never a device, a FIFO, a socket or a directory.
bool mayReplace(const std::string& path) {
    const FileKind kind = fileKind(path);
    return kind == FileKind::Missing || kind == FileKind::Regular;
}

}  // namespace

bool QtFileWriter::begin(const std::string& path) {
    file_.reset();
    if (!mayReplace(path)) {
        return false;
    }
    path_ = path;
    file_ = std::make_unique<QSaveFile>(QString::fromStdString(path));
    if (!file_->open(QIODevice::WriteOnly)) {
        file_.reset();
        return false;
    }
    return true;
}

bool QtFileWriter::append(std::string_view text) {
    if (!file_) {
        return false;
    }
    const auto size = static_cast<qint64>(text.size());
    if (file_->write(text.data(), size) != size) {
        file_.reset();  // abandoned: the file that was there stays
        return false;
    }
    return true;
}

bool QtFileWriter::finish() {
    // What is at the path may have changed since the write began.
    const bool committed = file_ && mayReplace(path_) && file_->commit();
    file_.reset();
    return committed;
}

void QtFileWriter::abandon() {
    file_.reset();  // an uncommitted QSaveFile removes its new file
}

}  // namespace platform::qt
