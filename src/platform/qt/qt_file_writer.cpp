#include "platform/qt/qt_file_writer.h"

#include <QSaveFile>
#include <QString>

namespace platform::qt {

bool QtFileWriter::writeText(const std::string& path, const std::string& text) {
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    const auto size = static_cast<qint64>(text.size());
    return file.write(text.data(), size) == size && file.commit();
}

}  // namespace platform::qt
