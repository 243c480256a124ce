#include "platform/qt/qt_file_reader.h"

#include <QFile>

namespace platform::qt {

std::optional<std::vector<std::uint8_t>> QtFileReader::readStart(const std::string& fileName,
                                                                 std::size_t count) {
    QFile file(QString::fromStdString(fileName));
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray bytes = file.read(static_cast<qint64>(count));
    if (bytes.isEmpty() && file.error() != QFileDevice::NoError) {
        return std::nullopt;
    }
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

}  // namespace platform::qt
