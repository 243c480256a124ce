#include "platform/qt/serial/qt_serial_port.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace platform::qt {
namespace {

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

seriallink::PortMap portMapFromFile(const QString& confFilePath) {
    QByteArray confText;
    QFile file(confFilePath);
    if (file.open(QIODevice::ReadOnly)) {
        confText = file.readAll();
    }
    return seriallink::PortMap::fromConfig(std::string_view(confText.constData(), confText.size()),
                                           systemDevices());
}

seriallink::PortMap portMapForThisMachine() {
#ifdef Q_OS_WIN
    return seriallink::PortMap::identity();
#else
    return portMapFromFile(QStringLiteral("comports.conf"));
#endif
}

}  // namespace platform::qt
