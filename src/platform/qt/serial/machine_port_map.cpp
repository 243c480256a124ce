#include "platform/qt/serial/qt_serial_port.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/qt/files/regular_file.h"

namespace platform::qt {
namespace {

// Far more than ten lines of "COMn=device" with comments take.
constexpr std::size_t kMaxConfBytes = 64 * 1024;

// udev names every USB serial adapter under /dev/serial/by-id after its maker, model and serial
// number; each name is a link to the device the kernel gave the adapter this time.
std::map<QString, std::string> stableNamesByDevice() {
    std::map<QString, std::string> names;
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    for (const QFileInfo& link : byId.entryInfoList(QDir::System | QDir::Files)) {
        const QString device = link.canonicalFilePath();
        if (!device.isEmpty()) {
            names[device] = link.fileName().toStdString();
        }
    }
    return names;
}

std::vector<seriallink::SystemDevice> systemDevices() {
    const std::map<QString, std::string> stableNames = stableNamesByDevice();
    std::vector<seriallink::SystemDevice> devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const QString path = info.systemLocation();
        const auto stable = stableNames.find(QFileInfo(path).canonicalFilePath());
        const bool named = stable != stableNames.end();
        devices.push_back({path.toStdString(), named ? stable->second : std::string(),
                           named || info.hasVendorIdentifier()});
    }
    return devices;
}

}  // namespace

std::optional<seriallink::PortNote> missingPinnedPortNote(const seriallink::PortMap& map,
                                                          int usedNumber) {
    return seriallink::missingPinnedPortNote(map, usedNumber, [](const std::string& device) {
        return fileKind(device) != FileKind::Missing;
    });
}

seriallink::PortMap portMapFromFile(const QString& confFilePath) {
    const FileRead read = readRegularFile(confFilePath.toStdString(), kMaxConfBytes);
    seriallink::PortConfig config = seriallink::readPortConfig(read.bytes.value_or(""));
    if (!read.refusal.empty()) {
        config.refusal = read.refusal + "; no port is pinned";
    }
    return seriallink::PortMap::fromConfig(std::move(config), systemDevices());
}

seriallink::PortMap portMapForThisMachine() {
#ifdef Q_OS_WIN
    return seriallink::PortMap::identity();
#else
    return portMapFromFile(QStringLiteral("comports.conf"));
#endif
}

}  // namespace platform::qt
