#include "records/sql/qt_protected_file_reader.h"

#include <QFile>
#include <QFileInfo>

#include <array>
#include <utility>

namespace records::sql {

std::optional<platform::ProtectedFile> QtProtectedFileReader::read(const std::string& path) {
    // Anything but a regular file (a FIFO, a device) could keep the open waiting for ever.
    if (!QFileInfo(QString::fromStdString(path)).isFile()) {
        return std::nullopt;
    }
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    static constexpr std::array<std::pair<QFileDevice::Permission, unsigned>, 9> kBits = {{
        {QFileDevice::ReadOwner, 0400},
        {QFileDevice::WriteOwner, 0200},
        {QFileDevice::ExeOwner, 0100},
        {QFileDevice::ReadGroup, 0040},
        {QFileDevice::WriteGroup, 0020},
        {QFileDevice::ExeGroup, 0010},
        {QFileDevice::ReadOther, 0004},
        {QFileDevice::WriteOther, 0002},
        {QFileDevice::ExeOther, 0001},
    }};
    platform::ProtectedFile result;
    const QFileDevice::Permissions permissions = file.permissions();
    for (const auto& [permission, bit] : kBits) {
        if (permissions.testFlag(permission)) {
            result.permissions |= bit;
        }
    }
    const QByteArray contents = file.read(static_cast<qint64>(kMaxBytes));
    result.contents.assign(contents.constData(), static_cast<std::size_t>(contents.size()));
    return result;
}

}  // namespace records::sql
