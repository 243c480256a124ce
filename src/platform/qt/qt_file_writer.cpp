#include "platform/qt/qt_file_writer.h"

#include <QString>

namespace platform::qt {

bool QtFileWriter::begin(const std::string& path) {
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
    const bool committed = file_ && file_->commit();
    file_.reset();
    return committed;
}

}  // namespace platform::qt
